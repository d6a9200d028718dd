#pragma once
// The clock as core code sees it: texts of "now" in the locale's forms.
#include <string>

namespace lumivane {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local date in the locale's short date form.
    virtual std::string shortDateText() const = 0;
    // Short date, one blank, long time; the date alone at exactly 00:00:00.
    virtual std::string generalDateTimeText() const = 0;
};

}  // namespace lumivane

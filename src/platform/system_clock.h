#pragma once
// The local clock, with the locale's short date and general date-time forms.
#include <QDateTime>

#include "shell/clock.h"

namespace lumivane {

class SystemClock : public Clock {
public:
    std::string shortDateText() const override;
    std::string generalDateTimeText() const override;

    // The texts of a given moment (what the two overrides use for "now").
    static std::string shortDateText(const QDateTime& moment);
    static std::string generalDateTimeText(const QDateTime& moment);
};

}  // namespace lumivane

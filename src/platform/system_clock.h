#pragma once
// The local clock, with the locale's short date and general date-time forms.
#include <QDateTime>
#include <QLocale>

#include "core/text/clock.h"

namespace lumivane {

class SystemClock : public Clock {
public:
    std::string shortDateText() const override;
    std::string generalDateTimeText() const override;

    // The texts of a given moment in a given locale (what the two overrides
    // use for "now" in the system's locale).
    static std::string shortDateText(const QDateTime& moment, const QLocale& locale = QLocale::system());
    static std::string generalDateTimeText(const QDateTime& moment, const QLocale& locale = QLocale::system());
};

}  // namespace lumivane

#include "platform/system_clock.h"

#include <QRegularExpression>
#include <QStringList>

namespace lumivane {
namespace {

// The locale's long time form without its zone name ("t"), and without the
// brackets some locales put round it ("H:mm:ss (t)", "Bh:mm:ss [t]"). Text
// in single quotes is literal and stays as it is.
QString longTimeFormatWithoutZone(const QLocale& locale)
{
    static const QRegularExpression zone(QStringLiteral("\\s*(\\(t+\\)|\\[t+\\]|t+)"));
    QStringList parts = locale.timeFormat(QLocale::LongFormat).split(QLatin1Char('\''));
    for (qsizetype i = 0; i < parts.size(); i += 2)
        parts[i].remove(zone);
    return parts.join(QLatin1Char('\'')).trimmed();
}

}  // namespace

std::string SystemClock::shortDateText(const QDateTime& moment, const QLocale& locale)
{
    return locale.toString(moment.date(), QLocale::ShortFormat).toStdString();
}

std::string SystemClock::generalDateTimeText(const QDateTime& moment, const QLocale& locale)
{
    const QTime time = moment.time();
    // The general form leaves out a time of exactly midnight.
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return shortDateText(moment, locale);
    return shortDateText(moment, locale) + " " + locale.toString(time, longTimeFormatWithoutZone(locale)).toStdString();
}

std::string SystemClock::shortDateText() const { return shortDateText(QDateTime::currentDateTime()); }

std::string SystemClock::generalDateTimeText() const { return generalDateTimeText(QDateTime::currentDateTime()); }

}  // namespace lumivane

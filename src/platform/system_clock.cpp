#include "platform/system_clock.h"

#include <QLocale>

namespace lumivane {

std::string SystemClock::shortDateText(const QDateTime& moment)
{
    return QLocale::system().toString(moment.date(), QLocale::ShortFormat).toStdString();
}

std::string SystemClock::generalDateTimeText(const QDateTime& moment)
{
    const QTime time = moment.time();
    // The general form leaves out a time of exactly midnight.
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return shortDateText(moment);
    // The long time form without the zone name, which the locale's long form may carry.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return shortDateText(moment) + " " +
           QLocale::system().toString(time, format.trimmed()).toStdString();
}

std::string SystemClock::shortDateText() const { return shortDateText(QDateTime::currentDateTime()); }

std::string SystemClock::generalDateTimeText() const
{
    return generalDateTimeText(QDateTime::currentDateTime());
}

}  // namespace lumivane

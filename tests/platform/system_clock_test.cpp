// The clock's date-time text in every locale Qt knows: short date, a blank and
// the long time, with no zone name and nothing left of the brackets some
// locales put round it; exactly midnight is the date alone.
#include "platform/system_clock.h"

#include <gtest/gtest.h>

using lumivane::SystemClock;

TEST(SystemClock, GeneralFormIsShortDateBlankLongTimeWithoutZoneInEveryLocale)
{
    const QDateTime afternoon(QDate(2026, 12, 6), QTime(13, 25, 1));
    EXPECT_EQ(SystemClock::generalDateTimeText(afternoon, QLocale("en_GB")), "06/12/2026 13:25:01");
    EXPECT_EQ(SystemClock::generalDateTimeText(afternoon, QLocale("es_ES")), "6/12/26 13:25:01");
    EXPECT_EQ(SystemClock::generalDateTimeText(QDateTime(QDate(2026, 12, 6), QTime(0, 0, 30)), QLocale("en_GB")),
              "06/12/2026 00:00:30");
    const auto locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    for (const QLocale& locale : locales) {
        const QString text = QString::fromStdString(SystemClock::generalDateTimeText(afternoon, locale));
        const QString date = QString::fromStdString(SystemClock::shortDateText(afternoon, locale));
        SCOPED_TRACE(locale.name().toStdString() + ": " + text.toStdString());
        EXPECT_TRUE(text.startsWith(date + ' ') && text.size() > date.size() + 1);
        for (const char* left : {"()", "[]", "( )", "[ ]", "  ", "UTC", "GMT"})
            EXPECT_FALSE(text.contains(left));
        EXPECT_EQ(text, text.trimmed());
        EXPECT_EQ(SystemClock::generalDateTimeText(QDateTime(afternoon.date(), QTime(0, 0)), locale),
                  date.toStdString());
        // Only exactly midnight: half a minute later the time is there.
        EXPECT_NE(SystemClock::generalDateTimeText(QDateTime(afternoon.date(), QTime(0, 0, 30)), locale),
                  date.toStdString());
    }
}

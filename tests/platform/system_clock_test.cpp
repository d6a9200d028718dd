// The clock's date and date-time texts in the locales Qt knows: the general
// form is the short date, a blank and the long time, with no zone name and
// nothing left of the brackets some locales put round it.
#include <QTest>

#include "platform/system_clock.h"

using lumivane::SystemClock;

namespace {

const QDateTime kAfternoon(QDate(2026, 12, 6), QTime(13, 25, 1));

QString general(const QDateTime& moment, const QLocale& locale)
{
    return QString::fromStdString(SystemClock::generalDateTimeText(moment, locale));
}

}  // namespace

class SystemClockTest : public QObject {
    Q_OBJECT

private slots:
    void generalFormIsShortDateBlankLongTime_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("en_GB") << "en_GB" << "06/12/2026 13:25:01";
        QTest::newRow("zone in parentheses") << "es_ES" << "6/12/26 13:25:01";
        QTest::newRow("C") << "C" << "6 Dec 2026 13:25:01";
    }

    void generalFormIsShortDateBlankLongTime()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QCOMPARE(general(kAfternoon, QLocale(locale)), text);
        // Exactly midnight is the date alone.
        QCOMPARE(general(QDateTime(kAfternoon.date(), QTime(0, 0)), QLocale(locale)),
                 QString::fromStdString(SystemClock::shortDateText(kAfternoon, QLocale(locale))));
    }

    void noLocaleLeavesAZoneOrItsBracketsBehind()
    {
        const QList<QLocale> locales =
            QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        QVERIFY(locales.size() > 100);
        for (const QLocale& locale : locales) {
            const QString text = general(kAfternoon, locale);
            const QString date = QString::fromStdString(SystemClock::shortDateText(kAfternoon, locale));
            const QString name = locale.name();
            QVERIFY2(text.startsWith(date + QLatin1Char(' ')) && text.size() > date.size() + 1, qPrintable(name));
            for (const char* left : {"()", "[]", "( )", "[ ]"})
                QVERIFY2(!text.contains(QLatin1String(left)), qPrintable(name + ": " + text));
            QVERIFY2(text == text.trimmed() && !text.contains(QStringLiteral("  ")), qPrintable(name + ": " + text));
            QVERIFY2(!text.contains(QStringLiteral("UTC")) && !text.contains(QStringLiteral("GMT")),
                     qPrintable(name + ": " + text));
        }
    }
};

QTEST_GUILESS_MAIN(SystemClockTest)
#include "system_clock_test.moc"

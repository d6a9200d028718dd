// The date scope panel: what typing does to a field and its spin, and which
// controls a selection, the tick, a run and Reset Selection enable.
#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QWheelEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

#include "support/main_window_fixture.h"
#include "support/temp_dir.h"

using lumivane::test::MainWindowFixture;

namespace {

// Replaces the field's text the way an operator does: select all, then type.
void retype(QLineEdit* field, const QString& keys)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, keys);
}

// How many of the eight date controls are enabled.
int enabledDateControls(MainWindowFixture& f)
{
    const QStringList names{"txtDD", "txtMM", "txtYY", "txtDays", "vsDD", "vsMM", "vsYY", "vsDays"};
    return std::ranges::count_if(names,
                                 [&](const QString& name) { return f.find<QWidget>(qPrintable(name))->isEnabled(); });
}

}  // namespace

class DateScopePanelTest : public QObject {
    Q_OBJECT
private slots:
    // Only a selection enables the tick and the tick the fields; typed text follows each field's
    // rules, the spin's upper arrow and wheel raise the value, and a run takes the scope as shown.
    void typedScopeFollowsTheFieldsRulesAndReachesTheRun()
    {
        const struct {
            const char* name;
            QString field;
            int spinBefore;
            QString keys, text;
            int spinAfter;
        } rows[] = {{"day 32 puts 1 back", "DD", 20, "32", "1", 1},
                    {"month 07 keeps its text", "MM", 7, "07", "07", 7},
                    {"unfinished year leaves the spin", "YY", 2012, "202", "202", 2012},
                    {"a recent year is taken", "YY", 2010, "2023", "2023", 2023},
                    {"an old year stretches the spin", "YY", 2010, "1950", "1950", 1950},
                    {"year refuses a first digit no year has", "YY", 2010, "0", "2010", 2010},
                    {"days refuses 32", "Days", 7, "32", "3", 3}};
        MainWindowFixture empty;
        QVERIFY(!empty.find<QCheckBox>("chkDate")->isEnabled());
        const auto log = lumivane::test::testDataDir() / "meterlogs" / "june2023.csv";
        MainWindowFixture f({.arguments = {QString::fromStdString(log.string())}});
        auto* chkDate = f.find<QCheckBox>("chkDate");
        QCOMPARE(enabledDateControls(f), 0);
        chkDate->click();
        QCOMPARE(enabledDateControls(f), 8);
        for (const auto& row : rows) {
            auto* box = f.window().findChild<QLineEdit*>("txt" + row.field);
            auto* spin = f.window().findChild<QScrollBar*>("vs" + row.field);
            spin->setValue(row.spinBefore);
            QCOMPARE(box->text(), QString::number(row.spinBefore));
            retype(box, row.keys);
            QVERIFY2(box->text() == row.text && spin->value() == row.spinAfter, row.name);
        }

        // The upper arrow and the wheel turned away raise the value, up to next year.
        auto* spin = f.find<QScrollBar>("vsYY");
        spin->setValue(2010);
        spin->resize(16, 80);
        QVERIFY(spin->maximum() >= QDate::currentDate().year() + 1 && spin->minimum() <= 2000);
        QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(8, 3));
        QWheelEvent up({8, 40}, {}, {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(spin, &up);
        QCOMPARE(f.find<QLineEdit>("txtYY")->text(), QStringLiteral("2012"));
        // In the field, Up and Down step by one, Page Up and Page Down by ten; the day's rule still holds.
        const QString day = f.find<QLineEdit>("txtDD")->text();
        for (const auto& [field, key, text] : {std::tuple{"txtYY", Qt::Key_Up, "2013"},
                                               {"txtYY", Qt::Key_PageDown, "2003"},
                                               {"txtDD", Qt::Key_Down, "1"},
                                               {"txtDD", Qt::Key_PageUp, "11"},
                                               {"txtMM", Qt::Key_PageUp, "12"}}) {
            QTest::keyClick(f.find<QLineEdit>(field), key);
            QCOMPARE(f.find<QLineEdit>(field)->text(), QString::fromLatin1(text));
        }
        QCOMPARE(f.find<QLineEdit>("txtYY")->accessibleName(), QStringLiteral("From year"));
        f.find<QLineEdit>("txtDD")->setText(day);

        // June of a recent year, typed: 30 days of 15.25 kWh by day and 3.75 by night, less the baseline's step.
        for (const auto& [field, keys] : {std::pair{"txtMM", "6"}, {"txtYY", "2023"}, {"txtDays", "30"}})
            retype(f.find<QLineEdit>(field), keys);
        QVERIFY(f.runCalculation());
        QVERIFY2(f.results().contains("Total: 568.750 kWh, £83.21"), qPrintable(f.results()));

        // A run takes an unfinished year as the spin shows it.
        spin->setValue(2012);
        retype(f.find<QLineEdit>("txtYY"), "20");
        QVERIFY(f.runCalculation());
        QCOMPARE(f.find<QLineEdit>("txtYY")->text(), QStringLiteral("2012"));

        // Reset Selection greys the tick but leaves it and the fields as they are.
        f.find<QPushButton>("cmdReset")->click();
        QVERIFY(!chkDate->isEnabled() && chkDate->isChecked());
        QCOMPARE(enabledDateControls(f), 8);
    }
};

QTEST_MAIN(DateScopePanelTest)
#include "date_scope_panel_test.moc"

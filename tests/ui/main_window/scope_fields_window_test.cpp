// The date scope controls of the main window: the day field's own rule, the
// fields and spin controls kept in step, the keystrokes the fields refuse,
// and which controls ticking "Select Dates" enables.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "ui/main_window/frm_main.h"
#include "support/main_window_fixture.h"

using lumivane::test::MainWindowFixture;

namespace {

void verifyDateControls(frmMain& w, bool enabled)
{
    for (QWidget* c : std::initializer_list<QWidget*>{w.txtDD, w.txtMM, w.txtYY, w.txtDays, w.vsDD, w.vsMM, w.vsYY,
                                                     w.vsDays})
        QVERIFY2(c->isEnabled() == enabled, qPrintable(c->objectName()));
}

// Replaces the field's text the way an operator does: select all, then type.
void retype(QLineEdit* field, const QString& keys)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, keys);
}

// A window with files selected and the scope ticked, so the fields take keys.
struct ScopeWindow {
    MainWindowFixture fixture;
    frmMain& w = fixture.window();
    ScopeWindow()
    {
        w.loadCommandLineFiles(QStringLiteral("\"/data/site1.csv\""));
        w.chkDate->click();
    }
};

}  // namespace

class ScopeFieldsWindowTest : public QObject {
    Q_OBJECT
private slots:
    // ---- What typing does to a field and its spin -----------------------------------

    void typedTextFollowsTheFieldsRules_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("spinBefore");
        QTest::addColumn<QString>("keys");  // typed over the whole text
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("spinAfter");
        // The day field's own rule: anything outside 1..31 becomes "1".
        QTest::newRow("day emptied") << "txtDD" << 12 << "\b" << "1" << 1;
        QTest::newRow("day 0") << "txtDD" << 20 << "0" << "1" << 1;
        QTest::newRow("day 32") << "txtDD" << 20 << "32" << "1" << 1;
        QTest::newRow("day 99") << "txtDD" << 20 << "99" << "1" << 1;
        QTest::newRow("day 31 stays") << "txtDD" << 20 << "31" << "31" << 31;
        QTest::newRow("day refuses letters") << "txtDD" << 20 << "5a" << "5" << 5;
        // The other fields refuse a keystroke that the spin could not take.
        QTest::newRow("month 12") << "txtMM" << 1 << "12" << "12" << 12;
        QTest::newRow("month refuses 13") << "txtMM" << 1 << "13" << "1" << 1;
        QTest::newRow("month refuses letters and signs") << "txtMM" << 1 << "a-" << "1" << 1;
        QTest::newRow("month 07 keeps its text") << "txtMM" << 7 << "07" << "07" << 7;
        QTest::newRow("year 2014") << "txtYY" << 2010 << "2014" << "2014" << 2014;
        QTest::newRow("unfinished year leaves the spin") << "txtYY" << 2012 << "201" << "201" << 2012;
        QTest::newRow("year refuses a first digit 3") << "txtYY" << 2010 << "3" << "2010" << 2010;
        QTest::newRow("year refuses a last digit past the range") << "txtYY" << 2010 << "2019" << "201" << 2010;
        QTest::newRow("days 31") << "txtDays" << 7 << "31" << "31" << 31;
        QTest::newRow("days refuses 32") << "txtDays" << 7 << "32" << "3" << 3;
        QTest::newRow("days refuses 00") << "txtDays" << 3 << "00" << "0" << 3;
    }

    void typedTextFollowsTheFieldsRules()
    {
        QFETCH(QString, field);
        QFETCH(int, spinBefore);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(int, spinAfter);
        ScopeWindow s;
        auto* box = s.w.findChild<QLineEdit*>(field);
        auto* spin = s.w.findChild<QScrollBar*>(QStringLiteral("vs") + field.mid(3));
        QVERIFY(box && spin);
        spin->setValue(spinBefore);
        QCOMPARE(box->text(), QString::number(spinBefore));
        retype(box, keys);
        QCOMPARE(box->text(), text);
        QCOMPARE(spin->value(), spinAfter);
    }

    void spinsWriteTheirValuesIntoTheFields()
    {
        ScopeWindow s;
        s.w.vsDD->setValue(17);
        s.w.vsYY->setValue(2013);
        s.w.vsDays->setValue(30);
        QCOMPARE(s.w.txtDD->text(), QStringLiteral("17"));
        QCOMPARE(s.w.txtYY->text(), QStringLiteral("2013"));
        QCOMPARE(s.w.txtDays->text(), QStringLiteral("30"));
        // The arrows move by one and stop at the ends of the range.
        s.w.vsMM->setValue(12);
        s.w.vsMM->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("12"));
        s.w.vsMM->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("11"));
        // The day rule holds for text the program sets as well.
        s.w.txtDD->setText(QStringLiteral("45"));
        QCOMPARE(s.w.txtDD->text(), QStringLiteral("1"));
        QCOMPARE(s.w.vsDD->value(), 1);
    }

    void anUnfinishedYearGetsTheSpinValueBackWhenTheFieldIsLeft()
    {
        ScopeWindow s;
        s.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.w));
        s.w.vsYY->setValue(2012);
        retype(s.w.txtYY, QStringLiteral("20"));
        QCOMPARE(s.w.txtYY->text(), QStringLiteral("20"));
        QTest::keyClick(s.w.txtYY, Qt::Key_Return);
        QCOMPARE(s.w.txtYY->text(), QStringLiteral("2012"));
        QCOMPARE(s.w.vsYY->value(), 2012);
    }

    // ---- Which controls are enabled ----------------------------------------------

    void tickingEnablesExactlyTheEightDateControls()
    {
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        w.showSelection();
        verifyDateControls(w, false);
        w.chkDate->click();
        QVERIFY(w.chkDate->isChecked());
        verifyDateControls(w, true);
        // Nothing else changed with it.
        QVERIFY(w.chkGraph->isEnabled());
        QVERIFY(w.cmdStartConvert->isEnabled());
        QVERIFY(w.cmdTot->isHidden());
        w.chkDate->click();
        verifyDateControls(w, false);
        // A tick set by the program switches them too, while chkDate itself is disabled.
        w.cmdReset->click();
        w.chkDate->setChecked(true);
        verifyDateControls(w, true);
        w.chkDate->setChecked(false);
        verifyDateControls(w, false);
    }

    void busyStateLeavesTheDateControlsAlone()
    {
        ScopeWindow s;
        s.w.enableControls(false);
        QVERIFY(!s.w.chkDate->isEnabled());
        QVERIFY(s.w.chkDate->isChecked());
        verifyDateControls(s.w, true);
        s.w.enableControls(true);
        verifyDateControls(s.w, true);

        s.w.chkDate->click();
        s.w.enableControls(false);
        s.w.enableControls(true);
        verifyDateControls(s.w, false);
    }

    void resetSelectionLeavesTheTickAndTheDateControlsAlone()
    {
        ScopeWindow s;
        s.w.cmdReset->click();
        QVERIFY(!s.w.chkDate->isEnabled());
        QVERIFY(s.w.chkDate->isChecked());
        verifyDateControls(s.w, true);
    }
};

QTEST_MAIN(ScopeFieldsWindowTest)
#include "scope_fields_window_test.moc"

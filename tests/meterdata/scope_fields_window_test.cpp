// The date scope controls of the main window: the day field's own rule, the
// fields and spin controls kept in step, the keystrokes the fields refuse,
// and which controls ticking "Select Dates" enables.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <vector>

#include "shell/frm_main.h"
#include "support/main_window_fixture.h"

using lumivane::test::MainWindowFixture;

namespace {

std::vector<QWidget*> dateControls(frmMain& w)
{
    return {w.txtDD, w.txtMM, w.txtYY, w.txtDays, w.vsDD, w.vsMM, w.vsYY, w.vsDays};
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
    // ---- The day field's own rule ----------------------------------------------

    void emptyingTheDayFieldPutsOneBack()
    {
        ScopeWindow s;
        s.w.vsDD->setValue(12);
        QCOMPARE(s.w.txtDD->text(), QStringLiteral("12"));
        s.w.txtDD->selectAll();
        QTest::keyClick(s.w.txtDD, Qt::Key_Backspace);
        QCOMPARE(s.w.txtDD->text(), QStringLiteral("1"));
        QCOMPARE(s.w.vsDD->value(), 1);
    }

    void dayOutsideOneToThirtyOneGivesOne_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("0") << QStringLiteral("0");
        QTest::newRow("32") << QStringLiteral("32");
        QTest::newRow("99") << QStringLiteral("99");
    }

    void dayOutsideOneToThirtyOneGivesOne()
    {
        QFETCH(QString, typed);
        ScopeWindow s;
        s.w.vsDD->setValue(20);
        retype(s.w.txtDD, typed);
        QCOMPARE(s.w.txtDD->text(), QStringLiteral("1"));
        QCOMPARE(s.w.vsDD->value(), 1);
    }

    void dayOutsideTheRangeSetByTheProgramAlsoGivesOne()
    {
        ScopeWindow s;
        s.w.txtDD->setText(QStringLiteral("45"));
        QCOMPARE(s.w.txtDD->text(), QStringLiteral("1"));
        QCOMPARE(s.w.vsDD->value(), 1);
    }

    void typedDayThirtyOneStays()
    {
        ScopeWindow s;
        retype(s.w.txtDD, QStringLiteral("31"));
        QCOMPARE(s.w.txtDD->text(), QStringLiteral("31"));
        QCOMPARE(s.w.vsDD->value(), 31);
    }

    void dayFieldRefusesLetters()
    {
        ScopeWindow s;
        retype(s.w.txtDD, QStringLiteral("5"));
        QTest::keyClicks(s.w.txtDD, QStringLiteral("a"));
        QCOMPARE(s.w.txtDD->text(), QStringLiteral("5"));
        QCOMPARE(s.w.vsDD->value(), 5);
    }

    // ---- Fields and spins in step ------------------------------------------------

    void spinChangeWritesItsValueIntoTheField()
    {
        ScopeWindow s;
        s.w.vsDD->setValue(17);
        s.w.vsMM->setValue(11);
        s.w.vsYY->setValue(2013);
        s.w.vsDays->setValue(30);
        QCOMPARE(s.w.txtDD->text(), QStringLiteral("17"));
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("11"));
        QCOMPARE(s.w.txtYY->text(), QStringLiteral("2013"));
        QCOMPARE(s.w.txtDays->text(), QStringLiteral("30"));
    }

    void spinArrowsMoveByOneWithinTheRange()
    {
        ScopeWindow s;
        s.w.vsMM->setValue(12);
        s.w.vsMM->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(s.w.vsMM->value(), 12);
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("12"));
        s.w.vsMM->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("11"));
        s.w.vsYY->setValue(2010);
        s.w.vsYY->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(s.w.txtYY->text(), QStringLiteral("2010"));
    }

    void typedNumbersMoveTheSpins()
    {
        ScopeWindow s;
        retype(s.w.txtDD, QStringLiteral("9"));
        retype(s.w.txtMM, QStringLiteral("12"));
        retype(s.w.txtYY, QStringLiteral("2014"));
        retype(s.w.txtDays, QStringLiteral("31"));
        QCOMPARE(s.w.vsDD->value(), 9);
        QCOMPARE(s.w.vsMM->value(), 12);
        QCOMPARE(s.w.vsYY->value(), 2014);
        QCOMPARE(s.w.vsDays->value(), 31);
    }

    void aNumberWrittenWithALeadingZeroKeepsItsTextUntilTheSpinMoves()
    {
        // The spin already shows 7, so "07" does not move it and stays as typed.
        ScopeWindow s;
        s.w.vsMM->setValue(7);
        retype(s.w.txtMM, QStringLiteral("07"));
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("07"));
        QCOMPARE(s.w.vsMM->value(), 7);
        s.w.vsMM->setValue(8);
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("8"));
    }

    // ---- Keystrokes the fields refuse --------------------------------------------

    void monthFieldRefusesThirteen()
    {
        ScopeWindow s;
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("1"));
        s.w.txtMM->setFocus();
        s.w.txtMM->end(false);
        QTest::keyClicks(s.w.txtMM, QStringLiteral("3"));
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("1"));
        QCOMPARE(s.w.vsMM->value(), 1);
        retype(s.w.txtMM, QStringLiteral("13"));
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("1"));
        QCOMPARE(s.w.vsMM->value(), 1);
    }

    void monthFieldRefusesLetters()
    {
        ScopeWindow s;
        retype(s.w.txtMM, QStringLiteral("a"));
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("1"));
        s.w.txtMM->end(false);
        QTest::keyClicks(s.w.txtMM, QStringLiteral("a-"));
        QCOMPARE(s.w.txtMM->text(), QStringLiteral("1"));
        QCOMPARE(s.w.vsMM->value(), 1);
    }

    void yearIsTypedDigitByDigitAndMovesTheSpinWhenComplete()
    {
        ScopeWindow s;
        s.w.txtYY->setFocus();
        s.w.txtYY->selectAll();
        QTest::keyClicks(s.w.txtYY, QStringLiteral("2"));
        QCOMPARE(s.w.txtYY->text(), QStringLiteral("2"));
        QCOMPARE(s.w.vsYY->value(), 2010);  // unfinished: the spin waits
        QTest::keyClicks(s.w.txtYY, QStringLiteral("01"));
        QCOMPARE(s.w.txtYY->text(), QStringLiteral("201"));
        QCOMPARE(s.w.vsYY->value(), 2010);
        QTest::keyClicks(s.w.txtYY, QStringLiteral("3"));
        QCOMPARE(s.w.txtYY->text(), QStringLiteral("2013"));
        QCOMPARE(s.w.vsYY->value(), 2013);
    }

    void yearFieldRefusesDigitsThatLeaveTheRange()
    {
        ScopeWindow s;
        retype(s.w.txtYY, QStringLiteral("3"));
        QCOMPARE(s.w.txtYY->text(), QStringLiteral("2010"));
        retype(s.w.txtYY, QStringLiteral("2019"));
        QCOMPARE(s.w.txtYY->text(), QStringLiteral("201"));
        QCOMPARE(s.w.vsYY->value(), 2010);
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

    void daysFieldRefusesZeroAndThirtyTwo()
    {
        ScopeWindow s;
        retype(s.w.txtDays, QStringLiteral("32"));
        QCOMPARE(s.w.txtDays->text(), QStringLiteral("3"));
        QCOMPARE(s.w.vsDays->value(), 3);
        retype(s.w.txtDays, QStringLiteral("00"));
        QCOMPARE(s.w.txtDays->text(), QStringLiteral("0"));
        QCOMPARE(s.w.vsDays->value(), 3);
    }

    // ---- Which controls are enabled ----------------------------------------------

    void tickingEnablesExactlyTheEightDateControls()
    {
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        w.showSelection();
        for (QWidget* c : dateControls(w))
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        w.chkDate->click();
        QVERIFY(w.chkDate->isChecked());
        for (QWidget* c : dateControls(w))
            QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
        // Nothing else changed with it.
        QVERIFY(w.chkGraph->isEnabled());
        QVERIFY(w.cmdStartConvert->isEnabled());
        QVERIFY(w.cmdTot->isHidden());
        w.chkDate->click();
        for (QWidget* c : dateControls(w))
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    }

    void tickSetByTheProgramAlsoSwitchesTheControls()
    {
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        w.chkDate->setChecked(true);  // chkDate itself still disabled
        for (QWidget* c : dateControls(w))
            QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
        w.chkDate->setChecked(false);
        for (QWidget* c : dateControls(w))
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    }

    void busyStateLeavesTheDateControlsAlone()
    {
        ScopeWindow s;
        s.w.enableControls(false);
        QVERIFY(!s.w.chkDate->isEnabled());
        QVERIFY(s.w.chkDate->isChecked());
        for (QWidget* c : dateControls(s.w))
            QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
        s.w.enableControls(true);
        for (QWidget* c : dateControls(s.w))
            QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));

        s.w.chkDate->click();
        s.w.enableControls(false);
        s.w.enableControls(true);
        for (QWidget* c : dateControls(s.w))
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    }

    void resetSelectionLeavesTheTickAndTheDateControlsAlone()
    {
        ScopeWindow s;
        s.w.cmdReset->click();
        QVERIFY(!s.w.chkDate->isEnabled());
        QVERIFY(s.w.chkDate->isChecked());
        for (QWidget* c : dateControls(s.w))
            QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
    }
};

QTEST_MAIN(ScopeFieldsWindowTest)
#include "scope_fields_window_test.moc"

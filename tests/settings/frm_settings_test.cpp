// The settings dialog on a real main window with a real settings store in the
// test's own folders; message boxes and text viewers are recorded.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "settings/frm_settings.h"
#include "shell/app_facts.h"
#include "support/main_window_fixture.h"

using lumivane::SettingsStore;
using lumivane::test::MainWindowFixture;

namespace {

const QColor kLightGreen(192, 255, 192);

template <class T>
T* control(QWidget* dialog, const char* name)
{
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

QLineEdit* edit(QWidget* d, const char* name) { return control<QLineEdit>(d, name); }
QCheckBox* check(QWidget* d, const char* name) { return control<QCheckBox>(d, name); }
QPushButton* button(QWidget* d, const char* name) { return control<QPushButton>(d, name); }
QRadioButton* option(QWidget* d, int index)
{
    return d->findChild<QRadioButton*>(QStringLiteral("optExport_%1").arg(index));
}

// What another reader of the store would see now.
std::optional<std::string> storedText(const char* key)
{
    SettingsStore store(QString::fromLatin1(lumivane::kMainExecutableName));
    return store.GetSetting(key);
}

// Replaces a line edit's text the way a user does: select all, type.
void typeInto(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

// Clicks on the box itself: a check box stretched by its layout only reacts on its box and caption.
void clickBox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The window's start-up may have reported missing pictures; the tests look at their own messages only.
std::unique_ptr<MainWindowFixture> startWindow(std::map<std::string, std::string> stored = {})
{
    auto fixture = std::make_unique<MainWindowFixture>(std::move(stored));
    fixture->messages.clear();
    return fixture;
}

// Clicks the main window's Settings button and runs `inside` while the dialog is shown modally.
bool throughSettingsButton(frmMain& window, const std::function<void(frmSettings&)>& inside)
{
    const QPointer<frmSettings> dialog = window.settingsDialog();
    bool ran = false;
    QTimer::singleShot(0, dialog, [&] {
        ran = true;
        inside(*dialog);
    });
    // A dialog that the step left open would hang the test; this only ends the modal loop.
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&] {
        if (dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    });
    rescue.start(20000);
    window.cmdSettings_Click();
    return ran;
}

void deleteDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

class FrmSettingsTest : public QObject {
    Q_OBJECT

private slots:
    // ---- Construction and look ---------------------------------------------

    void dialogIsCreatedHiddenAtStartupWithItsTitle()
    {
        auto fx = startWindow();
        frmSettings* dialog = fx->window().settingsDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Settings"));
        QVERIFY(dialog->isModal());
        QVERIFY(dialog->isHidden());
        QCOMPARE(fx->window().findChild<frmSettings*>(), dialog);
    }

    void everyControlIsFoundByItsName()
    {
        auto fx = startWindow();
        QWidget* d = fx->window().settingsDialog();
        for (const char* name : {"txtDayCost", "txtNightCost", "txtMultiplier", "txtDayFrom", "txtDayTo",
                                 "txtNightFrom", "txtNightTo", "txtURL", "txtS1Label", "txtS2Label", "txtS1Multi",
                                 "txtS2Multi", "txtS1Egu", "txtS2Egu", "txtAlarmHi", "txtInterval", "txtMobile",
                                 "txtTestSMS", "txtAlarmSMS", "txtCommPort", "txtCommSettings"})
            QVERIFY2(edit(d, name), name);
        const std::map<const char*, QString> checks = {
            {"chkURL", QStringLiteral("&Enable Pulse")},
            {"chkStore", QStringLiteral("Store Lo&cally")},
            {"chkAlarm", QStringLiteral("Monitor Alarm.")},
            {"chkAlarmLog", QStringLiteral("Store Locall&y")},
            {"chkExport", QStringLiteral("Export to File")},
            {"chkSMS", QStringLiteral("&Send SMS on Alarm [REQUIRES HARDWARE]")}};
        for (const auto& [name, caption] : checks) {
            QVERIFY2(check(d, name), name);
            QCOMPARE(check(d, name)->text(), caption);
        }
        const std::map<const char*, QString> buttons = {
            {"cmdViewFile", QStringLiteral("View &Local File")}, {"cmdClear", QStringLiteral("&Clear Local File")},
            {"Command2", QStringLiteral("View &Alarm Log")},     {"cmdTestSMS", QStringLiteral("&Test SMS")},
            {"cmdApply", QStringLiteral("A&pply Settings")},     {"cmdClose", QStringLiteral("Cl&ose")}};
        for (const auto& [name, caption] : buttons) {
            QVERIFY2(button(d, name), name);
            QCOMPARE(button(d, name)->text(), caption);
        }
    }

    void framesAndLabelsCarryTheirCaptions()
    {
        auto fx = startWindow();
        QWidget* d = fx->window().settingsDialog();
        QStringList frames;
        for (const QGroupBox* frame : d->findChildren<QGroupBox*>())
            frames << frame->title();
        for (const char* title : {"kWh Settings.", "Time Split Settings.", "Input Settings.", "Output Settings.",
                                  "Calculation Destination", "Communication Settings."})
            QVERIFY2(frames.contains(QString::fromUtf8(title)), title);
        QStringList labels;
        for (const QLabel* label : d->findChildren<QLabel*>())
            labels << label->text();
        for (const char* text :
             {"Day Time Cost per kWh £", "Night Time Cost per kWh £", "kWh Multiplier", "From", "To",
              "Day time Hours", "Night time Hours", "S1 Label:", "S2 Label:", "S1 Multi.", "S2 Multi.", "S1 EGU.",
              "S2 EGU.", "HI Limit:", "Interval:", "seconds", "Recipient Mobile Number:", "Test Message:",
              "Alarm Message:", "EGX400 IP/FQDN:", "Modem Comm Port:", "Comm Port Settings:"})
            QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    }

    void onlyTheWebPageOptionIsOffered()
    {
        auto fx = startWindow();
        QWidget* d = fx->window().settingsDialog();
        const QString captions[4] = {QStringLiteral("Web Page (HTML)"), QStringLiteral("Text File (TXT)"),
                                     QStringLiteral("MS Excel (CSV)"), QStringLiteral("Adobe (PDF)")};
        for (int i = 0; i < 4; ++i) {
            QVERIFY(option(d, i));
            QCOMPARE(option(d, i)->text(), captions[i]);
            QCOMPARE(option(d, i)->isVisibleTo(d), i == 0);
            QCOMPARE(option(d, i)->isEnabled(), i == 0);
        }
        QCOMPARE(static_cast<frmSettings*>(d)->optExport.size(), 4);
    }

    void editableBoxesAreLightGreenAndNightBoxesLocked()
    {
        auto fx = startWindow();
        QWidget* d = fx->window().settingsDialog();
        for (QLineEdit* box : d->findChildren<QLineEdit*>()) {
            const bool night = box->objectName() == QStringLiteral("txtNightFrom") ||
                               box->objectName() == QStringLiteral("txtNightTo");
            QVERIFY2(box->isReadOnly() == night, qPrintable(box->objectName()));
            if (night)
                QCOMPARE(box->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
            else
                QCOMPARE(box->palette().color(QPalette::Base), kLightGreen);
        }
    }

    // ---- Filling -----------------------------------------------------------

    void firstRunShowsDefaultsAndNoFormatSelected()
    {
        auto fx = startWindow();
        QWidget* d = fx->window().settingsDialog();
        QCOMPARE(edit(d, "txtMultiplier")->text(), QStringLiteral("1"));
        QCOMPARE(edit(d, "txtDayCost")->text(), QStringLiteral("0.16"));
        QCOMPARE(edit(d, "txtNightCost")->text(), QStringLiteral("0.09"));
        QCOMPARE(edit(d, "txtDayFrom")->text(), QStringLiteral("6"));
        QCOMPARE(edit(d, "txtDayTo")->text(), QStringLiteral("18"));
        QCOMPARE(edit(d, "txtNightFrom")->text(), QStringLiteral("18"));
        QCOMPARE(edit(d, "txtNightTo")->text(), QStringLiteral("6"));
        QCOMPARE(edit(d, "txtS1Label")->text(), QStringLiteral("Gas"));
        QCOMPARE(edit(d, "txtS1Egu")->text(), QStringLiteral("Ltr/Min"));
        QCOMPARE(edit(d, "txtS2Multi")->text(), QStringLiteral("1.0"));
        QCOMPARE(edit(d, "txtCommSettings")->text(), QStringLiteral("460800,n,8,1"));
        QCOMPARE(check(d, "chkURL")->checkState(), Qt::Unchecked);
        for (int i = 0; i < 4; ++i)
            QVERIFY(!option(d, i)->isChecked());
        QVERIFY(fx->window().cmdPulse->isHidden());
    }

    void storedValuesAreShownInTheirTextForms()
    {
        auto fx = startWindow({{"DayCost", "0.250"}, {"FromHour", "6.5"}, {"ToHour", "7.5"},
                               {"S2Label", "  Steam "}, {"AlarmInterval", "30"}, {"SendSMS", "1"}});
        QWidget* d = fx->window().settingsDialog();
        QCOMPARE(edit(d, "txtDayCost")->text(), QStringLiteral("0.25"));
        QCOMPARE(edit(d, "txtDayFrom")->text(), QStringLiteral("6"));
        QCOMPARE(edit(d, "txtDayTo")->text(), QStringLiteral("8"));
        QCOMPARE(edit(d, "txtS2Label")->text(), QStringLiteral("  Steam "));
        QCOMPARE(edit(d, "txtInterval")->text(), QStringLiteral("30"));
        QCOMPARE(check(d, "chkSMS")->checkState(), Qt::Checked);
    }

    void lastStoredTrueFormatIsSelectedEvenWhenHidden()
    {
        auto fx = startWindow({{"HTM", "True"}, {"CSV", "True"}});
        QWidget* d = fx->window().settingsDialog();
        QVERIFY(!option(d, 0)->isChecked());
        QVERIFY(!option(d, 1)->isChecked());
        QVERIFY(option(d, 2)->isChecked());
        QVERIFY(!option(d, 2)->isVisibleTo(d));
    }

    void storedSwitchTwoShowsGreyedAndOtherValuesUnticked()
    {
        auto fx = startWindow({{"StoreLocal", "2"}, {"AlarmLog", "5"}, {"MonitorAlarm", "1"}});
        QWidget* d = fx->window().settingsDialog();
        QCOMPARE(check(d, "chkStore")->checkState(), Qt::PartiallyChecked);
        QCOMPARE(check(d, "chkAlarmLog")->checkState(), Qt::Unchecked);
        QCOMPARE(check(d, "chkAlarm")->checkState(), Qt::Checked);
    }

    void clickingAGreyedBoxTicksItAndLeavesItTwoState()
    {
        auto fx = startWindow({{"StoreLocal", "2"}});
        QCheckBox* box = check(fx->window().settingsDialog(), "chkStore");
        box->click();
        QCOMPARE(box->checkState(), Qt::Checked);
        box->click();
        QCOMPARE(box->checkState(), Qt::Unchecked);
        box->click();
        QCOMPARE(box->checkState(), Qt::Checked);
    }

    void greyedBoxIsAppliedAsTwoAndShowsGreyedAgain()
    {
        auto fx = startWindow({{"MonitorAlarm", "2"}});
        frmSettings* d = fx->window().settingsDialog();
        button(d, "cmdApply")->click();
        QCOMPARE(storedText("MonitorAlarm"), std::optional<std::string>("2"));
        d->getSKSettings();
        QCOMPARE(check(d, "chkAlarm")->checkState(), Qt::PartiallyChecked);
    }

    // ---- Night hours follow day hours ----------------------------------------

    void typedDayHoursAreCopiedToTheNightBoxes()
    {
        auto fx = startWindow();
        QWidget* d = fx->window().settingsDialog();
        d->show();
        typeInto(edit(d, "txtDayFrom"), QStringLiteral("7"));
        QCOMPARE(edit(d, "txtNightTo")->text(), QStringLiteral("7"));
        QCOMPARE(edit(d, "txtNightFrom")->text(), QStringLiteral("18"));
        typeInto(edit(d, "txtDayTo"), QStringLiteral("22"));
        QCOMPARE(edit(d, "txtNightFrom")->text(), QStringLiteral("22"));
        QCOMPARE(edit(d, "txtNightTo")->text(), QStringLiteral("7"));
        typeInto(edit(d, "txtDayTo"), QString());
        QCOMPARE(edit(d, "txtNightFrom")->text(), QString());
        d->hide();
    }

    void nightBoxesCannotBeTypedInto()
    {
        auto fx = startWindow();
        QWidget* d = fx->window().settingsDialog();
        d->show();
        typeInto(edit(d, "txtNightFrom"), QStringLiteral("3"));
        QCOMPARE(edit(d, "txtNightFrom")->text(), QStringLiteral("18"));
        d->hide();
    }

    // ---- Format choice -----------------------------------------------------

    void clickedWebPageOptionIsAppliedAsTheOnlyTrueChoice()
    {
        auto fx = startWindow();
        QWidget* d = fx->window().settingsDialog();
        d->show();
        QTest::mouseClick(option(d, 0), Qt::LeftButton);
        QVERIFY(option(d, 0)->isChecked());
        // A selected option stays selected: the dialog offers no way back to "none".
        QTest::mouseClick(option(d, 0), Qt::LeftButton);
        QVERIFY(option(d, 0)->isChecked());
        QTest::mouseClick(button(d, "cmdApply"), Qt::LeftButton);
        QCOMPARE(storedText("HTM"), std::optional<std::string>("True"));
        QCOMPARE(storedText("Txt"), std::optional<std::string>("False"));
        QCOMPARE(storedText("CSV"), std::optional<std::string>("False"));
        d->hide();
    }

    void clickedOptionReplacesAStoredHiddenChoice()
    {
        auto fx = startWindow({{"CSV", "True"}});
        frmSettings* d = fx->window().settingsDialog();
        d->optExport[0]->click();
        QVERIFY(d->optExport[0]->isChecked());
        QVERIFY(!d->optExport[2]->isChecked());
        d->cmdApply->click();
        QCOMPARE(storedText("HTM"), std::optional<std::string>("True"));
        QCOMPARE(storedText("CSV"), std::optional<std::string>("False"));
    }

    // ---- Apply -------------------------------------------------------------

    void applyWritesAll28KeysWithTheirTextForms()
    {
        auto fx = startWindow();
        QWidget* d = fx->window().settingsDialog();
        d->show();
        typeInto(edit(d, "txtDayCost"), QStringLiteral(" 0.20 "));
        typeInto(edit(d, "txtS1Label"), QStringLiteral("Oil  "));
        typeInto(edit(d, "txtInterval"), QStringLiteral("ten"));
        typeInto(edit(d, "txtMobile"), QString());
        clickBox(check(d, "chkURL"));
        QTest::mouseClick(button(d, "cmdApply"), Qt::LeftButton);

        const std::map<std::string, std::string> expected = {
            {"DayCost", " 0.20 "}, {"NightCost", "0.09"}, {"Multiplier", "1"}, {"FromHour", "6"},
            {"ToHour", "18"}, {"PulseData", "1"}, {"PulseURL", "10.10.10.10"}, {"S1Label", "Oil  "},
            {"S2Label", "Water"}, {"S1Multi", "1.0"}, {"S2Multi", "1.0"}, {"StoreLocal", "0"},
            {"S1EGU", "Ltr/Min"}, {"S2EGU", "M/3"}, {"CommPort", "3"}, {"CommSettings", "460800,n,8,1"},
            {"SMSAlarmMsg", "OVER CURRENT ALARM"}, {"SMSTestMsg", "Brenvik Automation test SMS."},
            {"SMSNumber", ""}, {"AlarmHi", "240"}, {"AlarmInterval", "ten"}, {"AlarmLog", "0"},
            {"MonitorAlarm", "0"}, {"SendSMS", "0"}, {"HTM", "False"}, {"Txt", "False"}, {"CSV", "False"},
            {"Export", "0"}};
        QCOMPARE(expected.size(), std::size_t(28));
        for (const auto& [key, text] : expected)
            QVERIFY2(storedText(key.c_str()) == std::optional<std::string>(text),
                     (key + " is \"" + storedText(key.c_str()).value_or("<missing>") + "\"").c_str());

        // No message, the dialog stays open, the window's record is untouched.
        QVERIFY(fx->messages.isEmpty());
        QVERIFY(d->isVisible());
        QCOMPARE(fx->window().settings.settingsPulseData, qint16(0));
        QCOMPARE(fx->window().settings.settingsDayCost, 0.16);
        QCOMPARE(fx->window().settings.settingsS1Label, std::string("Gas"));
        d->hide();
    }

    void applyReportsAStoreThatCannotBeWritten()
    {
        auto fx = startWindow();
        frmSettings* d = fx->window().settingsDialog();
        // A folder where the store's file should be makes every write fail.
        const QString file = QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Lumivane"),
                                       QString::fromLatin1(lumivane::kMainExecutableName))
                                 .fileName();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
        d->cmdApply->click();
        QDir(file).removeRecursively();
        QCOMPARE(fx->messages.size(), 1);
        QVERIFY(fx->messages[0].text.contains(QStringLiteral("could not be saved")));
    }

    // ---- Close, frame close and the refresh ---------------------------------

    void pulseButtonFollowsAppliedSwitchOnlyAfterClose()
    {
        auto fx = startWindow();
        frmMain& w = fx->window();
        bool hiddenAfterApply = false;
        QVERIFY(throughSettingsButton(w, [&](frmSettings& d) {
            clickBox(check(&d, "chkURL"));
            QTest::mouseClick(button(&d, "cmdApply"), Qt::LeftButton);
            hiddenAfterApply = w.cmdPulse->isHidden();
            QTest::mouseClick(button(&d, "cmdClose"), Qt::LeftButton);
        }));
        QVERIFY(hiddenAfterApply);
        QVERIFY(!w.cmdPulse->isHidden());
        QCOMPARE(w.cmdPulse->text(), QStringLiteral("Gas && Water"));
        QCOMPARE(w.settings.settingsPulseData, qint16(1));

        QVERIFY(throughSettingsButton(w, [&](frmSettings& d) {
            d.chkURL->click();
            d.cmdApply->click();
            hiddenAfterApply = w.cmdPulse->isHidden();
            d.cmdClose->click();
        }));
        QVERIFY(!hiddenAfterApply);
        QVERIFY(w.cmdPulse->isHidden());
    }

    void editsClosedWithoutApplyAreDropped()
    {
        auto fx = startWindow({{"DayCost", "0.2"}});
        frmMain& w = fx->window();
        QVERIFY(throughSettingsButton(w, [&](frmSettings& d) {
            typeInto(d.txtDayCost, QStringLiteral("9.99"));
            typeInto(d.txtDayFrom, QStringLiteral("8"));
            d.chkAlarm->click();
            d.optExport[0]->click();
            d.cmdClose->click();
        }));
        deleteDeferred();
        frmSettings* d = w.settingsDialog();
        QVERIFY(d->isHidden());
        QCOMPARE(d->txtDayCost->text(), QStringLiteral("0.2"));
        QCOMPARE(d->txtDayFrom->text(), QStringLiteral("6"));
        QCOMPARE(d->txtNightTo->text(), QStringLiteral("6"));
        QCOMPARE(d->chkAlarm->checkState(), Qt::Unchecked);
        QVERIFY(!d->optExport[0]->isChecked());
        QVERIFY(!storedText("HTM"));
        QCOMPARE(w.settings.settingsDayCost, 0.2);
    }

    void closeButtonKeepsTheDialog()
    {
        auto fx = startWindow();
        frmMain& w = fx->window();
        const QPointer<frmSettings> before = w.settingsDialog();
        QVERIFY(throughSettingsButton(w, [](frmSettings& d) { d.cmdClose->click(); }));
        deleteDeferred();
        QVERIFY(before);
        QCOMPARE(w.settingsDialog(), before.data());
        QVERIFY(before->isHidden());
    }

    void frameCloseDestroysTheDialogAndANewOneIsFilledFromTheStore()
    {
        auto fx = startWindow();
        frmMain& w = fx->window();
        const QPointer<frmSettings> before = w.settingsDialog();
        QVERIFY(throughSettingsButton(w, [](frmSettings& d) {
            typeInto(d.txtDayCost, QStringLiteral("5"));
            d.close();
        }));
        QCOMPARE(w.settings.settingsDayCost, 0.16);
        deleteDeferred();
        QVERIFY(!before);

        // Saved elsewhere meanwhile: the new dialog's load handler reads the store afresh.
        fx->store().SaveSetting("DayCost", "0.3");
        frmSettings* again = w.settingsDialog();
        QVERIFY(again);
        QVERIFY(again->isHidden());
        QCOMPARE(again->txtDayCost->text(), QStringLiteral("0.3"));
        QCOMPARE(w.settings.settingsDayCost, 0.3);
    }

    // ---- Logs --------------------------------------------------------------

    void clearAnsweredOtherThanYesChangesNothing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No") << int(QMessageBox::No);
        QTest::newRow("Cancel") << int(QMessageBox::Cancel);
    }

    void clearAnsweredOtherThanYesChangesNothing()
    {
        QFETCH(int, answer);
        auto fx = startWindow();
        const QString log = fx->window().logsFolder + QStringLiteral("pulsedata.txt");
        writeFile(log, "01/03/2012 10:00:00,Gas,12,Water,3\r\n");
        fx->answer = static_cast<QMessageBox::StandardButton>(answer);
        fx->window().settingsDialog()->cmdClear->click();
        QCOMPARE(fx->messages.size(), 1);
        QCOMPARE(fx->messages[0].text, QStringLiteral("Are you sure you wish to clear the data file"));
        QCOMPARE(fx->messages[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(fx->messages[0].icon, QMessageBox::Critical);
        QCOMPARE(readAll(log), QByteArray("01/03/2012 10:00:00,Gas,12,Water,3\r\n"));
    }

    void clearAnsweredYesEmptiesTheLog()
    {
        auto fx = startWindow();
        const QString log = fx->window().logsFolder + QStringLiteral("pulsedata.txt");
        writeFile(log, "01/03/2012 10:00:00,Gas,12,Water,3\r\n");
        fx->answer = QMessageBox::Yes;
        fx->window().settingsDialog()->cmdClear->click();
        QCOMPARE(fx->messages.size(), 2);
        QCOMPARE(fx->messages[1].text, QStringLiteral("FILE CLEARED!"));
        QCOMPARE(fx->messages[1].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(QFile::exists(log));
        QCOMPARE(QFileInfo(log).size(), qint64(0));
    }

    void clearOnAMissingLogCreatesItEmpty()
    {
        auto fx = startWindow();
        const QString log = fx->window().logsFolder + QStringLiteral("pulsedata.txt");
        QFile::remove(log);
        fx->answer = QMessageBox::Yes;
        fx->window().settingsDialog()->cmdClear->click();
        QCOMPARE(fx->messages.size(), 2);
        QCOMPARE(fx->messages[1].text, QStringLiteral("FILE CLEARED!"));
        QVERIFY(QFileInfo(log).isFile());
        QCOMPARE(QFileInfo(log).size(), qint64(0));
    }

    void clearWithoutALogsFolderReportsThePathAndReason()
    {
        auto fx = startWindow();
        const QString folder = fx->window().logsFolder;
        const QString log = folder + QStringLiteral("pulsedata.txt");
        QVERIFY(QDir(folder).removeRecursively());
        QFile probe(log);
        QVERIFY(!probe.open(QIODevice::WriteOnly));
        fx->answer = QMessageBox::Yes;
        fx->window().settingsDialog()->cmdClear->click();
        QVERIFY(QDir().mkpath(folder));  // for the tests that follow
        QCOMPARE(fx->messages.size(), 2);
        QCOMPARE(fx->messages[1].text, QStringLiteral("The data file \"%1\" could not be created: %2")
                                           .arg(QDir::toNativeSeparators(log), probe.errorString()));
        QCOMPARE(fx->messages[1].icon, QMessageBox::Warning);
    }

    void viewOnAMissingLogSaysSo()
    {
        auto fx = startWindow();
        QFile::remove(fx->window().logsFolder + QStringLiteral("pulsedata.txt"));
        fx->window().settingsDialog()->cmdViewFile->click();
        QCOMPARE(fx->messages.size(), 1);
        QCOMPARE(fx->messages[0].text, QStringLiteral("File does not exist!"));
        QCOMPARE(fx->messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(fx->desktop().viewed.isEmpty());
    }

    void viewOnAnExistingLogOpensItInTheTextViewer()
    {
        auto fx = startWindow();
        const QString log = fx->window().logsFolder + QStringLiteral("pulsedata.txt");
        writeFile(log, "x\r\n");
        fx->window().settingsDialog()->cmdViewFile->click();
        QVERIFY(fx->messages.isEmpty());
        QCOMPARE(fx->desktop().viewed, QStringList{log});
    }

    void alarmLogIsOpenedWithoutCheckingItExists()
    {
        auto fx = startWindow();
        const QString log = fx->window().logsFolder + QStringLiteral("alarmdata.txt");
        QFile::remove(log);
        fx->window().settingsDialog()->Command2->click();
        QVERIFY(fx->messages.isEmpty());
        QCOMPARE(fx->desktop().viewed, QStringList{log});
    }
};

QTEST_MAIN(FrmSettingsTest)
#include "frm_settings_test.moc"

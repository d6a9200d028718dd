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

#include "ui/settings_dialog/frm_settings.h"
#include "core/text/app_facts.h"
#include "support/main_window_fixture.h"

using lumivane::SettingsStore;
using lumivane::test::MainWindowFixture;
using lumivane::test::StoredSettings;

namespace {

// Control name -> what it shows: a box's text, or "ticked", "greyed", "clear".
using Shown = std::map<QString, QString>;

const QByteArray kPulseRecord("01/03/2012 10:00:00,Gas,12,Water,3\r\n");

QString shown(QWidget* d, const QString& name)
{
    if (auto* box = d->findChild<QLineEdit*>(name))
        return box->text();
    if (auto* box = d->findChild<QCheckBox*>(name))
        return box->checkState() == Qt::Checked ? QStringLiteral("ticked")
               : box->checkState() == Qt::PartiallyChecked ? QStringLiteral("greyed")
                                                           : QStringLiteral("clear");
    if (auto* choice = d->findChild<QRadioButton*>(name))
        return choice->isChecked() ? QStringLiteral("ticked") : QStringLiteral("clear");
    return QStringLiteral("<no control>");
}

// What another reader of the store would see now.
std::optional<std::string> storedText(const char* key)
{
    return SettingsStore(QString::fromLatin1(lumivane::kMainExecutableName)).GetSetting(key);
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
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The window's start-up may have reported missing pictures; the tests look at their own messages only.
std::unique_ptr<MainWindowFixture> startWindow(StoredSettings stored = {})
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

    void dialogCarriesEveryControlCaptionAndColour()
    {
        auto fx = startWindow();
        frmSettings* d = fx->window().settingsDialog();
        QVERIFY(d);
        QCOMPARE(d->windowTitle(), QStringLiteral("Settings"));
        QVERIFY(d->isModal());
        QVERIFY(d->isHidden());
        QCOMPARE(fx->window().findChild<frmSettings*>(), d);

        // Editable boxes are light green; the night boxes are locked in the button-face colour.
        const char* boxes[] = {"txtDayCost", "txtNightCost", "txtMultiplier", "txtDayFrom", "txtDayTo",
                               "txtNightFrom", "txtNightTo", "txtURL", "txtS1Label", "txtS2Label", "txtS1Multi",
                               "txtS2Multi", "txtS1Egu", "txtS2Egu", "txtAlarmHi", "txtInterval", "txtMobile",
                               "txtTestSMS", "txtAlarmSMS", "txtCommPort", "txtCommSettings"};
        QCOMPARE(d->findChildren<QLineEdit*>().size(), qsizetype(std::size(boxes)));
        for (const char* name : boxes) {
            auto* box = d->findChild<QLineEdit*>(QString::fromLatin1(name));
            QVERIFY2(box, name);
            const bool night = qstrcmp(name, "txtNightFrom") == 0 || qstrcmp(name, "txtNightTo") == 0;
            QVERIFY2(box->isReadOnly() == night, name);
            QCOMPARE(box->palette().color(QPalette::Base),
                     night ? QApplication::palette().color(QPalette::Button) : QColor(192, 255, 192));
        }

        const std::map<const char*, QString> buttons = {
            {"chkURL", QStringLiteral("&Enable Pulse")},      {"chkStore", QStringLiteral("Store Lo&cally")},
            {"chkAlarm", QStringLiteral("Monitor Alarm.")},   {"chkAlarmLog", QStringLiteral("Store Locall&y")},
            {"chkExport", QStringLiteral("Export to File")},  {"cmdViewFile", QStringLiteral("View &Local File")},
            {"chkSMS", QStringLiteral("&Send SMS on Alarm [REQUIRES HARDWARE]")},
            {"cmdClear", QStringLiteral("&Clear Local File")}, {"Command2", QStringLiteral("View &Alarm Log")},
            {"cmdTestSMS", QStringLiteral("&Test SMS")},      {"cmdApply", QStringLiteral("A&pply Settings")},
            {"cmdClose", QStringLiteral("Cl&ose")}};
        for (const auto& [name, caption] : buttons) {
            auto* button = d->findChild<QAbstractButton*>(QString::fromLatin1(name));
            QVERIFY2(button, name);
            QCOMPARE(button->text(), caption);
        }

        // Only the web page is offered; the other formats stay, hidden and disabled, for stored choices.
        const QString formats[4] = {QStringLiteral("Web Page (HTML)"), QStringLiteral("Text File (TXT)"),
                                    QStringLiteral("MS Excel (CSV)"), QStringLiteral("Adobe (PDF)")};
        QCOMPARE(d->optExport.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(d->optExport[i]->objectName(), QStringLiteral("optExport_%1").arg(i));
            QCOMPARE(d->optExport[i]->text(), formats[i]);
            QCOMPARE(d->optExport[i]->isVisibleTo(d), i == 0);
            QCOMPARE(d->optExport[i]->isEnabled(), i == 0);
        }

        QStringList captions;
        for (const QGroupBox* frame : d->findChildren<QGroupBox*>())
            captions << frame->title();
        for (const QLabel* label : d->findChildren<QLabel*>())
            captions << label->text();
        for (const char* text :
             {"kWh Settings.", "Time Split Settings.", "Input Settings.", "Output Settings.", "Calculation Destination",
              "Communication Settings.", "Day Time Cost per kWh £", "Night Time Cost per kWh £", "kWh Multiplier",
              "From", "To", "Day time Hours", "Night time Hours", "S1 Label:", "S2 Label:", "S1 Multi.", "S2 Multi.",
              "S1 EGU.", "S2 EGU.", "HI Limit:", "Interval:", "seconds", "Recipient Mobile Number:", "Test Message:",
              "Alarm Message:", "EGX400 IP/FQDN:", "Modem Comm Port:", "Comm Port Settings:"})
            QVERIFY2(captions.contains(QString::fromUtf8(text)), text);
    }

    // ---- Filling -----------------------------------------------------------

    void storedSettingsAreShownInTheirTextForms_data()
    {
        QTest::addColumn<StoredSettings>("stored");
        QTest::addColumn<Shown>("expected");
        QTest::newRow("first run: defaults, no format selected")
            << StoredSettings{}
            << Shown{{"txtMultiplier", "1"}, {"txtDayCost", "0.16"}, {"txtNightCost", "0.09"},
                     {"txtDayFrom", "6"}, {"txtDayTo", "18"}, {"txtNightFrom", "18"}, {"txtNightTo", "6"},
                     {"txtS1Label", "Gas"}, {"txtS1Egu", "Ltr/Min"}, {"txtS2Multi", "1.0"},
                     {"txtCommSettings", "460800,n,8,1"}, {"chkURL", "clear"}, {"optExport_0", "clear"},
                     {"optExport_1", "clear"}, {"optExport_2", "clear"}, {"optExport_3", "clear"}};
        QTest::newRow("numbers in plain form, hours rounded halves to even, texts as stored")
            << StoredSettings{{"DayCost", "0.250"}, {"FromHour", "6.5"}, {"ToHour", "7.5"},
                              {"S2Label", "  Steam "}, {"AlarmInterval", "30"}}
            << Shown{{"txtDayCost", "0.25"}, {"txtDayFrom", "6"}, {"txtDayTo", "8"}, {"txtNightFrom", "8"},
                     {"txtNightTo", "6"}, {"txtS2Label", "  Steam "}, {"txtInterval", "30"}};
        QTest::newRow("the last true format wins, even a hidden one")
            << StoredSettings{{"HTM", "True"}, {"CSV", "True"}}
            << Shown{{"optExport_0", "clear"}, {"optExport_1", "clear"}, {"optExport_2", "ticked"}};
        QTest::newRow("switch 2 shows greyed, a value other than 0, 1, 2 unticked")
            << StoredSettings{{"StoreLocal", "2"}, {"AlarmLog", "5"}, {"MonitorAlarm", "1"}, {"SendSMS", "1"}}
            << Shown{{"chkStore", "greyed"}, {"chkAlarmLog", "clear"}, {"chkAlarm", "ticked"}, {"chkSMS", "ticked"}};
    }

    void storedSettingsAreShownInTheirTextForms()
    {
        QFETCH(StoredSettings, stored);
        QFETCH(Shown, expected);
        auto fx = startWindow(stored);
        QWidget* d = fx->window().settingsDialog();
        for (const auto& [name, value] : expected)
            QVERIFY2(shown(d, name) == value, qPrintable(name + QStringLiteral(" shows ") + shown(d, name)));
    }

    void greyedSwitchIsAppliedAsTwoAndAClickMakesItTwoState()
    {
        auto fx = startWindow({{"MonitorAlarm", "2"}});
        frmSettings* d = fx->window().settingsDialog();
        d->cmdApply->click();
        QCOMPARE(storedText("MonitorAlarm"), std::optional<std::string>("2"));
        d->getSKSettings();
        QCOMPARE(d->chkAlarm->checkState(), Qt::PartiallyChecked);
        // A click ticks a greyed box; from then on it only ticks and clears.
        for (Qt::CheckState next : {Qt::Checked, Qt::Unchecked, Qt::Checked}) {
            d->chkAlarm->click();
            QCOMPARE(d->chkAlarm->checkState(), next);
        }
    }

    // ---- Night hours follow day hours ----------------------------------------

    void typedDayHoursAreCopiedToTheLockedNightBoxes()
    {
        auto fx = startWindow();
        frmSettings* d = fx->window().settingsDialog();
        d->show();
        typeInto(d->txtDayFrom, QStringLiteral("7"));
        QCOMPARE(d->txtNightTo->text(), QStringLiteral("7"));
        QCOMPARE(d->txtNightFrom->text(), QStringLiteral("18"));
        typeInto(d->txtDayTo, QStringLiteral("22"));
        QCOMPARE(d->txtNightFrom->text(), QStringLiteral("22"));
        QCOMPARE(d->txtNightTo->text(), QStringLiteral("7"));
        typeInto(d->txtDayTo, QString());
        QCOMPARE(d->txtNightFrom->text(), QString());
        typeInto(d->txtNightTo, QStringLiteral("3"));
        QCOMPARE(d->txtNightTo->text(), QStringLiteral("7"));
        d->hide();
    }

    // ---- Format choice -----------------------------------------------------

    void clickedWebPageOptionIsAppliedAsTheOnlyTrueChoice_data()
    {
        QTest::addColumn<StoredSettings>("stored");
        QTest::newRow("first run, none selected") << StoredSettings{};
        QTest::newRow("a hidden choice stored") << StoredSettings{{"CSV", "True"}};
    }

    void clickedWebPageOptionIsAppliedAsTheOnlyTrueChoice()
    {
        QFETCH(StoredSettings, stored);
        auto fx = startWindow(stored);
        frmSettings* d = fx->window().settingsDialog();
        d->show();
        QTest::mouseClick(d->optExport[0], Qt::LeftButton);
        QVERIFY(d->optExport[0]->isChecked());
        QVERIFY(!d->optExport[2]->isChecked());
        // A selected option stays selected: the dialog offers no way back to "none".
        QTest::mouseClick(d->optExport[0], Qt::LeftButton);
        QVERIFY(d->optExport[0]->isChecked());
        QTest::mouseClick(d->cmdApply, Qt::LeftButton);
        QCOMPARE(storedText("HTM"), std::optional<std::string>("True"));
        QCOMPARE(storedText("Txt"), std::optional<std::string>("False"));
        QCOMPARE(storedText("CSV"), std::optional<std::string>("False"));
        d->hide();
    }

    // ---- Apply -------------------------------------------------------------

    void applyWritesAll28KeysWithTheirTextForms()
    {
        auto fx = startWindow();
        frmSettings* d = fx->window().settingsDialog();
        d->show();
        typeInto(d->txtDayCost, QStringLiteral(" 0.20 "));
        typeInto(d->txtS1Label, QStringLiteral("Oil  "));
        typeInto(d->txtInterval, QStringLiteral("ten"));
        typeInto(d->txtMobile, QString());
        clickBox(d->chkURL);
        QTest::mouseClick(d->cmdApply, Qt::LeftButton);

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
        // A folder where the store's file should be makes every write fail.
        const QString file = QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Lumivane"),
                                       QString::fromLatin1(lumivane::kMainExecutableName))
                                 .fileName();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
        fx->window().settingsDialog()->cmdApply->click();
        QDir(file).removeRecursively();
        QCOMPARE(fx->messages.size(), 1);
        QVERIFY(fx->messages[0].text.contains(QStringLiteral("could not be saved")));
        // Once the store can be written again, Apply saves and says nothing.
        fx->window().settingsDialog()->txtDayCost->setText(QStringLiteral("0.21"));
        fx->window().settingsDialog()->cmdApply->click();
        QCOMPARE(fx->messages.size(), 1);
        QCOMPARE(lumivane::SettingsStore(QString::fromLatin1(lumivane::kMainExecutableName)).GetSetting("DayCost"),
                 std::optional<std::string>("0.21"));
    }

    // ---- Close, frame close and the refresh ---------------------------------

    void pulseButtonFollowsAppliedSwitchOnlyAfterClose()
    {
        auto fx = startWindow();
        frmMain& w = fx->window();
        bool hiddenAfterApply = false;
        QVERIFY(throughSettingsButton(w, [&](frmSettings& d) {
            clickBox(d.chkURL);
            QTest::mouseClick(d.cmdApply, Qt::LeftButton);
            hiddenAfterApply = w.cmdPulse->isHidden();
            QTest::mouseClick(d.cmdClose, Qt::LeftButton);
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
        const QPointer<frmSettings> before = w.settingsDialog();
        QVERIFY(throughSettingsButton(w, [&](frmSettings& d) {
            typeInto(d.txtDayCost, QStringLiteral("9.99"));
            typeInto(d.txtDayFrom, QStringLiteral("8"));
            d.chkAlarm->click();
            d.optExport[0]->click();
            d.cmdClose->click();
        }));
        deleteDeferred();
        // Close keeps the dialog and refills it from the store.
        QCOMPARE(w.settingsDialog(), before.data());
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

    void clearAsksAndEmptiesThePulseLogOnlyOnYes_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("logExists");
        QTest::newRow("No changes nothing") << int(QMessageBox::No) << true;
        QTest::newRow("Cancel changes nothing") << int(QMessageBox::Cancel) << true;
        QTest::newRow("Yes empties the log") << int(QMessageBox::Yes) << true;
        QTest::newRow("Yes on a missing log creates it empty") << int(QMessageBox::Yes) << false;
    }

    void clearAsksAndEmptiesThePulseLogOnlyOnYes()
    {
        QFETCH(int, answer);
        QFETCH(bool, logExists);
        auto fx = startWindow();
        const QString log = fx->window().logsFolder + QStringLiteral("pulsedata.txt");
        if (logExists)
            writeFile(log, kPulseRecord);
        else
            QFile::remove(log);
        fx->answer = static_cast<QMessageBox::StandardButton>(answer);
        fx->window().settingsDialog()->cmdClear->click();

        QCOMPARE(fx->messages.value(0).text, QStringLiteral("Are you sure you wish to clear the data file"));
        QCOMPARE(fx->messages[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(fx->messages[0].icon, QMessageBox::Critical);
        if (answer != QMessageBox::Yes) {
            QCOMPARE(fx->messages.size(), 1);
            QCOMPARE(readAll(log), kPulseRecord);
            return;
        }
        QCOMPARE(fx->messages.size(), 2);
        QCOMPARE(fx->messages[1].text, QStringLiteral("FILE CLEARED!"));
        QCOMPARE(fx->messages[1].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
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

    void viewButtonsHandTheLogsToTheTextViewer()
    {
        auto fx = startWindow();
        frmSettings* d = fx->window().settingsDialog();
        const QString pulseLog = fx->window().logsFolder + QStringLiteral("pulsedata.txt");
        const QString alarmLog = fx->window().logsFolder + QStringLiteral("alarmdata.txt");
        QFile::remove(pulseLog);
        d->cmdViewFile->click();
        QCOMPARE(fx->messages.size(), 1);
        QCOMPARE(fx->messages[0].text, QStringLiteral("File does not exist!"));
        QCOMPARE(fx->messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(fx->desktop().viewed.isEmpty());

        writeFile(pulseLog, "x\r\n");
        d->cmdViewFile->click();
        // The alarm log is handed over without looking whether it exists.
        QFile::remove(alarmLog);
        d->Command2->click();
        QCOMPARE(fx->messages.size(), 1);
        QCOMPARE(fx->desktop().viewed, (QStringList{pulseLog, alarmLog}));
    }
};

QTEST_MAIN(FrmSettingsTest)
#include "frm_settings_test.moc"

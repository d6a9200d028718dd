// The settings dialog on the main window: it shows the stored settings, Apply
// hands its texts to the window, which stores them and takes them up when the
// dialog closes; the log buttons and Test SMS reach their services.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include "core/text/app_facts.h"
#include "support/main_window_fixture.h"

using lumivane::test::contentOf;
using lumivane::test::MainWindowFixture;

class FrmSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void applyStoresTheTypedTextsOrSaysWhyNotAndTheLogButtonsWork()
    {
        MainWindowFixture f({.stored = {{"DayCost", "0.2"}, {"S2Label", "Oil & Steam"}}});
        auto* pulse = f.find<QPushButton>("cmdPulse");
        bool hiddenAfterApply = false, storedWhenRefused = true;
        f.throughSettingsButton([&] {
            QCOMPARE(f.find<QLineEdit>("txtDayCost")->text(), QStringLiteral("0.2"));
            f.find<QLineEdit>("txtDayFrom")->setText("7");
            QCOMPARE(f.find<QLineEdit>("txtNightTo")->text(), QStringLiteral("7"));
            f.find<QCheckBox>("chkURL")->click();
            f.find<QLineEdit>("txtStandingCharge")->setText("0.45");
            f.find<QLineEdit>("txtVATRate")->setText("5");
            f.find<QLineEdit>("txtMeterDigits")->setText("5");
            f.find<QCheckBox>("chkJoinPeriods")->click();
            // What would switch monitoring off or reach a wrong number is refused, nothing stored.
            const struct {
                const char *control, *typed, *told;
            } refusals[] = {
                {"txtMobile", "0770x", "\"0770x\" is not a phone number"},
                {"txtMobile", "07700900123, 0770x", "\"0770x\" is not a phone number"},
                {"txtMobile", "+44 (0)7700 900123", "Write it as \"+447700900123\""},
                {"txtAlarmHi", "240A", "AlarmHi \"240A\" is not a number"},
                {"txtInterval", "ten", "AlarmInterval \"ten\" is not a number"},
                {"txtMultiplier", "x", "Multiplier \"x\" is not a number"},
                {"txtS1Multi", "1e306", "S1Multi \"1e306\" is too large"},
                {"txtNoData", "-1", "NoDataMinutes \"-1\" is not a whole number"},
                {"txtRepeat", "ten", "SMSRepeatMinutes \"ten\" is not a whole number"},
                {"txtStandingCharge", "0,45", "Standing charge per day \u00A3 \"0,45\" is not a number from 0 to 100"},
                {"txtVATRate", "100.5", "VAT % \"100.5\" is not a number from 0 to 100"},
                {"txtMeterDigits", "2.5", "Meter digits \"2.5\" is not a whole number from 0 to 12"},
            };
            for (const auto& r : refusals) {
                auto* edit = f.find<QLineEdit>(r.control);
                const QString before = edit->text();
                edit->setText(r.typed);
                f.find<QPushButton>("cmdApply")->click();
                QVERIFY2(!f.messages.isEmpty() && f.messages.constLast().contains(r.told), r.typed);
                edit->setText(before);
            }
            f.find<QLineEdit>("txtMobile")->clear();
            f.find<QCheckBox>("chkSMS")->setChecked(true);
            f.find<QPushButton>("cmdApply")->click();
            QVERIFY(f.messages.constLast().contains("there is no recipient number"));
            storedWhenRefused = f.store().GetSetting("AlarmHi").has_value();
            f.find<QCheckBox>("chkSMS")->setChecked(false);
            f.find<QLineEdit>("txtMobile")->setText("07700900123, +44 7700 900124");
            f.find<QLineEdit>("txtAlarmSMS")->setText(QString(113, 'x'));
            f.find<QPushButton>("cmdApply")->click();
            f.find<QLineEdit>("txtAlarmSMS")->setText("OVER CURRENT ALARM");
            f.find<QPushButton>("cmdApply")->click();
            hiddenAfterApply = pulse->isHidden();
            f.find<QPushButton>("cmdClose")->click();
        });
        QVERIFY(!storedWhenRefused);
        QCOMPARE(f.messages.size(), 14);
        QVERIFY(f.messages.constLast().startsWith("The alarm SMS can be 161 characters long"));
        f.messages.clear();
        QCOMPARE(f.store().GetSetting("SMSNumber"), std::optional<std::string>("07700900123, +44 7700 900124"));
        QVERIFY(hiddenAfterApply);
        QVERIFY(!pulse->isHidden());
        QCOMPARE(pulse->text(), QStringLiteral("Gas && Oil && Steam"));
        QCOMPARE(f.store().GetSetting("NoDataMinutes"), std::optional<std::string>("5"));
        QCOMPARE(f.store().GetSetting("FromHour"), std::optional<std::string>("7"));
        // The Billing group, built from the table of keys, stores and shows its keys like the others.
        for (const auto& [key, text] :
             {std::pair{"StandingCharge", "0.45"}, {"VATRate", "5"}, {"MeterDigits", "5"}, {"JoinPeriods", "1"}})
            QCOMPARE(f.store().GetSetting(key), std::optional<std::string>(text));
        f.throughSettingsButton([&] {
            QVERIFY(f.find<QCheckBox>("chkJoinPeriods")->isChecked());
            QCOMPARE(f.find<QLineEdit>("txtVATRate")->text(), QStringLiteral("5"));
            f.find<QPushButton>("cmdClose")->click();
        });

        // Edits closed without Apply are dropped; a dialog closed by its frame is made anew from the store.
        f.throughSettingsButton([&] {
            f.find<QLineEdit>("txtDayCost")->setText("9.99");
            f.find<QPushButton>("cmdClose")->click();
        });
        f.store().SaveSetting("DayCost", "0.3");
        f.throughSettingsButton([&] {
            QCOMPARE(f.find<QLineEdit>("txtDayCost")->text(), QStringLiteral("0.2"));
            QApplication::activeModalWidget()->close();
        });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        f.throughSettingsButton([&] { QCOMPARE(f.find<QLineEdit>("txtDayCost")->text(), QStringLiteral("0.3")); });

        // The log buttons view the logs, Clear clears on Yes (Enter keeps: below), and a missing log is told.
        const QString pulseLog = f.folders().logs + "pulsedata.txt";
        f.find<QPushButton>("cmdViewFile")->click();
        f.find<QPushButton>("Command2")->click();
        QCOMPARE(f.desktop().viewed, (QStringList{pulseLog, f.folders().logs + "alarmdata.txt"}));
        f.answer = QMessageBox::Yes;
        f.find<QPushButton>("cmdClear")->click();
        QCOMPARE(contentOf(pulseLog), QByteArray());
        QVERIFY(QFile::remove(pulseLog));
        f.find<QPushButton>("cmdViewFile")->click();
        QCOMPARE(f.messages, (QStringList{"Are you sure you wish to clear the data file", "FILE CLEARED!",
                                          "File does not exist!"}));

        // A save the store refuses is told; once it can be written again, Apply saves and says no more.
        // (A damaged line elsewhere in the file is the store's own test.)
        f.messages.clear();
        const QString storeFile = QSettings(QSettings::NativeFormat, QSettings::UserScope, "Lumivane",
                                            QString::fromLatin1(lumivane::kMainExecutableName))
                                      .fileName();
        QFile::remove(storeFile);
        QVERIFY(QDir().mkpath(storeFile));  // a folder where the file should be
        f.find<QLineEdit>("txtDayCost")->setText("0.21");
        f.find<QPushButton>("cmdApply")->click();
        QDir(storeFile).removeRecursively();
        QCOMPARE(f.messages, QStringList{"The settings could not be saved: the settings store cannot be written."});
        f.find<QPushButton>("cmdApply")->click();
        QCOMPARE(f.messages.size(), 1);
        QCOMPARE(lumivane::SettingsStore(QString::fromLatin1(lumivane::kMainExecutableName)).GetSetting("DayCost"),
                 std::optional<std::string>("0.21"));
    }

    void enterOnTheClearQuestionKeepsThePulseLog()
    {
        MainWindowFixture f({.realMessageBoxes = true});
        f.find<QPushButton>("cmdClear")->click();
        QCOMPARE(f.messages, QStringList{"Lumivane 2012 R: Are you sure you wish to clear the data file"});
        QCOMPARE(contentOf(f.folders().logs + "pulsedata.txt"), QByteArray("\r\n"));
    }
};

QTEST_MAIN(FrmSettingsTest)
#include "frm_settings_test.moc"

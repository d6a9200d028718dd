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
            f.find<QLineEdit>("txtInterval")->setText("ten");
            f.find<QCheckBox>("chkURL")->click();
            // A number the modem cannot take is refused, nothing stored; an empty one only while SMS is on.
            f.find<QLineEdit>("txtMobile")->setText("0770x");
            f.find<QPushButton>("cmdApply")->click();
            f.find<QLineEdit>("txtMobile")->clear();
            f.find<QCheckBox>("chkSMS")->setChecked(true);
            f.find<QPushButton>("cmdApply")->click();
            storedWhenRefused = f.store().GetSetting("AlarmInterval").has_value();
            f.find<QCheckBox>("chkSMS")->setChecked(false);
            f.find<QPushButton>("cmdApply")->click();
            hiddenAfterApply = pulse->isHidden();
            f.find<QPushButton>("cmdClose")->click();
        });
        QVERIFY(!storedWhenRefused);
        QCOMPARE(f.messages.filter("is not a phone number").size(), 2);
        f.messages.clear();
        QCOMPARE(f.store().GetSetting("SMSNumber"), std::optional<std::string>(""));
        QVERIFY(hiddenAfterApply);
        QVERIFY(!pulse->isHidden());
        QCOMPARE(pulse->text(), QStringLiteral("Gas && Oil && Steam"));
        QCOMPARE(f.store().GetSetting("AlarmInterval"), std::optional<std::string>("ten"));
        QCOMPARE(f.store().GetSetting("FromHour"), std::optional<std::string>("7"));

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

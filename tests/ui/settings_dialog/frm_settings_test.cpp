// The settings dialog on the main window: it shows the stored settings, Apply
// hands its texts to the window, which stores them and takes them up when the
// dialog closes; the log buttons and Test SMS reach their services.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "core/text/app_facts.h"
#include "support/main_window_fixture.h"

using lumivane::test::contentOf;
using lumivane::test::MainWindowFixture;

namespace {

QString storeFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Lumivane",
                     QString::fromLatin1(lumivane::kMainExecutableName))
        .fileName();
}

// Clicks Edit Settings and runs `inside` while the dialog is shown modally.
void throughSettingsButton(MainWindowFixture& f, const std::function<void()>& inside)
{
    QTimer::singleShot(0, [&] {
        inside();
        if (auto* dialog = QApplication::activeModalWidget())  // a step that left it open would hang the test
            dialog->close();
    });
    f.find<QPushButton>("cmdSettings")->click();
}

}  // namespace

class FrmSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void appliedTextsAreStoredAndTakenUpWhenTheDialogClosesAndLogButtonsWork()
    {
        MainWindowFixture f({.stored = {{"DayCost", "0.2"}, {"S2Label", "Oil & Steam"}}});
        auto* pulse = f.find<QPushButton>("cmdPulse");
        bool hiddenAfterApply = false;
        throughSettingsButton(f, [&] {
            QCOMPARE(f.find<QLineEdit>("txtDayCost")->text(), QStringLiteral("0.2"));
            f.find<QLineEdit>("txtDayFrom")->setText("7");
            QCOMPARE(f.find<QLineEdit>("txtNightTo")->text(), QStringLiteral("7"));
            f.find<QLineEdit>("txtInterval")->setText("ten");
            f.find<QCheckBox>("chkURL")->click();
            f.find<QPushButton>("cmdApply")->click();
            hiddenAfterApply = pulse->isHidden();
            f.find<QPushButton>("cmdClose")->click();
        });
        QVERIFY(hiddenAfterApply);
        QVERIFY(!pulse->isHidden());
        QCOMPARE(pulse->text(), QStringLiteral("Gas && Oil && Steam"));
        QCOMPARE(f.store().GetSetting("AlarmInterval"), std::optional<std::string>("ten"));
        QCOMPARE(f.store().GetSetting("FromHour"), std::optional<std::string>("7"));

        // Edits closed without Apply are dropped; a dialog closed by its frame is made anew from the store.
        throughSettingsButton(f, [&] {
            f.find<QLineEdit>("txtDayCost")->setText("9.99");
            f.find<QPushButton>("cmdClose")->click();
        });
        f.store().SaveSetting("DayCost", "0.3");
        throughSettingsButton(f, [&] {
            QCOMPARE(f.find<QLineEdit>("txtDayCost")->text(), QStringLiteral("0.2"));
            QApplication::activeModalWidget()->close();
        });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        throughSettingsButton(f, [&] { QCOMPARE(f.find<QLineEdit>("txtDayCost")->text(), QStringLiteral("0.3")); });
        QVERIFY(f.messages.isEmpty());

        // The log buttons view the logs and Clear asks before clearing.
        const QString pulseLog = f.folders().logs + "pulsedata.txt";
        QFile::remove(pulseLog);
        f.find<QPushButton>("cmdViewFile")->click();
        QCOMPARE(f.messages, QStringList{"File does not exist!"});
        QFile log(pulseLog);
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write("S1=1\r\n") > 0);
        log.close();
        f.find<QPushButton>("cmdViewFile")->click();
        f.find<QPushButton>("Command2")->click();
        QCOMPARE(f.desktop().viewed, (QStringList{pulseLog, f.folders().logs + "alarmdata.txt"}));

        f.answer = QMessageBox::No;
        f.find<QPushButton>("cmdClear")->click();
        QCOMPARE(contentOf(pulseLog), QByteArray("S1=1\r\n"));
        f.answer = QMessageBox::Yes;
        f.find<QPushButton>("cmdClear")->click();
        QCOMPARE(contentOf(pulseLog), QByteArray());
        QCOMPARE(f.messages.mid(1), (QStringList{"Are you sure you wish to clear the data file",
                                                 "Are you sure you wish to clear the data file", "FILE CLEARED!"}));
    }

    void applyTellsWhenTheStoreCannotBeWritten()
    {
        const struct {
            const char* name;
            QByteArray storeContent;  // empty: a folder in the store file's place
            bool saved;
        } rows[] = {{"a damaged line elsewhere in the file", "[Settings]\nS1Label=Gas\n[Broken\n", true},
                    {"a folder where the file should be", {}, false}};
        const QStringList refused{"The settings could not be saved: the settings store cannot be written."};
        for (const auto& row : rows) {
            MainWindowFixture f;
            QFile::remove(storeFile());
            QFile file(storeFile());
            QVERIFY(row.saved ? file.open(QIODevice::WriteOnly) && file.write(row.storeContent) > 0
                              : QDir().mkpath(storeFile()));
            file.close();
            f.find<QLineEdit>("txtDayCost")->setText("0.21");
            f.find<QPushButton>("cmdApply")->click();
            QDir(storeFile()).removeRecursively();
            QCOMPARE(f.messages, row.saved ? QStringList{} : refused);
            // Once the store can be written again, Apply saves and says nothing more.
            f.find<QPushButton>("cmdApply")->click();
            QVERIFY2(f.messages.size() == (row.saved ? 0 : 1), row.name);
            QCOMPARE(lumivane::SettingsStore(QString::fromLatin1(lumivane::kMainExecutableName)).GetSetting("DayCost"),
                     std::optional<std::string>("0.21"));
        }
    }

    // A recipient the modem cannot take is refused on Apply with a message, and nothing is stored.
    void applyRefusesARecipientTheModemCannotTake()
    {
        const struct {
            const char* number;
            bool smsOn;
            bool stored;
        } cases[] = {{"+44 (7700) 900-123", true, true},
                     {"", false, true},
                     {"", true, false},
                     {"0770x", false, false},
                     {"0770\";D", true, false}};
        for (const auto& c : cases) {
            MainWindowFixture f({.stored = {{"SMSNumber", "07700900123"}}});
            f.find<QLineEdit>("txtMobile")->setText(QString::fromLatin1(c.number));
            f.find<QCheckBox>("chkSMS")->setChecked(c.smsOn);
            f.find<QPushButton>("cmdApply")->click();
            QCOMPARE(f.store().GetSetting("SMSNumber"),
                     std::optional<std::string>(c.stored ? c.number : "07700900123"));
            QCOMPARE(f.messages.size(), c.stored ? 0 : 1);
            if (!c.stored)
                QVERIFY2(f.messages.value(0).contains("is not a phone number"), qPrintable(f.messages.value(0)));
        }
    }

    void enterOnTheClearQuestionKeepsThePulseLog()
    {
        lumivane::test::WindowOptions realBoxes;
        realBoxes.realMessageBoxes = true;
        MainWindowFixture f(realBoxes);
        const QString pulseLog = f.folders().logs + "pulsedata.txt";
        QStringList asked;
        QTimer enter;  // answers each real box from the event loop its exec() runs
        connect(&enter, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked << box->text();
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        enter.start(10);
        f.find<QPushButton>("cmdClear")->click();
        QCOMPARE(asked, QStringList{"Are you sure you wish to clear the data file"});
        QCOMPARE(contentOf(pulseLog), QByteArray("\r\n"));
    }
};

QTEST_MAIN(FrmSettingsTest)
#include "frm_settings_test.moc"

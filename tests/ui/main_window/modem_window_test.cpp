// The main window's SMS sender: sendModemSMS reads the record, testSMS shows
// the outcome in a message box. The modem is scripted on a pseudo-terminal.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <memory>

#include "platform/serial_modem.h"
#include "platform/settings_store.h"
#include "core/text/app_facts.h"
#include "ui/main_window/frm_main.h"
#include "support/fixed_clock.h"
#include "support/main_window_fixture.h"
#include "support/modem_on_pty.h"

using lumivane::SerialModem;
using lumivane::test::MainWindowFixture;
using lumivane::test::ScriptedModem;
using namespace std::chrono_literals;

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    int buttonCount = 0;
};

// Closes every modal message box as it appears, with its OK button, and notes
// what it showed. Polls from the event loop that the box's own exec() runs.
class MessageBoxCloser {
public:
    MessageBoxCloser()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen.append({box->windowTitle(), box->text(), box->standardButtons(),
                         static_cast<int>(box->buttons().size())});
            if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        });
        timer_.start();
    }
    QList<SeenBox> seen;

private:
    QTimer timer_;
};

}  // namespace

class ModemWindowTest : public lumivane::test::ModemOnPtyTestCase {
    Q_OBJECT

private slots:

    void testSmsShowsTheResultInABoxTitledWithTheApplicationTitle()
    {
        modem->actAsWorkingModem();
        modem->start();
        lumivane::SettingsStore store(QString::fromLatin1(lumivane::kMainExecutableName));
        MainWindowFixture::clearStore(store);
        store.SaveSetting("CommPort", port.toStdString());
        lumivane::test::FixedClock clock;
        lumivane::test::RecordingDesktop desktop;
        MainWindowEnvironment environment;  // no message box recorder: the real box is shown
        environment.programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
        environment.store = &store;
        environment.clock = &clock;
        environment.desktop = &desktop;

        MessageBoxCloser closer;
        frmMain w(std::move(environment));
        closer.seen.clear();  // start-up boxes (a missing picture) are not what this test is about

        w.testSMS(QStringLiteral("07700900123"), QStringLiteral("Test text"));
        modem->stop();

        QCOMPARE(closer.seen.size(), 1);
        const SeenBox& box = closer.seen.first();
        QCOMPARE(box.title, QStringLiteral("Lumivane 2012 R"));
        QCOMPARE(box.text, kSentOk);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.buttonCount, 1);
        QCOMPARE(modem->commands().back(), std::string("Test text\x1a"));
    }

    void testSmsShowsWhatFailedWhenEveryExchangeTimesOut()
    {
        modem->start();  // a modem that never answers
        MainWindowFixture fx({{"CommPort", port.toStdString()}});
        frmMain& w = fx.window();
        w.MSComm1 = new SerialModem(&w);
        w.MSComm1->setReplyTimeout(300ms);
        fx.messages.clear();

        w.testSMS(QStringLiteral("07700900123"), QStringLiteral("hello"));

        QCOMPARE(fx.messages.size(), 1);
        QCOMPARE(fx.messages[0].text, QStringLiteral("ATZ - Timeout\nAT+CMGF=1: Timeout\nAT+CSCS= Timeout\n"
                                                     ">Prompt Timeout\nMessage Timeout"));
        QCOMPARE(fx.messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(fx.messages[0].icon, QMessageBox::NoIcon);
        QVERIFY(!w.MSComm1->isPortOpen());
    }

    void testSmsShowsTheRefusalOfANumberThatIsNoPhoneNumber()
    {
        modem->actAsWorkingModem();
        modem->start();
        MainWindowFixture fx({{"CommPort", port.toStdString()}});
        fx.messages.clear();
        fx.window().testSMS(QStringLiteral("+44 7700"), QStringLiteral("hello"));
        modem->stop();
        QCOMPARE(fx.messages.size(), 1);
        QVERIFY2(fx.messages[0].text.startsWith(QStringLiteral("The recipient number \"+44 7700\" is not a phone number")),
                 qPrintable(fx.messages[0].text));
        QCOMPARE(modem->received(), std::string());
    }

    void sendModemSmsUsesThePortAndLineSettingsOfTheRecordReadAnewEachTime()
    {
        modem->actAsWorkingModem();
        modem->start();
        MainWindowFixture fx(lumivane::test::StoredSettings{{"CommPort", "/dev/does-not-exist"}});
        frmMain& w = fx.window();
        QVERIFY(!w.MSComm1);

        // The record, not the store, decides: the store still names a missing port.
        w.settings.settingsCommPort = port.toStdString();
        QCOMPARE(w.sendModemSMS(QStringLiteral("07700900123"), QStringLiteral("first")), kSentOk);
        QVERIFY(w.MSComm1);
        QCOMPARE(w.MSComm1->parent(), &w);

        w.settings.settingsCommSettings = "9600,x,8,1";
        const QString refused = w.sendModemSMS(QStringLiteral("07700900123"), QStringLiteral("second"));
        QVERIFY2(refused.contains(QStringLiteral("\"9600,x,8,1\"")), qPrintable(refused));

        w.settings.settingsCommPort = "/dev/does-not-exist";
        w.settings.settingsCommSettings = "460800,n,8,1";
        const QString missing = w.sendModemSMS(QStringLiteral("07700900123"), QStringLiteral("third"));
        QVERIFY2(missing.contains(QStringLiteral("/dev/does-not-exist")), qPrintable(missing));
        modem->stop();

        QCOMPARE(modem->commands().size(), std::size_t(5));  // only the first dialogue reached the modem
        QCOMPARE(modem->commands().back(), std::string("first\x1a"));
    }
};

QTEST_MAIN(ModemWindowTest)
#include "modem_window_test.moc"

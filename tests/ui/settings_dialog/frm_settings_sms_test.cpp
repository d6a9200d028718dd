// The settings dialog's test SMS, sent through the main window to a scripted
// modem on a pseudo-terminal.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

#include "ui/settings_dialog/frm_settings.h"
#include "support/main_window_fixture.h"
#include "support/pty_pair.h"
#include "support/scripted_modem.h"

using lumivane::test::MainWindowFixture;
using lumivane::test::PtyPair;
using lumivane::test::ScriptedModem;

class FrmSettingsSmsTest : public QObject {
    Q_OBJECT

private slots:
    void testSmsSendsTheOnScreenNumberAndTextWithTheButtonDisabledMeanwhile()
    {
        PtyPair pty;
        QVERIFY2(pty.isOpen(), pty.error().c_str());
        ScriptedModem modem(pty);
        modem.actAsWorkingModem();
        modem.start();

        // The port comes from the store as loaded at start-up; number and text from the screen.
        MainWindowFixture fx({{"CommPort", pty.slavePath()},
                              {"SMSNumber", "07700900123"},
                              {"SMSTestMsg", "Stored test text"}});
        fx.messages.clear();
        frmSettings* d = fx.window().settingsDialog();
        auto* number = d->findChild<QLineEdit*>(QStringLiteral("txtMobile"));
        auto* text = d->findChild<QLineEdit*>(QStringLiteral("txtTestSMS"));
        auto* send = d->findChild<QPushButton*>(QStringLiteral("cmdTestSMS"));
        QVERIFY(number && text && send);
        number->setText(QStringLiteral("07700900999"));
        text->setText(QStringLiteral("Typed on screen"));

        // The modem dialogue lets events run; sample the button's state while it does.
        QList<bool> enabledWhileSending;
        QTimer sampler;
        sampler.setInterval(0);
        QObject::connect(&sampler, &QTimer::timeout, [&] { enabledWhileSending << send->isEnabled(); });
        sampler.start();
        send->click();
        sampler.stop();
        modem.stop();

        const std::vector<std::string> commands = modem.commands();
        QVERIFY2(std::find(commands.begin(), commands.end(), "AT+CMGS=\"07700900999\"\r") != commands.end(),
                 modem.received().c_str());
        QVERIFY(std::find(commands.begin(), commands.end(), "Typed on screen\x1a") != commands.end());
        QVERIFY(!enabledWhileSending.isEmpty());
        QVERIFY(!enabledWhileSending.contains(true));
        QVERIFY(send->isEnabled());
        QCOMPARE(fx.messages.size(), 1);
        QCOMPARE(fx.messages[0].text, QStringLiteral("Message Sent OK!"));
        // Sending saves nothing.
        QCOMPARE(fx.store().GetSetting("SMSNumber"), std::optional<std::string>("07700900123"));
    }
};

QTEST_MAIN(FrmSettingsSmsTest)
#include "frm_settings_sms_test.moc"

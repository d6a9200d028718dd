#include "ui/main_window/sms_sender.h"

#include "platform/serial_modem.h"
#include "platform/utf8_text.h"

SmsSender::SmsSender(QWidget* owner, MessageBoxFunction messageBox)
    : QObject(owner), owner_(owner), messageBox_(std::move(messageBox))
{
}

void SmsSender::setSettings(const lumivane::SettingsRecord& settings) { settings_ = settings; }

QString SmsSender::sendModemSMS(const QString& sNum, const QString& sMsg)
{
    // Made on first use and owned here, so it lives as long as the window.
    if (!MSComm1)
        MSComm1 = new lumivane::SerialModem(this);
    // The port and line settings as last loaded into the record, read anew for
    // every dialogue: what is typed in the open settings dialog does not count.
    return MSComm1->sendSMS(lumivane::qtText(settings_.settingsCommPort),
                            lumivane::qtText(settings_.settingsCommSettings), sNum, sMsg,
                            [this](const QString& text) { reportModemTimeout(text); });
}

void SmsSender::testSMS(const QString& sNum, const QString& sMsg)
{
    const QString result = sendModemSMS(sNum, sMsg);
    showMessageBox(messageBox_, owner_, result);
}

void SmsSender::reportModemTimeout(const QString& text)
{
    // Nothing to show on its own: every time-out is already part of the text that
    // sendModemSMS returns, which the test button shows; an alarm SMS drops it,
    // and a box popping up mid-dialogue would only hold up the alarm.
    Q_UNUSED(text);
}

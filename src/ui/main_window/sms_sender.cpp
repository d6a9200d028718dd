#include "ui/main_window/sms_sender.h"

#include <QPointer>

#include "core/gateway/modem_dialogue.h"
#include "platform/serial_modem.h"
#include "platform/utf8_text.h"

SmsSender::SmsSender(QWidget* owner, MessageBoxFunction messageBox)
    : QObject(owner), owner_(owner), messageBox_(std::move(messageBox))
{
}

void SmsSender::setSettings(const lumivane::SettingsRecord& settings) { settings_ = settings; }

lumivane::SerialModem* SmsSender::modem()
{
    // Made on first use and owned here, so it lives as long as the window.
    if (!MSComm1)
        MSComm1 = new lumivane::SerialModem(this);
    return MSComm1;
}

void SmsSender::sendModemSMS(const QString& sNum, const QString& sMsg, std::function<void(const QString&)> finished)
{
    // The port and line settings as last loaded into the record, read anew for
    // every dialogue: what is typed in the open settings dialog does not count.
    modem()->sendSMS(lumivane::qtText(settings_.settingsCommPort), lumivane::qtText(settings_.settingsCommSettings),
                     sNum, sMsg, std::move(finished));
}

void SmsSender::sendAlarmSMS(const QString& sNum, const QString& sMsg)
{
    sendModemSMS(sNum, sMsg, [this](const QString& result) { reportModemTimeout(result); });
}

void SmsSender::testSMS(const QString& sNum, const QString& sMsg, std::function<void()> finished)
{
    QPointer<SmsSender> self(this);
    sendModemSMS(sNum, sMsg, [self, finished = std::move(finished)](const QString& result) {
        if (!self)
            return;
        showMessageBox(self->messageBox_, self->owner_, result);
        if (finished)
            finished();
    });
}

void SmsSender::reportModemTimeout(const QString& text)
{
    // One line however many exchanges failed: the results area and the alarm log
    // keep one line per event.
    QString outcome = text;
    outcome.replace(QLatin1Char('\n'), QStringLiteral("; "));
    emit alarmSmsReported(text.startsWith(QLatin1String(lumivane::kModemSentOk))
                              ? QStringLiteral("Alarm SMS: ") + outcome
                              : QStringLiteral("Alarm SMS not sent: ") + outcome);
}

void SmsSender::abort()
{
    if (MSComm1)
        MSComm1->abortAll();
}

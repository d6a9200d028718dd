#include "ui/main_window/sms_sender.h"

#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

#include "core/gateway/modem_dialogue.h"
#include "core/text/clock.h"
#include "platform/serial_modem.h"
#include "platform/utf8_text.h"

SmsSender::SmsSender(QWidget* owner, MessageBoxFunction messageBox, const lumivane::Clock* clock,
                     RetryDelays retryDelays)
    : QObject(owner), owner_(owner), messageBox_(std::move(messageBox)), clock_(clock), retryDelays_(retryDelays)
{
}

void SmsSender::setSettings(const lumivane::SettingsRecord& settings) { settings_ = settings; }

lumivane::SerialModem* SmsSender::modem()
{
    // Made on first use and owned here, so it lives as long as the window.
    if (!MSComm1) {
        MSComm1 = new lumivane::SerialModem(this);
        connect(MSComm1, &lumivane::SerialModem::progress, this,
                [this](const QString& command) { showStatus(command); });
    }
    return MSComm1;
}

QString SmsSender::stamp() const { return lumivane::qtText(clock_->generalDateTimeText()); }

void SmsSender::sendModemSMS(const QString& sNum, const QString& sMsg,
                             std::function<void(const lumivane::ModemOutcome&)> finished)
{
    // The port and line settings as last loaded into the record, read anew for
    // every dialogue: what is typed in the open settings dialog does not count.
    modem()->sendSMS(lumivane::qtText(settings_.settingsCommPort), lumivane::qtText(settings_.settingsCommSettings),
                     sNum, sMsg, std::move(finished));
}

void SmsSender::sendAlarmSMS(const QString& numbers, const QString& sMsg, const QString& alarmStamp)
{
    const std::vector<std::string> recipients = lumivane::splitRecipients(lumivane::utf8Text(numbers));
    // An alarm that would go nowhere must still leave its trace.
    if (recipients.empty())
        emit alarmSmsReported(
            QStringLiteral("Alarm SMS not sent: [%1] for the alarm of [%2]: no recipient number (SMSNumber)")
                .arg(stamp(), alarmStamp));
    for (const std::string& number : recipients)
        startTry(alarms_.insert(alarms_.end(), AlarmDelivery{lumivane::qtText(number), sMsg, alarmStamp}));
    showStatus();
}

void SmsSender::startTry(std::list<AlarmDelivery>::iterator delivery)
{
    delivery->tries += 1;
    delivery->sending = true;
    jobs_.push_back(JobKind::Alarm);
    QPointer<SmsSender> self(this);
    sendModemSMS(delivery->number, delivery->message, [self, delivery](const lumivane::ModemOutcome& outcome) {
        if (!self)
            return;
        self->jobEnded();
        self->reportAlarmOutcome(delivery, outcome);
    });
}

void SmsSender::reportAlarmOutcome(std::list<AlarmDelivery>::iterator delivery, const lumivane::ModemOutcome& outcome)
{
    const QString target =
        QStringLiteral("[%1] for the alarm of [%2] to %3").arg(stamp(), delivery->alarmStamp, delivery->number);
    const bool sent = outcome.delivery == lumivane::SmsDelivery::Sent;
    const auto tryIndex = static_cast<std::size_t>(delivery->tries - 1);
    const bool again = !sent && outcome.worthRetrying && tryIndex < retryDelays_.size();
    QString line =
        sent ? QStringLiteral("Alarm SMS sent: ") + target
             : (outcome.delivery == lumivane::SmsDelivery::Unconfirmed ? QStringLiteral("Alarm SMS not confirmed: ")
                                                                       : QStringLiteral("Alarm SMS not sent: ")) +
                   target;
    if (!sent) {
        // The line's head already says "not sent" or "not confirmed".
        QString details = lumivane::qtText(outcome.text());
        details.remove(QRegularExpression(QStringLiteral("^not (sent|confirmed): ")));
        line += QStringLiteral(": ") + details;
    } else {
        for (const std::string& note : outcome.notes)
            line += QStringLiteral("; ") + lumivane::qtText(note);
    }
    if (delivery->tries > 1)
        line += QStringLiteral(" (try %1)").arg(delivery->tries);
    if (again) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(retryDelays_[tryIndex]).count();
        line += seconds >= 60 ? QStringLiteral("; tried again in %1 minute(s)").arg(seconds / 60)
                              : QStringLiteral("; tried again in %1 s").arg(seconds);
        delivery->sending = false;
        delivery->retry = new QTimer(this);
        delivery->retry->setSingleShot(true);
        connect(delivery->retry, &QTimer::timeout, this, [this, delivery] {
            delivery->retry->deleteLater();
            delivery->retry = nullptr;
            startTry(delivery);
            showStatus();
        });
        delivery->retry->start(retryDelays_[tryIndex]);
    } else if (!sent) {
        line += QStringLiteral("; no more tries");
    }
    if (!again)
        alarms_.erase(delivery);
    emit alarmSmsReported(line);
    showStatus();
}

void SmsSender::testSMS(const QString& sNum, const QString& sMsg, std::function<void()> finished)
{
    QPointer<SmsSender> self(this);
    jobs_.push_back(JobKind::Test);
    showStatus();
    sendModemSMS(sNum, sMsg, [self, finished = std::move(finished)](const lumivane::ModemOutcome& outcome) {
        if (!self)
            return;
        self->jobEnded();
        showMessageBox(self->messageBox_, self->owner_, lumivane::qtText(outcome.text()));
        if (finished)
            finished();
    });
}

void SmsSender::jobEnded()
{
    if (!jobs_.empty())
        jobs_.pop_front();
    showStatus();
}

void SmsSender::showStatus(const QString& command)
{
    QString text;
    const bool alarmWaiting =
        std::any_of(alarms_.begin(), alarms_.end(), [](const AlarmDelivery& d) { return d.sending; });
    if (!jobs_.empty() && jobs_.front() == JobKind::Alarm)
        text = command.isEmpty() ? QStringLiteral("Alarm SMS: sending")
                                 : QStringLiteral("Alarm SMS: sending (%1\u2026)").arg(command);
    else if (!jobs_.empty() && alarmWaiting)
        text = QStringLiteral("Alarm SMS queued behind the test SMS");
    else if (!jobs_.empty())
        text = QStringLiteral("Test SMS: sending");
    else if (!alarms_.empty())
        text = QStringLiteral("Alarm SMS: waiting to try again");
    emit statusChanged(text);
}

void SmsSender::abandon()
{
    const QString now = stamp();
    for (const AlarmDelivery& delivery : alarms_)
        emit alarmSmsReported(
            QStringLiteral("Alarm SMS abandoned: [%1] for the alarm of [%2] to %3: the program was closed")
                .arg(now, delivery.alarmStamp, delivery.number));
    for (AlarmDelivery& delivery : alarms_)
        delete delivery.retry;
    alarms_.clear();
    jobs_.clear();
    if (MSComm1)
        MSComm1->abortAll();
}

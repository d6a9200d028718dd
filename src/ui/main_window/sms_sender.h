#pragma once
// The main window's SMS sender: the GSM modem on its serial port. The alarm
// monitor and the settings dialog's Test SMS both send through it; the port
// and line settings are those of the record last loaded. Dialogues run one at a
// time without blocking the window; their outcomes arrive as signals.
// An alarm SMS goes to each recipient in its own dialogue; one not sent for a
// modem or network reason is tried again after a while, with the port free in between.
#include <QObject>
#include <QString>

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <list>

#include "core/settings/settings_record.h"
#include "ui/widgets/message_box.h"

class QTimer;
class QWidget;

namespace lumivane {
class Clock;
class SerialModem;
struct ModemOutcome;
}  // namespace lumivane

class SmsSender : public QObject {
    Q_OBJECT
public:
    using RetryDelays = std::array<std::chrono::milliseconds, 2>;
    static constexpr RetryDelays kRetryDelays{std::chrono::minutes(1), std::chrono::minutes(5)};

    // Message boxes are shown over `owner` through `messageBox`; outcome records are
    // stamped with `clock`; a failed alarm SMS is tried again after each of `retryDelays`.
    SmsSender(QWidget* owner, MessageBoxFunction messageBox, const lumivane::Clock* clock,
              RetryDelays retryDelays = kRetryDelays);

    // The record whose port and line settings the next dialogue uses.
    void setSettings(const lumivane::SettingsRecord& settings);

    // Queues one SMS; `finished` hears what became of it.
    void sendModemSMS(const QString& sNum, const QString& sMsg,
                      std::function<void(const lumivane::ModemOutcome&)> finished);
    // Sends the alarm SMS of the alarm stamped `alarmStamp` to each number of the
    // comma-separated list; every outcome is reported through alarmSmsReported.
    void sendAlarmSMS(const QString& numbers, const QString& sMsg, const QString& alarmStamp);
    // Sends one SMS and shows the outcome in a message box; `finished` runs once the box is closed.
    void testSMS(const QString& sNum, const QString& sMsg, std::function<void()> finished = {});
    // Whether an alarm SMS is being sent, queued or waiting for its next try.
    bool alarmSmsPending() const { return !alarms_.empty(); }
    // Records every pending alarm SMS as abandoned, then ends every dialogue and releases the port.
    void abandon();

signals:
    // One record on what became of an alarm SMS, for the results area and the alarm log.
    void alarmSmsReported(const QString& line);
    // What the SMS side is doing, for the status line; empty when idle.
    void statusChanged(const QString& text);

private:
    struct AlarmDelivery {
        QString number;
        QString message;
        QString alarmStamp;
        int tries = 0;
        bool sending = false;  // queued or in a dialogue, rather than waiting for a try
        QTimer* retry = nullptr;
    };
    enum class JobKind { Alarm, Test };

    lumivane::SerialModem* modem();
    void startTry(std::list<AlarmDelivery>::iterator delivery);
    void reportAlarmOutcome(std::list<AlarmDelivery>::iterator delivery, const lumivane::ModemOutcome& outcome);
    void jobEnded();
    void showStatus(const QString& command = {});
    QString stamp() const;

    QWidget* owner_;
    MessageBoxFunction messageBox_;
    const lumivane::Clock* clock_;
    RetryDelays retryDelays_;
    lumivane::SettingsRecord settings_;
    lumivane::SerialModem* MSComm1 = nullptr;
    std::list<AlarmDelivery> alarms_;
    std::deque<JobKind> jobs_;  // what the modem's queue holds, front is running
};

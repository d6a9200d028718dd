#pragma once
// The main window's SMS sender: the GSM modem on its serial port. The alarm
// monitor and the settings dialog's Test SMS both send through it; the port
// and line settings are those of the record last loaded. Dialogues run one at a
// time without blocking the window; their outcomes arrive as signals.
#include <QObject>
#include <QString>

#include <functional>

#include "core/settings/settings_record.h"
#include "ui/widgets/message_box.h"

class QWidget;

namespace lumivane {
class SerialModem;
}

class SmsSender : public QObject {
    Q_OBJECT
public:
    // Message boxes are shown over `owner` through `messageBox`.
    SmsSender(QWidget* owner, MessageBoxFunction messageBox);

    // The record whose port and line settings the next dialogue uses.
    void setSettings(const lumivane::SettingsRecord& settings);

    // Queues one SMS; `finished` hears "Message Sent OK!" or, one per line, what failed.
    void sendModemSMS(const QString& sNum, const QString& sMsg, std::function<void(const QString&)> finished);
    // Sends the alarm SMS; its outcome is reported through reportModemTimeout.
    void sendAlarmSMS(const QString& sNum, const QString& sMsg);
    // Sends one SMS and shows the outcome in a message box; `finished` runs once the box is closed.
    void testSMS(const QString& sNum, const QString& sMsg, std::function<void()> finished = {});
    // Tells the operator what became of an alarm SMS: emits alarmSmsReported with one line.
    void reportModemTimeout(const QString& text);
    // Ends every dialogue at once and releases the port.
    void abort();

signals:
    // One line on what became of the alarm SMS, for the results area and the alarm log.
    void alarmSmsReported(const QString& line);

private:
    lumivane::SerialModem* modem();

    QWidget* owner_;
    MessageBoxFunction messageBox_;
    lumivane::SettingsRecord settings_;
    lumivane::SerialModem* MSComm1 = nullptr;
};

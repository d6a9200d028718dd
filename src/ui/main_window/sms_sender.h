#pragma once
// The main window's SMS sender: the GSM modem on its serial port. The alarm
// monitor and the settings dialog's Test SMS both send through it; the port
// and line settings are those of the record last loaded.
#include <QObject>
#include <QString>

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

    // Sends one SMS; returns "Message Sent OK!" or, one per line, what failed.
    QString sendModemSMS(const QString& sNum, const QString& sMsg);
    // Sends one SMS and shows the outcome in a message box.
    void testSMS(const QString& sNum, const QString& sMsg);
    // Hears each exchange's time-out as it happens.
    void reportModemTimeout(const QString& text);

private:
    QWidget* owner_;
    MessageBoxFunction messageBox_;
    lumivane::SettingsRecord settings_;
    lumivane::SerialModem* MSComm1 = nullptr;
};

// The main window's SMS modem sender: the alarm monitor and the settings
// dialog's test button both send through here.
#include "ui/main_window/frm_main.h"

#include "platform/serial_modem.h"

QString frmMain::sendModemSMS(QString sNum, QString sMsg)
{
    // Made on first use and owned by the window, so it lives as long as the window.
    if (!MSComm1)
        MSComm1 = new lumivane::SerialModem(this);
    // The port and line settings as last loaded into the record, read anew for
    // every dialogue: what is typed in the open settings dialog does not count.
    const QString commPort = QString::fromStdString(settings.settingsCommPort);
    const QString commSettings = QString::fromStdString(settings.settingsCommSettings);
    return MSComm1->sendSMS(commPort, commSettings, sNum, sMsg,
                            [this](const QString& text) { reportModemTimeout(text); });
}

void frmMain::testSMS(QString sNum, QString sMsg)
{
    const QString result = sendModemSMS(std::move(sNum), std::move(sMsg));
    showMessage(result, QMessageBox::Ok, QMessageBox::NoIcon);
}

void frmMain::reportModemTimeout(const QString& text)
{
    // Nothing to show on its own: every time-out is already part of the text that
    // sendModemSMS returns, which the test button shows; an alarm SMS drops it,
    // and a box popping up mid-dialogue would only hold up the alarm.
    Q_UNUSED(text);
}

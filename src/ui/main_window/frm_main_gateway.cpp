// The main window's gateway link: the pulse button and the over-current monitor.
// Both ask the gateway through the one client Inet1; what an answer means is decided
// by the core (pulse plan, alarm monitor), and this file only shows, sends and writes.
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <string>

#include "core/gateway/alarm_monitor.h"
#include "core/gateway/log_file.h"
#include "core/gateway/pulse_readings.h"
#include "platform/http_client.h"
#include "core/text/clock.h"
#include "ui/widgets/event_label.h"
#include "ui/main_window/frm_main.h"
#include "ui/widgets/process_text_area.h"

namespace {

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

// UTF-8 in both directions, so a folder with non-ASCII letters is found on every platform.
std::filesystem::path toPath(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// One line in the results area, like the pulse log's: a box would hold up the alarm.
void reportAlarmLogFailure(ProcessTextArea& txtProcess, const lumivane::LogAppendResult& written)
{
    if (!written.ok())
        txtProcess.appendText(QStringLiteral("\r\nAlarm log: ") + fromStd(written.error));
}

}  // namespace

void frmMain::initGateway()
{
    Inet1 = new lumivane::HttpClient(this);
    connect(cmdPulse, &QPushButton::clicked, this, &frmMain::cmdPulse_Click);
    connect(lblAlarm, &EventLabel::doubleClicked, this, &frmMain::lblAlarm_DblClick);
    connect(tmrAlarm, &QTimer::timeout, this, &frmMain::tmrAlarm_Timer);
    tmrAlarm->start(1000);
}

void frmMain::cmdPulse_Click()
{
    txtProcess->setText(QString::fromLatin1(lumivane::kPulseWaitText));
    getPulseReadings();
}

void frmMain::getPulseReadings()
{
    cmdPulse->setEnabled(false);
    // Every way out below says why it ended: the text area must never keep saying
    // "Please wait" once the request is over.
    auto fail = [this](const QString& reason) {
        txtProcess->appendText(fromStd(lumivane::pulseErrorText(reason.toStdString())));
        cmdPulse->setEnabled(true);
    };

    const QUrl url = lumivane::gatewayRequestUrl(fromStd(settings.settingsPulseURL), QStringLiteral("pdata.htm"),
                                                 fromStd(clock().generalDateTimeText()));
    const lumivane::HttpResult response = Inet1->OpenURL(url, gatewayTimeLimit);
    if (!response.ok)
        return fail(response.error);

    // The settings and the clock are read now, when the answer is there.
    const lumivane::PulseResponsePlan plan =
        lumivane::planPulseResponse(response.body.toStdString(), settings, clock());
    switch (plan.kind) {
    case lumivane::PulseResponsePlan::Kind::EmptyResponse:
        return fail(QString());
    case lumivane::PulseResponsePlan::Kind::Failure:
        return fail(fromStd(plan.failure));
    case lumivane::PulseResponsePlan::Kind::Readings:
        break;
    }
    if (plan.logRecord) {
        const auto written =
            lumivane::appendLogRecord(toPath(logsFolder + QLatin1String(lumivane::kPulseLogName)), *plan.logRecord);
        if (!written.ok())
            return fail(QStringLiteral("Pulse log: ") + fromStd(written.error));
    }
    txtProcess->appendText(fromStd(plan.displayText));
    cmdPulse->setEnabled(true);
}

void frmMain::tmrAlarm_Timer()
{
    // Stopped for the length of the handler, so checks never overlap and a slow
    // gateway delays the next tick instead of letting ticks pile up.
    tmrAlarm->stop();
    lumivane::AlarmMonitor monitor(alarmActive, alarmTickCount, alarmFlash);
    const lumivane::AlarmTick tick =
        monitor.tick(settings.settingsMonitorAlarm, settings.settingsAlarmInterval);
    if (tick.bannerVisible) {
        if (lblAlarm->isHidden())
            lblAlarm->show();
        if (tick.bannerColour)
            setAlarmBannerColour(*tick.bannerColour);
    } else {
        lblAlarm->hide();
    }
    if (tick.checkDue)
        checkCurrentAlarm();
    tmrAlarm->start(1000);
}

void frmMain::checkCurrentAlarm()
{
    const QUrl url = lumivane::gatewayRequestUrl(fromStd(settings.settingsPulseURL), QStringLiteral("cdata.htm"),
                                                 fromStd(clock().generalDateTimeText()));
    const lumivane::HttpResult response = Inet1->OpenURL(url, gatewayTimeLimit);
    // A check that cannot be completed ends quietly; the next one comes after the
    // next full interval. Reporting each one would flood the results area.
    if (!response.ok)
        return;

    lumivane::AlarmMonitor monitor(alarmActive, alarmTickCount, alarmFlash);
    const lumivane::AlarmCheckOutcome outcome =
        monitor.checkResponse(response.body.toStdString(), settings, clock());
    if (!outcome.alarmRaised)
        return;

    // The banner is shown, and starts blinking, on the next tick.
    lblAlarm->setText(fromStd(outcome.message));
    if (outcome.sendSms)
        sendModemSMS(fromStd(outcome.smsNumber), fromStd(outcome.message));
    // A record that cannot be written leaves the alarm raised and the SMS sent: the
    // banner already carries the message. The operator is told the log misses it.
    if (outcome.logRecord)
        reportAlarmLogFailure(*txtProcess, lumivane::appendLogRecord(
                                               toPath(logsFolder + QLatin1String(lumivane::kAlarmLogName)),
                                               *outcome.logRecord));
}

void frmMain::lblAlarm_DblClick()
{
    lumivane::AlarmMonitor monitor(alarmActive, alarmTickCount, alarmFlash);
    const auto ack = monitor.acknowledge(settings.settingsAlarmLog, clock());
    if (!ack)
        return;
    lblAlarm->setText(fromStd(ack->caption));
    setAlarmBannerColour(ack->bannerColour);
    lblAlarm->hide();
    if (ack->logRecord)
        reportAlarmLogFailure(*txtProcess, lumivane::appendLogRecord(
                                               toPath(logsFolder + QLatin1String(lumivane::kAlarmLogName)),
                                               *ack->logRecord));
}

void frmMain::setAlarmBannerColour(quint32 colour)
{
    // The window-text colour is the system's, taken from the window's own palette.
    const QColor text = colour == lumivane::kWindowTextColour
                            ? palette().color(QPalette::WindowText)
                            : QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
    QPalette banner = lblAlarm->palette();
    banner.setColor(QPalette::WindowText, text);
    lblAlarm->setPalette(banner);
}

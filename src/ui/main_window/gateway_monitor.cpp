#include "ui/main_window/gateway_monitor.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QPushButton>
#include <QTimer>

#include <string>

#include "core/gateway/log_file.h"
#include "core/gateway/pulse_readings.h"
#include "core/text/clock.h"
#include "platform/http_client.h"
#include "platform/utf8_text.h"
#include "ui/widgets/event_label.h"
#include "ui/widgets/font_scale.h"

using lumivane::qtText;

GatewayMonitor::GatewayMonitor(QWidget* host, QWidget* banner, GatewayEnvironment environment)
    : QObject(host), environment_(std::move(environment))
{
    cmdPulse = new QPushButton(host);
    cmdPulse->setObjectName(QStringLiteral("cmdPulse"));
    const FontScale scale(host->font());
    cmdPulse->setGeometry(scale(QRect(8, 368, 240, 30)));
    cmdPulse->hide();

    lblAlarm = new EventLabel(banner);
    lblAlarm->setObjectName(QStringLiteral("lblAlarm"));
    lblAlarm->setGeometry(0, scale(48), banner->width(), scale(22));
    lblAlarm->setAlignment(Qt::AlignCenter);
    // The caption carries a stored setting: shown as typed, never read as markup.
    lblAlarm->setTextFormat(Qt::PlainText);
    QFont alarmFont = host->font();
    alarmFont.setBold(true);
    alarmFont.setPointSizeF(9.75);
    lblAlarm->setFont(alarmFont);
    lblAlarm->setToolTip(QStringLiteral("Double-Click this Legend to Acknowledge Alarm."));
    // An opaque strip, so the alarm text never mixes with the banner picture under it.
    QPalette p = lblAlarm->palette();
    p.setColor(QPalette::WindowText, QColor(192, 0, 0));
    p.setColor(QPalette::Window, QColor(255, 244, 214));
    lblAlarm->setPalette(p);
    lblAlarm->setAutoFillBackground(true);
    lblAlarm->hide();

    tmrAlarm = new QTimer(this);
    tmrAlarm->setObjectName(QStringLiteral("tmrAlarm"));
    tmrAlarm->setInterval(1000);

    Inet1 = new lumivane::HttpClient(this);
    connect(cmdPulse, &QPushButton::clicked, this, &GatewayMonitor::cmdPulse_Click);
    connect(lblAlarm, &EventLabel::doubleClicked, this, &GatewayMonitor::lblAlarm_DblClick);
    connect(tmrAlarm, &QTimer::timeout, this, &GatewayMonitor::tmrAlarm_Timer);
    tmrAlarm->start(1000);
    steady_ = new QElapsedTimer;
    steady_->start();
    connect(this, &QObject::destroyed, this, [timer = steady_] { delete timer; });
    monitor_.watchFrom(now());
}

std::chrono::milliseconds GatewayMonitor::now() const
{
    return environment_.steadyNow ? environment_.steadyNow() : std::chrono::milliseconds(steady_->elapsed());
}

void GatewayMonitor::setSettings(const lumivane::SettingsRecord& settings)
{
    // Monitoring switched on starts the wait for a good reading afresh.
    if (settings.settingsMonitorAlarm == 1 && settings_.settingsMonitorAlarm != 1)
        monitor_.watchFrom(now());
    settings_ = settings;
    showStatus();
}

void GatewayMonitor::showPulseButton()
{
    if (settings_.settingsPulseData == 1) {
        cmdPulse->setVisible(true);
        // An "&" of a label is shown as itself, not taken as an access key.
        const auto shown = [](const std::string& label) { return qtText(label).replace(u'&', QStringLiteral("&&")); };
        cmdPulse->setText(shown(settings_.settingsS1Label) + QStringLiteral(" && ") + shown(settings_.settingsS2Label));
    } else {
        cmdPulse->setVisible(false);
    }
}

void GatewayMonitor::cmdPulse_Click()
{
    emit resultsReplaced(QString::fromLatin1(lumivane::kPulseWaitText));
    getPulseReadings();
}

void GatewayMonitor::getPulseReadings()
{
    cmdPulse->setEnabled(false);
    const QString settingsPulseURL = qtText(settings_.settingsPulseURL);
    const lumivane::Clock* clock = environment_.clock;
    // The address's time stamp is taken when the request actually goes out.
    const bool waits = Inet1->OpenURL(
        {[settingsPulseURL, clock] {
             return lumivane::gatewayRequestUrl(settingsPulseURL, QStringLiteral("pdata.htm"),
                                                qtText(clock->generalDateTimeText()));
         },
         environment_.timeLimit, [this](const lumivane::HttpResult& response) { showPulseResponse(response); },
         settingsPulseURL});
    if (waits)
        emit resultsAppended(QString::fromLatin1(lumivane::kPulseQueuedText));
}

void GatewayMonitor::showPulseResponse(const lumivane::HttpResult& response)
{
    // Every way out below says why it ended: the text area must never keep saying
    // "Please wait" once the request is over.
    cmdPulse->setEnabled(true);
    if (!response.ok)
        return emit resultsAppended(qtText(lumivane::pulseErrorText(lumivane::utf8Text(response.error))));

    // The settings and the clock are read now, when the answer is there.
    const auto plan = lumivane::planPulseResponse(response.body.toStdString(), settings_, *environment_.clock);
    if (!plan)
        return emit resultsAppended(qtText(plan.error().reason));
    if (plan->logRecord) {
        const auto written = lumivane::appendLogRecord(
            lumivane::pathOf(environment_.logsFolder + QLatin1String(lumivane::kPulseLogName)), *plan->logRecord);
        if (!written)
            return emit resultsAppended(
                qtText(lumivane::localFaultText(lumivane::kPulseLogFaultHeading, written.error().reason)));
    }
    emit resultsAppended(qtText(plan->displayText));
}

void GatewayMonitor::tmrAlarm_Timer()
{
    // Stopped for the length of the handler and of the check it starts, so checks
    // never overlap and a slow gateway delays the next tick instead of letting
    // ticks pile up.
    tmrAlarm->stop();
    const lumivane::AlarmTick tick = monitor_.tick(settings_.settingsMonitorAlarm, settings_.settingsAlarmInterval);
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
    else
        tmrAlarm->start(1000);
}

void GatewayMonitor::checkCurrentAlarm()
{
    const QString settingsPulseURL = qtText(settings_.settingsPulseURL);
    const lumivane::Clock* clock = environment_.clock;
    Inet1->OpenURL({[settingsPulseURL, clock] {
                        return lumivane::gatewayRequestUrl(settingsPulseURL, QStringLiteral("cdata.htm"),
                                                           qtText(clock->generalDateTimeText()));
                    },
                    environment_.timeLimit,
                    [this](const lumivane::HttpResult& response) {
                        judgeCurrentResponse(response);
                        tmrAlarm->start(1000);
                    },
                    settingsPulseURL});
}

void GatewayMonitor::judgeCurrentResponse(const lumivane::HttpResult& response)
{
    // A check that cannot be completed is not shown in the results area (one line
    // per check would flood it): the status line counts them, and a gateway silent
    // for NoDataMinutes raises its own alarm.
    const lumivane::Clock& clock = *environment_.clock;
    if (!response.ok) {
        followOutcome(monitor_.checkFailed(settings_, clock, now()));
        return;
    }
    const auto judged = monitor_.checkResponse(response.body.toStdString(), settings_, clock, now());
    followOutcome(judged ? *judged : monitor_.checkFailed(settings_, clock, now()));
}

void GatewayMonitor::followOutcome(const lumivane::AlarmCheckOutcome& outcome)
{
    showStatus();
    // The banner and the records first: the SMS may take a minute, and the operator
    // must not wait for it to learn of the alarm. The next tick starts the blinking.
    if (outcome.alarmRaised) {
        showBannerText(qtText(outcome.message));
        lblAlarm->show();
    }
    // A record that cannot be written leaves the alarm raised: the banner already
    // carries the message. The operator is told the log misses it.
    for (const std::string& record : outcome.records)
        appendAlarmRecord(record);
    for (const std::string& note : outcome.smsNotes) {
        emit resultsAppended(QStringLiteral("\r\n") + qtText(note).trimmed());
        appendAlarmRecord(note);
    }
    if (outcome.sendSms)
        emit alarmSmsDue(qtText(outcome.smsNumber), qtText(outcome.message), qtText(outcome.raisedAt));
}

void GatewayMonitor::showBannerText(const QString& message)
{
    // A smaller font first; if even the smallest is too wide, only the operator's text
    // gives way: the time, the current and the limit stay whole.
    QFont font = lblAlarm->font();
    QFontMetrics metrics(font);
    for (const qreal points : {9.75, 9.0, 8.25, 7.5}) {
        font.setPointSizeF(points);
        metrics = QFontMetrics(font);
        if (metrics.horizontalAdvance(message) <= lblAlarm->width() - metrics.averageCharWidth() * 2)
            break;
    }
    lblAlarm->setFont(font);
    const int room = lblAlarm->width() - metrics.averageCharWidth() * 2;
    const qsizetype split = message.lastIndexOf(QStringLiteral(": ["));
    if (split < 0 || metrics.horizontalAdvance(message) <= room) {
        lblAlarm->setText(message);
        return;
    }
    const QString tail = message.mid(split);
    const QString head =
        metrics.elidedText(message.left(split), Qt::ElideRight, room - metrics.horizontalAdvance(tail));
    lblAlarm->setText(head + tail);
}

void GatewayMonitor::showStatus()
{
    if (settings_.settingsMonitorAlarm != 1)
        return emit statusChanged(QStringLiteral("Gateway: not monitored"));
    const lumivane::GatewayHealth& health = monitor_.health();
    const auto timeOf = [](const std::string& stamp) {
        const QString text = qtText(stamp);
        return text.mid(text.lastIndexOf(QLatin1Char(' ')) + 1);
    };
    if (health.failedChecks > 0)
        return emit statusChanged(QStringLiteral("Gateway: no answer since %1 (%2 check%3)")
                                      .arg(timeOf(health.failingSince))
                                      .arg(health.failedChecks)
                                      .arg(health.failedChecks == 1 ? QString() : QStringLiteral("s")));
    if (!health.lastGoodAt.empty())
        return emit statusChanged(
            QStringLiteral("Gateway: last good reading %1, %2 A").arg(timeOf(health.lastGoodAt)).arg(health.lastAmps));
    emit statusChanged(QStringLiteral("Gateway: no reading yet"));
}

void GatewayMonitor::recordSmsOutcome(const QString& line)
{
    emit resultsAppended(QStringLiteral("\r\n") + line);
    appendAlarmRecord(lumivane::utf8Text(line) + "\r\n");
}

void GatewayMonitor::cancelRequests() { Inet1->cancelAll(); }

void GatewayMonitor::lblAlarm_DblClick()
{
    const auto ack = monitor_.acknowledge(settings_.settingsAlarmLog, *environment_.clock);
    if (!ack)
        return;
    lblAlarm->setText(qtText(ack->caption));
    setAlarmBannerColour(ack->bannerColour);
    lblAlarm->hide();
    if (ack->logRecord)
        appendAlarmRecord(*ack->logRecord);
}

void GatewayMonitor::appendAlarmRecord(const std::string& record)
{
    const auto written = lumivane::appendLogRecord(
        lumivane::pathOf(environment_.logsFolder + QLatin1String(lumivane::kAlarmLogName)), record);
    // One line in the results area, like the pulse log's: a box would hold up the alarm.
    if (!written)
        emit resultsAppended(qtText(lumivane::localFaultText(lumivane::kAlarmLogFaultHeading, written.error().reason)));
}

void GatewayMonitor::setAlarmBannerColour(quint32 colour)
{
    // The window-text colour is the system's, taken from the window's own palette.
    const QColor text = colour == lumivane::kWindowTextColour
                            ? lblAlarm->window()->palette().color(QPalette::WindowText)
                            : QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
    QPalette banner = lblAlarm->palette();
    banner.setColor(QPalette::WindowText, text);
    lblAlarm->setPalette(banner);
}

#pragma once
// The main window's gateway link: the pulse button, the alarm timer and the
// alarm banner. It owns the one HTTP client both ask through and the alarm
// monitor with its state; what an answer means is decided by the core, and
// this part only shows, writes the logs and says when an alarm SMS is due.
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

#include "core/gateway/alarm_monitor.h"
#include "core/settings/settings_record.h"

class EventLabel;
class QPushButton;
class QElapsedTimer;
class QTimer;
class QWidget;

namespace lumivane {
class Clock;
class HttpClient;
struct HttpResult;
}  // namespace lumivane

struct GatewayEnvironment {
    QString logsFolder;  // ends with the separator
    const lumivane::Clock* clock = nullptr;
    // How long one gateway request may take before it counts as failed.
    std::chrono::milliseconds timeLimit{std::chrono::seconds(60)};
    // A steady clock for the no-data and SMS repeat rules; empty means the real one.
    std::function<std::chrono::milliseconds()> steadyNow;
};

class GatewayMonitor : public QObject {
    Q_OBJECT
public:
    // Builds the pulse button on the host and the banner on the banner picture; starts the alarm timer.
    GatewayMonitor(QWidget* host, QWidget* banner, GatewayEnvironment environment);

    // The settings record the next request, tick and acknowledgement use.
    void setSettings(const lumivane::SettingsRecord& settings);
    // Shows the pulse button, captioned with the two labels, when pulse readings are on; hides it otherwise.
    void showPulseButton();

    void cmdPulse_Click();
    // Queues the pulse request; its answer is shown and logged when it arrives.
    void getPulseReadings();
    void tmrAlarm_Timer();
    // Queues one current check; the alarm timer starts again once it has ended.
    void checkCurrentAlarm();
    void lblAlarm_DblClick();
    // Writes what became of an alarm SMS as a line in the results area and as a
    // record in the alarm log, whatever AlarmLog says: no failure may be lost.
    void recordSmsOutcome(const QString& line);
    // Drops the running and the queued gateway requests (the window is closing).
    void cancelRequests();

signals:
    // Text for the results area: replacing what is there, or added to it.
    void resultsReplaced(const QString& text);
    void resultsAppended(const QString& text);
    // A raised alarm asks for this SMS, once the banner and the alarm record are out.
    // `numbers` is the comma-separated list; `alarmStamp` the alarm's time stamp.
    void alarmSmsDue(const QString& numbers, const QString& message, const QString& alarmStamp);
    // The gateway's part of the status line.
    void statusChanged(const QString& text);

private:
    // Sets the banner's text colour (red in the low byte; kWindowTextColour is the window-text colour).
    void setAlarmBannerColour(quint32 colour);
    void appendAlarmRecord(const std::string& record);
    void showPulseResponse(const lumivane::HttpResult& response);
    void judgeCurrentResponse(const lumivane::HttpResult& response);
    void followOutcome(const lumivane::AlarmCheckOutcome& outcome);
    void showBannerText(const QString& message);
    void showStatus();
    std::chrono::milliseconds now() const;

    GatewayEnvironment environment_;
    lumivane::SettingsRecord settings_;
    lumivane::AlarmMonitor monitor_;
    QElapsedTimer* steady_ = nullptr;
    lumivane::HttpClient* Inet1 = nullptr;
    QPushButton* cmdPulse = nullptr;
    QTimer* tmrAlarm = nullptr;
    EventLabel* lblAlarm = nullptr;
};

#pragma once
// The GSM modem on a serial port: plays the SMS dialogue over a real port,
// keeping the window responsive while it waits for the modem.
#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

namespace lumivane {

class SerialModem : public QObject {
    Q_OBJECT
public:
    explicit SerialModem(QObject* parent = nullptr);
    ~SerialModem() override;

    // How long each exchange waits for the modem's answer (15 s unless a test shortens it).
    void setReplyTimeout(std::chrono::milliseconds timeout) { replyTimeout_ = timeout; }
    std::chrono::milliseconds replyTimeout() const { return replyTimeout_; }

    // Sends one SMS: opens the port named by `commPort` with `commSettings`, plays the
    // five exchanges and closes the port on every way out. Returns "Message Sent OK!"
    // or, one per line, what failed. `reportTimeout` hears each exchange's time-out
    // text as it happens. A call made while another dialogue is in progress (from an
    // event handled during its waits) waits its turn: the dialogues run one after the
    // other on the port, and each call returns once its own dialogue has ended.
    QString sendSMS(const QString& commPort, const QString& commSettings, const QString& number,
                    const QString& message, const std::function<void(const QString&)>& reportTimeout = {});

    // Whether a dialogue is in progress or waiting for its turn.
    bool isBusy() const { return !queue_.empty(); }

    // Whether the port is open at this moment (only while a dialogue runs).
    bool isPortOpen() const;

private:
    struct Job;
    void pump();
    void startJob(Job& job);
    void pollJob(Job& job);
    bool writeToPort(Job& job, const std::string& bytes);
    void failJob(Job& job, const QString& reason);
    void finishJob(Job& job);

    std::chrono::milliseconds replyTimeout_;
    std::deque<std::shared_ptr<Job>> queue_;
};

}  // namespace lumivane

#pragma once
// The GSM modem on a serial port: plays the SMS dialogue over a real port. The
// dialogue is driven by the port's readyRead and a timer, one at a time (later
// ones wait in a queue), and nothing ever waits in a nested event loop.
#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

#include "core/gateway/modem_dialogue.h"

class QTimer;

namespace lumivane {

class SerialModem : public QObject {
    Q_OBJECT
public:
    using Finished = std::function<void(const ModemOutcome& outcome)>;

    explicit SerialModem(QObject* parent = nullptr);
    ~SerialModem() override;

    // How long each command waits for the modem's answer (15 s unless a test shortens
    // it); the message itself may take four times as long.
    void setReplyTimeout(std::chrono::milliseconds timeout) { replyTimeout_ = timeout; }
    std::chrono::milliseconds replyTimeout() const { return replyTimeout_; }

    // Queues one SMS: opens the port named by `commPort` with `commSettings`, plays the
    // exchanges (and, after a refusal, the status queries) and closes the port on every
    // way out. `finished` then hears what became of the SMS. Dialogues run one after the other.
    void sendSMS(const QString& commPort, const QString& commSettings, const QString& number, const QString& message,
                 Finished finished);

    // Ends the running dialogue and drops the queued ones, closing the port (and so
    // its lock); nobody is called back.
    void abortAll();

    // Whether a dialogue is in progress or waiting for its turn.
    bool isBusy() const { return !queue_.empty(); }

    // Whether the port is open at this moment (only while a dialogue runs).
    bool isPortOpen() const;

signals:
    // The command the running dialogue is waiting on, such as "AT+CMGS".
    void progress(const QString& command);

private:
    struct Job;
    void startFront();
    void advance(const QByteArray& received);
    bool writeToPort(Job& job, const std::string& bytes);
    void failJob(const QString& reason, bool worthRetrying = true);
    void finishFront();

    std::chrono::milliseconds replyTimeout_;
    std::deque<std::shared_ptr<Job>> queue_;
    QTimer* clockTick_;
};

}  // namespace lumivane

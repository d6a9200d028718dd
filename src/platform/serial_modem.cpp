#include "platform/serial_modem.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>

#include <optional>

#include "core/gateway/modem_dialogue.h"
#include "core/gateway/modem_line_settings.h"

namespace lumivane {
namespace {

// How often a running dialogue is told the time, so a silent modem's wait ends.
constexpr int kClockTickMilliseconds = 100;

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

bool isFailure(QSerialPort::SerialPortError error)
{
    return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
}

QSerialPort::Parity toQt(ModemParity parity)
{
    switch (parity) {
    case ModemParity::Even: return QSerialPort::EvenParity;
    case ModemParity::Odd: return QSerialPort::OddParity;
    case ModemParity::Mark: return QSerialPort::MarkParity;
    case ModemParity::Space: return QSerialPort::SpaceParity;
    case ModemParity::None: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(ModemStopBits stopBits)
{
    switch (stopBits) {
    case ModemStopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case ModemStopBits::Two: return QSerialPort::TwoStop;
    case ModemStopBits::One: break;
    }
    return QSerialPort::OneStop;
}

// A port that reads end-of-file has lost its device; the system's error text at
// that moment is left over from an earlier call and would only mislead.
QString brokenPortText(const QString& portName, const QSerialPort& port)
{
    if (port.error() == QSerialPort::ReadError || port.error() == QSerialPort::ResourceError)
        return QStringLiteral("The modem port %1 can no longer be read: the modem was unplugged, switched off "
                              "or closed at the other end.")
            .arg(portName);
    return QStringLiteral("The modem port %1 stopped working: %2.").arg(portName, port.errorString());
}

SerialPortNaming platformNaming()
{
#ifdef Q_OS_WIN
    return SerialPortNaming::Windows;
#else
    return SerialPortNaming::Posix;
#endif
}

}  // namespace

struct SerialModem::Job {
    QString commPort;
    QString commSettings;
    std::optional<ModemDialogue> dialogue;
    Finished finished;
    std::unique_ptr<QSerialPort> port;
    QString portName;
    QElapsedTimer clock;
    ModemOutcome earlyFailure;  // set when the number was refused before any port was touched

    std::chrono::milliseconds now() const { return std::chrono::milliseconds(clock.elapsed()); }
};

SerialModem::SerialModem(QObject* parent)
    : QObject(parent), replyTimeout_(ModemDialogue::kReplyTimeout), clockTick_(new QTimer(this))
{
    // Time-outs are noticed by feeding the dialogue the time even when nothing arrives.
    clockTick_->setInterval(kClockTickMilliseconds);
    // What has arrived is read first: an answer waiting in the port must count
    // before the time that would end its wait.
    connect(clockTick_, &QTimer::timeout, this, [this] {
        if (!queue_.empty() && queue_.front()->port)
            advance(queue_.front()->port->readAll());
    });
}

SerialModem::~SerialModem() { abortAll(); }

bool SerialModem::isPortOpen() const
{
    return !queue_.empty() && queue_.front()->port && queue_.front()->port->isOpen();
}

void SerialModem::sendSMS(const QString& commPort, const QString& commSettings, const QString& number,
                          const QString& message, Finished finished)
{
    auto job = std::make_shared<Job>();
    job->commPort = commPort;
    job->commSettings = commSettings;
    job->finished = std::move(finished);
    Expected<ModemDialogue> prepared = prepareModemDialogue(number.toStdString(), message.toStdString(), replyTimeout_);
    if (prepared)
        job->dialogue.emplace(std::move(prepared).value());
    else
        job->earlyFailure.reason = "not sent: " + prepared.error().reason;
    queue_.push_back(job);
    if (queue_.size() == 1)
        // Started from the event loop, so the caller has returned before any outcome arrives.
        QTimer::singleShot(0, this, [this, job] {
            if (!queue_.empty() && queue_.front() == job)
                startFront();
        });
}

void SerialModem::abortAll()
{
    clockTick_->stop();
    for (const auto& job : queue_)
        if (job->port)
            job->port->close();
    queue_.clear();
}

void SerialModem::startFront()
{
    Job& job = *queue_.front();
    if (!job.dialogue)
        return finishFront();

    const Expected<std::string> name = modemPortName(job.commPort.toStdString(), platformNaming());
    if (!name)
        return failJob(fromUtf8(name.error().reason), false);
    const Expected<ModemLineSettings> line = parseCommSettings(job.commSettings.toStdString());
    if (!line)
        return failJob(fromUtf8(line.error().reason), false);
    job.portName = fromUtf8(*name);

#ifndef Q_OS_WIN
    // POSIX terminals have no 1.5 stop bits, and the port would quietly use one.
    if (line->stopBits == ModemStopBits::OneAndHalf)
        return failJob(QStringLiteral("The modem port %1 cannot take the line settings \"%2\": "
                                      "1.5 stop bits are not available on this system.")
                           .arg(job.portName, job.commSettings),
                       false);
#endif

    job.port = std::make_unique<QSerialPort>();
    QSerialPort& port = *job.port;
    port.setPortName(job.portName);
    if (!port.open(QIODevice::ReadWrite))
        return failJob(QStringLiteral("The modem port %1 cannot be opened: %2.").arg(job.portName, port.errorString()));

    const bool settingsTaken = port.setBaudRate(line->speed) && port.setParity(toQt(line->parity)) &&
                               port.setDataBits(static_cast<QSerialPort::DataBits>(line->dataBits)) &&
                               port.setStopBits(toQt(line->stopBits)) &&
                               port.setFlowControl(QSerialPort::NoFlowControl);
    if (!settingsTaken)
        return failJob(QStringLiteral("The modem port %1 cannot take the line settings \"%2\": %3.")
                           .arg(job.portName, job.commSettings, port.errorString()));
    // Bytes left over from before this dialogue must not answer its first command.
    port.clear(QSerialPort::AllDirections);

    connect(&port, &QSerialPort::readyRead, this, [this] { advance(queue_.front()->port->readAll()); });
    connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (isFailure(error) && !queue_.empty() && queue_.front()->port)
            failJob(brokenPortText(queue_.front()->portName, *queue_.front()->port));
    });
    job.clock.start();
    const ModemStep step = job.dialogue->start(job.now());
    if (writeToPort(job, step.write)) {
        clockTick_->start();
        emit progress(fromUtf8(job.dialogue->commandInProgress()));
    }
}

void SerialModem::advance(const QByteArray& received)
{
    if (queue_.empty() || !queue_.front()->port)
        return;
    const std::shared_ptr<Job> job = queue_.front();
    const std::string_view bytes(received.constData(), static_cast<std::size_t>(received.size()));
    const ModemStep step = job->dialogue->feed(bytes, job->now());
    if (!step.write.empty() && !job->dialogue->finished())
        emit progress(fromUtf8(job->dialogue->commandInProgress()));
    if (!step.write.empty() && !writeToPort(*job, step.write))
        return;
    if (step.finished)
        finishFront();
}

bool SerialModem::writeToPort(Job& job, const std::string& bytes)
{
    QSerialPort& port = *job.port;
    const qint64 written = port.write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (written != static_cast<qint64>(bytes.size())) {
        const QString why =
            isFailure(port.error()) ? port.errorString() : QStringLiteral("the port does not take the bytes");
        failJob(QStringLiteral("The modem port %1 cannot be written: %2.").arg(job.portName, why));
        return false;
    }
    return true;
}

void SerialModem::failJob(const QString& reason, bool worthRetrying)
{
    Job& job = *queue_.front();
    if (job.dialogue)
        job.dialogue->abort(reason.toStdString());
    if (!worthRetrying)
        job.earlyFailure = {SmsDelivery::NotSent, "not sent: " + reason.toStdString(), {}, {}, false};
    finishFront();
}

void SerialModem::finishFront()
{
    clockTick_->stop();
    const std::shared_ptr<Job> job = queue_.front();
    queue_.pop_front();
    if (job->port) {
        job->port->disconnect(this);
        job->port->close();
    }
    // A fault of the settings is no modem's: trying again would fail the same way.
    const ModemOutcome outcome =
        job->dialogue && job->earlyFailure.reason.empty() ? job->dialogue->outcome() : job->earlyFailure;
    // The port is free before anyone hears of the outcome; the next dialogue starts
    // from the event loop, after the listener has run.
    if (!queue_.empty()) {
        const std::shared_ptr<Job> next = queue_.front();
        QTimer::singleShot(0, this, [this, next] {
            if (!queue_.empty() && queue_.front() == next)
                startFront();
        });
    }
    if (job->finished)
        job->finished(outcome);
    // Deleted later: this may run inside one of the port's own signals.
    if (job->port)
        job->port.release()->deleteLater();
}

}  // namespace lumivane

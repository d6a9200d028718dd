#include "platform/serial_modem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>

#include <optional>

#include "core/gateway/modem_dialogue.h"
#include "core/gateway/modem_line_settings.h"

namespace lumivane {
namespace {

// The blocking wait for data between two rounds of window events: short enough
// for a responsive window, long enough not to keep a processor busy.
constexpr int kPollMilliseconds = 50;
// A command is a few dozen bytes; a port that cannot take them in this time is stuck.
constexpr int kWriteMilliseconds = 5000;

QString fromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

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
                              "or closed at the other end.").arg(portName);
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
    std::function<void(const QString&)> reportTimeout;
    std::unique_ptr<QSerialPort> port;
    QString portName;
    QElapsedTimer clock;
    bool started = false;
    bool done = false;
    QString result;

    std::chrono::milliseconds now() const { return std::chrono::milliseconds(clock.elapsed()); }
};

SerialModem::SerialModem(QObject* parent) : QObject(parent), replyTimeout_(ModemDialogue::kReplyTimeout) {}

SerialModem::~SerialModem()
{
    // Normally empty: every call waits for its own dialogue. Closing here covers a
    // window torn down from inside a wait.
    for (const auto& job : queue_)
        if (job->port)
            job->port->close();
}

bool SerialModem::isPortOpen() const
{
    return !queue_.empty() && queue_.front()->port && queue_.front()->port->isOpen();
}

QString SerialModem::sendSMS(const QString& commPort, const QString& commSettings, const QString& number,
                             const QString& message, const std::function<void(const QString&)>& reportTimeout)
{
    PreparedModemDialogue prepared =
        prepareModemDialogue(number.toStdString(), message.toStdString(), replyTimeout_);
    if (!prepared.dialogue)
        return fromUtf8(prepared.error);

    auto job = std::make_shared<Job>();
    job->commPort = commPort;
    job->commSettings = commSettings;
    job->dialogue = std::move(prepared.dialogue);
    job->reportTimeout = reportTimeout;
    queue_.push_back(job);

    // Whoever is innermost drives the port: a call nested inside another
    // dialogue's event processing first plays the older dialogue to its end, then
    // its own, so neither waits on a stack frame that cannot run.
    while (!job->done)
        pump();
    return job->result;
}

void SerialModem::pump()
{
    const std::shared_ptr<Job> job = queue_.front();
    if (!job->started)
        startJob(*job);
    else
        pollJob(*job);
}

void SerialModem::startJob(Job& job)
{
    job.started = true;

    const ModemPortNameResult name = modemPortName(job.commPort.toStdString(), platformNaming());
    if (!name.error.empty())
        return failJob(job, fromUtf8(name.error));
    const ModemLineSettingsResult line = parseCommSettings(job.commSettings.toStdString());
    if (!line.settings)
        return failJob(job, fromUtf8(line.error));
    job.portName = fromUtf8(name.portName);

#ifndef Q_OS_WIN
    // POSIX terminals have no 1.5 stop bits, and the port would quietly use one.
    if (line.settings->stopBits == ModemStopBits::OneAndHalf)
        return failJob(job, QStringLiteral("The modem port %1 cannot take the line settings \"%2\": "
                                           "1.5 stop bits are not available on this system.")
                                .arg(job.portName, job.commSettings));
#endif

    job.port = std::make_unique<QSerialPort>();
    QSerialPort& port = *job.port;
    port.setPortName(job.portName);
    if (!port.open(QIODevice::ReadWrite))
        return failJob(job, QStringLiteral("The modem port %1 cannot be opened: %2.").arg(job.portName, port.errorString()));

    const bool settingsTaken = port.setBaudRate(line.settings->speed) &&
                               port.setParity(toQt(line.settings->parity)) &&
                               port.setDataBits(static_cast<QSerialPort::DataBits>(line.settings->dataBits)) &&
                               port.setStopBits(toQt(line.settings->stopBits)) &&
                               port.setFlowControl(QSerialPort::NoFlowControl);
    if (!settingsTaken)
        return failJob(job, QStringLiteral("The modem port %1 cannot take the line settings \"%2\": %3.")
                                .arg(job.portName, job.commSettings, port.errorString()));
    // Bytes left over from before this dialogue must not answer its first command.
    port.clear(QSerialPort::AllDirections);

    job.clock.start();
    const ModemStep step = job.dialogue->start(job.now());
    writeToPort(job, step.write);
}

void SerialModem::pollJob(Job& job)
{
    QSerialPort& port = *job.port;
    port.waitForReadyRead(kPollMilliseconds);
    if (port.error() == QSerialPort::TimeoutError)
        port.clearError();
    if (isFailure(port.error()))
        return failJob(job, brokenPortText(job.portName, port));

    // The window's events run here; a handler may start another dialogue, which
    // then plays this one to its end before its own (see sendSMS).
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (job.done)
        return;

    const auto now = job.now();
    const QByteArray received = port.readAll();
    if (isFailure(port.error()))
        return failJob(job, brokenPortText(job.portName, port));

    const std::string_view bytes(received.constData(), static_cast<std::size_t>(received.size()));
    const ModemStep step = job.dialogue->feed(bytes, now);
    const bool written = step.write.empty() || writeToPort(job, step.write);
    if (written && step.finished)
        finishJob(job);
    // Told last, once the dialogue is in a consistent state, because the listener
    // may run events of its own.
    if (!step.timeoutText.empty() && job.reportTimeout)
        job.reportTimeout(fromUtf8(step.timeoutText));
}

bool SerialModem::writeToPort(Job& job, const std::string& bytes)
{
    QSerialPort& port = *job.port;
    const qint64 written = port.write(bytes.data(), static_cast<qint64>(bytes.size()));
    bool ok = written == static_cast<qint64>(bytes.size());
    while (ok && port.bytesToWrite() > 0)
        ok = port.waitForBytesWritten(kWriteMilliseconds);
    if (!ok) {
        const QString why = isFailure(port.error()) ? port.errorString() : QStringLiteral("the port does not take the bytes");
        failJob(job, QStringLiteral("The modem port %1 cannot be written: %2.").arg(job.portName, why));
        return false;
    }
    return true;
}

void SerialModem::failJob(Job& job, const QString& reason)
{
    job.dialogue->abort(reason.toStdString());
    finishJob(job);
}

void SerialModem::finishJob(Job& job)
{
    if (job.port) {
        job.port->close();
        job.port.reset();
    }
    job.result = fromUtf8(job.dialogue->result());
    job.done = true;
    // Only the job at the front is ever played, so it is the one that ends.
    if (!queue_.empty() && queue_.front().get() == &job)
        queue_.pop_front();
}

}  // namespace lumivane

#include "support/gateway_server.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <utility>

namespace lumivane::test {

GatewayServer::GatewayServer(QObject* parent) : QObject(parent)
{
    restartSim();
    connect(&front_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* client = front_.nextPendingConnection()) {
            client->setParent(this);
            connect(client, &QTcpSocket::readyRead, this, [this, client] { onRequest(client); });
            connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    front_.listen(QHostAddress::LocalHost, 0);
}

QString GatewayServer::address() const { return QStringLiteral("127.0.0.1:%1").arg(front_.serverPort()); }

// The simulator takes its documents when it is made, so new documents mean a new simulator.
void GatewayServer::restartSim()
{
    sim_ = std::make_unique<GatewaySim>(documents_, simLog_);
    QString error;
    sim_->listen(QStringLiteral("127.0.0.1"), 0, &error);
}

void GatewayServer::setPulseBody(const QByteArray& body)
{
    documents_.pulseFields = QStringList{QString::fromLatin1(body)};
    restartSim();
}

void GatewayServer::setCurrents(const QStringList& bodies)
{
    documents_.currents = bodies;
    restartSim();
}

void GatewayServer::release()
{
    const auto held = std::exchange(held_, {});
    for (const auto& answer : held)
        answer();
}

int GatewayServer::requestCount(const QString& path) const
{
    int count = 0;
    for (const QString& line : requestLines_)
        count += line.section(QLatin1Char(' '), 1, 1).section(QLatin1Char('?'), 0, 0) == path ? 1 : 0;
    return count;
}

void GatewayServer::onRequest(QTcpSocket* client)
{
    QByteArray head = client->property("head").toByteArray() + client->readAll();
    client->setProperty("head", head);
    if (!head.contains("\r\n\r\n"))
        return;
    disconnect(client, &QTcpSocket::readyRead, this, nullptr);
    const QString line = QString::fromLatin1(head.left(head.indexOf("\r\n")));
    const QString path = line.section(QLatin1Char(' '), 1, 1).section(QLatin1Char('?'), 0, 0);
    requestLines_ << line;
    const Mode mode = modes_.value(path, Mode::Answer);
    QPointer<QTcpSocket> guarded(client);
    auto answer = [this, guarded, head, path, mode] {
        if (guarded)
            relay(guarded, head, path, mode);
    };
    // Held before anyone hears of the request, so a release from a listener finds it.
    if (mode == Mode::Hold)
        held_ << answer;
    // Listeners may wait for other requests; they run outside this socket's own signal.
    QMetaObject::invokeMethod(
        this,
        [this, line, mode, answer] {
            emit requestReceived(line);
            if (mode != Mode::Hold && mode != Mode::Silent)
                answer();
        },
        Qt::QueuedConnection);
}

// Asks the simulator and hands its whole answer on once it has closed.
void GatewayServer::relay(QTcpSocket* client, QByteArray head, QString path, Mode mode)
{
    auto* sim = new QTcpSocket(client);
    auto answer = std::make_shared<QByteArray>();
    connect(sim, &QTcpSocket::connected, sim, [sim, head] { sim->write(head); });
    connect(sim, &QTcpSocket::readyRead, sim, [sim, answer] { *answer += sim->readAll(); });
    connect(sim, &QTcpSocket::disconnected, this, [this, client, sim, answer, path, mode] {
        *answer += sim->readAll();
        sim->deleteLater();
        deliver(client, *answer, path, mode);
    });
    sim->connectToHost(QHostAddress::LocalHost, sim_->port());
}

void GatewayServer::deliver(QTcpSocket* client, const QByteArray& answer, const QString& path, Mode mode)
{
    if (mode == Mode::Trickle) {
        // The head at once, then the body one byte at a time: the connection never goes quiet for long.
        const qsizetype head = answer.indexOf("\r\n\r\n") + 4;
        client->write(answer.left(head));
        auto* timer = new QTimer(client);
        connect(timer, &QTimer::timeout, client, [client, timer, answer, sent = head]() mutable {
            if (sent >= answer.size() || client->state() != QAbstractSocket::ConnectedState) {
                timer->stop();
                client->disconnectFromHost();
                return;
            }
            client->write(answer.mid(sent++, 1));
        });
        timer->start(40);
        return;
    }
    if (mode == Mode::Redirect)
        client->write("HTTP/1.1 302 Found\r\nLocation: " + path.toLatin1() +
                      "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    else
        client->write(mode == Mode::CutShort ? answer.left(answer.size() / 2) : answer);
    client->disconnectFromHost();
}

}  // namespace lumivane::test

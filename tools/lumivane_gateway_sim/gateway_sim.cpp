#include "gateway_sim.h"

#include <QDateTime>
#include <QHostAddress>
#include <QTcpSocket>

namespace lumivane {
namespace {

// Requests larger than this are not from the program; they are dropped.
constexpr qsizetype kMaxRequestHead = qsizetype{16} * 1024;

QByteArray reply(int status, const QByteArray& reason, const QByteArray& body)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " " + reason +
           "\r\nContent-Type: text/plain\r\nCache-Control: no-store\r\nConnection: close\r\n"
           "Content-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

}  // namespace

GatewaySim::GatewaySim(GatewaySimConfig config, QTextStream& log, QObject* parent)
    : QObject(parent), config_(std::move(config)), log_(log)
{
    connect(&server_, &QTcpServer::newConnection, this, &GatewaySim::onNewConnection);
}

bool GatewaySim::listen(const QString& address, quint16 port, QString* error)
{
    QHostAddress host;
    if (!host.setAddress(address)) {
        *error = QStringLiteral("\"%1\" is not an IP address").arg(address);
        return false;
    }
    if (!server_.listen(host, port)) {
        *error = server_.errorString();
        return false;
    }
    return true;
}

QByteArray GatewaySim::pulseBody() const { return config_.pulseFields.join(QLatin1Char(',')).toLatin1(); }

QByteArray GatewaySim::nextCurrentBody()
{
    if (config_.currents.isEmpty())
        return {};
    const QString current = config_.currents.at(nextCurrent_);
    nextCurrent_ = (nextCurrent_ + 1) % config_.currents.size();
    return current.toLatin1();
}

void GatewaySim::onNewConnection()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
    }
}

void GatewaySim::onReadyRead(QTcpSocket* socket)
{
    QByteArray& head = pending_[socket];
    head += socket->readAll();
    if (head.size() > kMaxRequestHead) {
        pending_.remove(socket);
        socket->abort();
        return;
    }
    if (!head.contains("\r\n\r\n"))
        return;
    const QByteArray requestLine = head.left(head.indexOf("\r\n"));
    pending_.remove(socket);
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);

    const QList<QByteArray> parts = requestLine.split(' ');
    const QByteArray method = parts.value(0);
    const QByteArray path = parts.value(1).split('?').value(0);
    int status = 200;
    QByteArray reason = "OK";
    QByteArray body;
    if (method != "GET") {
        status = 405;
        reason = "Method Not Allowed";
    } else if (path == "/pdata.htm") {
        body = pulseBody();
    } else if (path == "/cdata.htm") {
        body = nextCurrentBody();
    } else {
        status = 404;
        reason = "Not Found";
        body = "no such document";
    }
    socket->write(reply(status, reason, body));
    socket->disconnectFromHost();

    const QByteArray shown = body.size() > 60 ? body.left(60) + "..." : body;
    log_ << QDateTime::currentDateTime().toString(Qt::ISODate) << ' ' << QString::fromLatin1(requestLine) << " -> "
         << status << ' ' << QString::fromLatin1(shown) << Qt::endl;
}

}  // namespace lumivane

#include "support/local_http_server.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace lumivane::test {
namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

QByteArray header(int status, qint64 length)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " " + reasonPhrase(status) +
                      "\r\nContent-Type: text/plain\r\nConnection: close\r\n";
    // A redirect always points elsewhere on the same server, so a client that follows it shows.
    if (status >= 300 && status < 400)
        head += "Location: /elsewhere.htm\r\n";
    if (length >= 0)
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    return head + "\r\n";
}

}  // namespace

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent)
{
    connect(&server_, &QTcpServer::newConnection, this, &LocalHttpServer::onNewConnection);
}

LocalHttpServer::~LocalHttpServer() { server_.close(); }

bool LocalHttpServer::start() { return server_.listen(QHostAddress::LocalHost, 0); }

quint16 LocalHttpServer::port() const { return server_.serverPort(); }

QString LocalHttpServer::address() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

void LocalHttpServer::setResponse(const QString& path, const Response& response)
{
    responses_[path] = {response};
}

void LocalHttpServer::setResponses(const QString& path, const QList<Response>& responses)
{
    responses_[path] = responses;
}

int LocalHttpServer::requestCount(const QString& path) const { return served_.value(path); }

void LocalHttpServer::onNewConnection()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        // Sockets belong to the server object, so they go when the test's server goes.
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
    }
}

void LocalHttpServer::onReadyRead(QTcpSocket* socket)
{
    QByteArray& buffer = pending_[socket];
    buffer += socket->readAll();
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    const QString requestLine = QString::fromLatin1(buffer.left(buffer.indexOf("\r\n")));
    buffer.clear();
    // Stop listening to this socket: one request per connection.
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    requestLines_ << requestLine;

    const QStringList parts = requestLine.split(QLatin1Char(' '));
    const QString target = parts.size() > 1 ? parts.at(1) : QString();
    const QString path = target.section(QLatin1Char('?'), 0, 0);
    const int index = served_.value(path);
    served_[path] = index + 1;
    emit requestReceived(requestLine);

    const auto found = responses_.constFind(path);
    if (found == responses_.constEnd() || found->isEmpty()) {
        answer(socket, Response{404, "no such document", Mode::Normal, 0, 0}, path);
        return;
    }
    Response response = found->at(std::min<qsizetype>(index, found->size() - 1));
    answer(socket, response, path);
}

void LocalHttpServer::answer(QTcpSocket* socket, const Response& response, const QString& path)
{
    switch (response.mode) {
    case Mode::NeverAnswer:
        return;
    case Mode::AnswerSlowly: {
        QPointer<QTcpSocket> guarded(socket);
        Response normal = response;
        normal.mode = Mode::Normal;
        QTimer::singleShot(response.delayMs, this, [this, guarded, normal, path] {
            if (guarded)
                answer(guarded, normal, path);
        });
        return;
    }
    case Mode::CloseMidBody:
        socket->write(header(response.status, response.body.size()));
        socket->write(response.body.left(response.body.size() / 2));
        socket->disconnectFromHost();
        break;
    case Mode::HugeBody: {
        socket->write(header(response.status, -1));
        const QByteArray chunk(64 * 1024, '7');
        for (qint64 sent = 0; sent < response.hugeBytes; sent += chunk.size())
            socket->write(chunk);
        socket->disconnectFromHost();
        break;
    }
    case Mode::TrickleBytes: {
        socket->write(header(response.status, response.body.size()));
        // Each byte on its own timer: the connection never goes quiet for long.
        QPointer<QTcpSocket> guarded(socket);
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        const QByteArray body = response.body;
        connect(timer, &QTimer::timeout, socket, [guarded, timer, sent, body] {
            if (!guarded || guarded->state() != QAbstractSocket::ConnectedState)
                return timer->stop();
            if (*sent >= body.size()) {
                timer->stop();
                guarded->disconnectFromHost();
                return;
            }
            guarded->write(body.mid((*sent)++, 1));
        });
        timer->start(std::max(1, response.delayMs));
        return;
    }
    case Mode::Normal:
        socket->write(header(response.status, response.body.size()));
        socket->write(response.body);
        socket->disconnectFromHost();
        break;
    }
    emit responseSent(path);
}

quint16 closedLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

}  // namespace lumivane::test

#pragma once
// A small HTTP server on 127.0.0.1 for tests: scripted answers per path, the raw
// request lines kept, and the misbehaviours a real gateway can show.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

namespace lumivane::test {

class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Normal,        // status line, headers with Content-Length, body, close
        NeverAnswer,   // read the request and say nothing, connection left open
        AnswerSlowly,  // answer normally after delayMs
        CloseMidBody,  // promise the whole body, send half of it and close
        HugeBody,      // stream hugeBytes of body without a length, then close
        TrickleBytes,  // promise the whole body, then send it one byte every delayMs, then close
    };

    struct Response {
        int status = 200;
        QByteArray body;
        Mode mode = Mode::Normal;
        int delayMs = 0;
        qint64 hugeBytes = 0;
    };

    explicit LocalHttpServer(QObject* parent = nullptr);
    ~LocalHttpServer() override;

    // Listens on 127.0.0.1 with a port the system picks.
    bool start();
    quint16 port() const;
    // "127.0.0.1:<port>", the form the gateway address setting takes.
    QString address() const;

    // The answer for every request of that path (query ignored); unknown paths get 404.
    void setResponse(const QString& path, const Response& response);
    // Answers in this order, one per request; the last one repeats.
    void setResponses(const QString& path, const QList<Response>& responses);

    // Every request line received, raw ("GET /pdata.htm?t=... HTTP/1.1").
    QStringList requestLines() const { return requestLines_; }
    // How many requests asked for that path.
    int requestCount(const QString& path) const;

    // A normal answer with this body.
    static Response body(const QByteArray& bytes) { return Response{200, bytes, Mode::Normal, 0, 0}; }

signals:
    void requestReceived(const QString& requestLine);
    // The answer for that path has been written (for a never-answering path: never).
    void responseSent(const QString& path);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Response& response, const QString& path);

    QTcpServer server_;
    QHash<QString, QList<Response>> responses_;
    QHash<QString, int> served_;
    QStringList requestLines_;
    QHash<QTcpSocket*, QByteArray> pending_;
};

// A loopback port that was free a moment ago and has nobody listening now.
quint16 closedLoopbackPort();

}  // namespace lumivane::test

#pragma once
// The gateway on 127.0.0.1 for tests: the documents come from the gateway
// simulator's own code; in front of it sits a thin relay that keeps the request
// lines and can hold, drop, cut or trickle an answer, as a real gateway may.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTextStream>

#include <functional>
#include <memory>

#include "gateway_sim.h"

class QTcpSocket;

namespace lumivane::test {

class GatewayServer : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Answer,    // the simulator's answer as it stands
        Hold,      // the answer waits until release()
        Silent,    // no answer at all; the connection stays open
        CutShort,  // half of the answer, then the connection closes
        Trickle,   // the head at once, then the body one byte every 40 ms
        Redirect,  // "302 Found" pointing back at the same document
    };

    // Listens on 127.0.0.1 with a port the system picks.
    explicit GatewayServer(QObject* parent = nullptr);
    // "127.0.0.1:<port>", the form the gateway address setting takes.
    QString address() const;

    // The body of "/pdata.htm", bytes as they stand.
    void setPulseBody(const QByteArray& body);
    // The bodies of "/cdata.htm", one per request, round and round.
    void setCurrents(const QStringList& bodies);
    // How requests for `path` (such as "/pdata.htm") are answered from now on.
    void setMode(const QString& path, Mode mode) { modes_[path] = mode; }
    // Sends every held answer.
    void release();

    // Every request line received ("GET /pdata.htm?t=... HTTP/1.1").
    QStringList requestLines() const { return requestLines_; }
    // How many requests asked for `path`.
    int requestCount(const QString& path) const;

signals:
    void requestReceived(const QString& requestLine);

private:
    void restartSim();
    void onRequest(QTcpSocket* client);
    void relay(QTcpSocket* client, QByteArray head, QString path, Mode mode);
    void deliver(QTcpSocket* client, const QByteArray& answer, const QString& path, Mode mode);

    GatewaySimConfig documents_;
    QString simLogText_;
    QTextStream simLog_{&simLogText_};
    std::unique_ptr<GatewaySim> sim_;
    QTcpServer front_;
    QHash<QString, Mode> modes_;
    QList<std::function<void()>> held_;
    QStringList requestLines_;
};

}  // namespace lumivane::test

#include "support/local_http_server.h"

#include <QTimer>

namespace lumivane::test {

LocalHttpServer::LocalHttpServer(QObject* parent) : GatewayServer(parent)
{
    // A slow answer is a held one, released after its delay.
    connect(this, &GatewayServer::requestReceived, this, [this](const QString& line) {
        const int delay = delays_.value(line.section(' ', 1, 1).section('?', 0, 0), -1);
        if (delay >= 0)
            QTimer::singleShot(delay, this, [this] { release(); });
    });
}

void LocalHttpServer::setResponses(const QString& path, const QList<Response>& responses)
{
    const Response& first = responses.value(0);
    QList<QByteArray> bodies;
    for (const Response& response : responses)
        bodies << (response.mode == Mode::HugeBody ? QByteArray(response.hugeBytes, '7') : response.body);
    if (path == QLatin1String("/pdata.htm"))
        setPulseBody(bodies.value(0));
    else
        setCurrents(bodies);
    const Mode modes[] = {Mode::Normal, Mode::NeverAnswer, Mode::AnswerSlowly, Mode::CloseMidBody, Mode::HugeBody};
    const GatewayServer::Mode as[] = {GatewayServer::Mode::Answer, GatewayServer::Mode::Silent,
                                      GatewayServer::Mode::Hold, GatewayServer::Mode::CutShort,
                                      GatewayServer::Mode::Answer};
    for (int i = 0; i < 5; ++i)
        if (first.mode == modes[i])
            setMode(path, as[i]);
    if (first.mode == Mode::AnswerSlowly)
        delays_[path] = first.delayMs;
    else
        delays_.remove(path);
}

}  // namespace lumivane::test

#pragma once
// The window tests' older face on GatewayServer: answers set per document path.
#include "support/gateway_server.h"

namespace lumivane::test {

class LocalHttpServer : public GatewayServer {
    Q_OBJECT
public:
    enum class Mode { Normal, NeverAnswer, AnswerSlowly, CloseMidBody, HugeBody };
    struct Response {
        int status = 200;  // only 200: other paths get the simulator's 404
        QByteArray body;
        Mode mode = Mode::Normal;
        int delayMs = 0;
        qint64 hugeBytes = 0;
    };

    explicit LocalHttpServer(QObject* parent = nullptr);
    bool start() { return isListening(); }
    // The answer for "/pdata.htm" or "/cdata.htm".
    void setResponse(const QString& path, const Response& response) { setResponses(path, {response}); }
    // "/cdata.htm" bodies one per request, round and round; the first one's mode counts.
    void setResponses(const QString& path, const QList<Response>& responses);
    static Response body(const QByteArray& bytes) { return Response{200, bytes, Mode::Normal, 0, 0}; }

private:
    QHash<QString, int> delays_;
};

}  // namespace lumivane::test

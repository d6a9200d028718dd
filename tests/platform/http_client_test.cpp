// The gateway's HTTP client against the gateway's documents served on 127.0.0.1.
#include "platform/http_client.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "support/gateway_server.h"

using namespace lumivane;
using lumivane::test::GatewayServer;
using Mode = GatewayServer::Mode;
using namespace std::chrono_literals;

namespace {

struct Gateway : ::testing::Test {
    GatewayServer server;
    HttpClient client;
    HttpResult get(const QString& document, std::chrono::milliseconds limit = 20s)
    {
        return client.OpenURL(gatewayRequestUrl(server.address(), document, "05/12/2026 14:03:27"), limit);
    }
};

}  // namespace

TEST_F(Gateway, ReturnsTheBodyByteForByteAndSendsTheStampPercentEncoded)
{
    QByteArray binary(256, '\0');
    for (int i = 0; i < 256; ++i)
        binary[i] = static_cast<char>(255 - i);
    for (const QByteArray& body : {QByteArray("5,1,0,0"), binary}) {
        server.setPulseBody(body);
        const HttpResult result = get("pdata.htm");
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.body, body);
    }
    const HttpResult empty = get("cdata.htm");
    EXPECT_TRUE(empty.ok && empty.body.isEmpty());
    EXPECT_EQ(server.requestLines().value(0), "GET /pdata.htm?t=05%2F12%2F2026%2014%3A03%3A27 HTTP/1.1");
    EXPECT_EQ(gatewayRequestUrl("gateway.local:8080", "pdata.htm", "05/12/2026").toString(QUrl::FullyEncoded),
              "http://gateway.local:8080/pdata.htm?t=05%2F12%2F2026");
}

// Each way a request fails ends it in bounded time with a reason and no body,
// and leaves the client fit for the next request.
TEST_F(Gateway, EveryFailureEndsWithItsReasonAndTheClientGoesOn)
{
    const struct {
        const char* name;
        Mode mode;
        QByteArray body;
        const char* document;
        std::chrono::milliseconds limit;
        qint64 maxBody;
        const char* reason;
    } cases[] = {
        {"silent gateway", Mode::Silent, "1", "pdata.htm", 300ms, 100, "within 0.3 seconds"},
        {"answer cut short", Mode::CutShort, QByteArray(3000, '1'), "pdata.htm", 20s, 1 << 20, ""},
        // A byte every 40 ms never lets the transfer go quiet: only the whole limit ends it.
        {"trickling answer", Mode::Trickle, QByteArray(3000, '1'), "pdata.htm", 800ms, 1 << 20, "within 0.8 seconds"},
        {"one byte over the body limit", Mode::Answer, QByteArray(101, '1'), "pdata.htm", 20s, 100, "response too large"},
        {"ten megabytes", Mode::Answer, QByteArray(10 << 20, '7'), "pdata.htm", 20s, 1 << 20, "response too large"},
        {"unknown document", Mode::Answer, "1", "other.htm", 20s, 100, "HTTP 404"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.setPulseBody(c.body);
        server.setMode(QStringLiteral("/") + c.document, c.mode);
        client.setMaxBodyBytes(c.maxBody);
        const HttpResult result = get(c.document, c.limit);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.body.isEmpty());
        EXPECT_TRUE(!result.error.isEmpty() && result.error.contains(c.reason)) << result.error.toStdString();
        EXPECT_FALSE(client.busy());
        server.setMode(QStringLiteral("/") + c.document, Mode::Answer);
        server.setPulseBody(QByteArray(100, '2'));
        EXPECT_EQ(get("pdata.htm").body, QByteArray(100, '2'));  // a body at the limit passes
    }
    const QString closed = QStringLiteral("127.0.0.1:%1").arg(test::closedLoopbackPort());
    EXPECT_TRUE(client.OpenURL(gatewayRequestUrl(closed, "pdata.htm", "x"), 5s).error.contains("cannot be reached"));
    EXPECT_TRUE(client.OpenURL(gatewayRequestUrl("", "pdata.htm", "x"), 5s).error.contains("not usable"));
}

// A request made while another waits (the alarm timer during a pulse request)
// waits its turn and gets its own answer, also when the first one times out.
TEST_F(Gateway, OverlappingRequestsRunOneAfterTheOther)
{
    for (const Mode mode : {Mode::Hold, Mode::Silent}) {
        GatewayServer gateway;
        gateway.setPulseBody("pulses");
        gateway.setCurrents({"250"});
        gateway.setMode("/pdata.htm", mode);
        QStringList events;
        QObject::connect(&gateway, &GatewayServer::requestReceived, &gateway,
                         [&](const QString& line) { events << "request " + line.section('?', 0, 0); });
        QObject::connect(&gateway, &GatewayServer::responseSent, &gateway,
                         [&](const QString& path) { events << "answer " + path; });
        HttpResult inner;
        bool busyWhenInnerStarted = false;
        // Starts from within the first request's wait, once the gateway holds it.
        QObject::connect(
            &gateway, &GatewayServer::requestReceived, &gateway,
            [&] {
                busyWhenInnerStarted = client.busy();
                QTimer::singleShot(0, &gateway, [&] { gateway.release(); });
                inner = client.OpenURL(gatewayRequestUrl(gateway.address(), "cdata.htm", "x"), 20s);
            },
            Qt::SingleShotConnection);
        const HttpResult outer = client.OpenURL(gatewayRequestUrl(gateway.address(), "pdata.htm", "x"),
                                                mode == Mode::Hold ? 20s : 400ms);
        EXPECT_TRUE(busyWhenInnerStarted);
        EXPECT_EQ(outer.ok, mode == Mode::Hold) << outer.error.toStdString();
        EXPECT_EQ(outer.body, QByteArray(mode == Mode::Hold ? "pulses" : ""));
        EXPECT_EQ(inner.body, QByteArray("250")) << inner.error.toStdString();
        const QStringList order = {"request GET /pdata.htm", "answer /pdata.htm", "request GET /cdata.htm",
                                   "answer /cdata.htm"};
        EXPECT_EQ(events, mode == Mode::Hold ? order : (QStringList{order[0], order[2], order[3]}));
        EXPECT_FALSE(client.busy());
    }
}

// The gateway's HTTP client against the gateway's documents served on 127.0.0.1.
#include "platform/http_client.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpServer>

#include "support/gateway_server.h"
#include "support/wait_for_result.h"

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
        return test::fetchAndWait(client, gatewayRequestUrl(server.address(), document, "05/12/2026 14:03:27"), limit);
    }
};

}  // namespace

// The body is taken as bytes (Qt's reply hands them on as they came); an empty one is still an answer.
TEST_F(Gateway, EmptyBodyIsAnAnswerAndTheTypedAddressIsCleaned)
{
    const HttpResult empty = get("cdata.htm");
    EXPECT_TRUE(empty.ok) << empty.error.toStdString();
    EXPECT_TRUE(empty.body.isEmpty());
    // Blanks around the address and a typed "http://" are not part of it.
    for (const QString typed : {"gateway.local:8080", " http://gateway.local:8080 ", "HTTP://gateway.local:8080/"})
        EXPECT_EQ(gatewayRequestUrl(typed, "pdata.htm", "05/12/2026").toString(QUrl::FullyEncoded),
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
        const char* path;
        std::chrono::milliseconds limit;
        const char* reason;
    } cases[] = {
        {"silent gateway", Mode::Silent, "1", "/pdata.htm", 300ms, "within 0.3 seconds"},
        // A byte every 40 ms never lets the transfer go quiet: only the whole limit ends it.
        {"trickling answer", Mode::Trickle, QByteArray(100, '1'), "/pdata.htm", 800ms, "within 0.8 seconds"},
        {"one byte over the body limit", Mode::Answer, QByteArray(101, '1'), "/pdata.htm", 20s, "response too large"},
        {"unknown document", Mode::Answer, "1", "/other.htm", 20s, "HTTP 404"},
        // Followed, it would ask again and again; another server must never speak for the gateway.
        {"redirect to itself", Mode::Redirect, "1", "/pdata.htm", 20s, "HTTP 302 Found, a redirect to /pdata.htm"},
    };
    client.setMaxBodyBytes(100);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.setPulseBody(c.body);
        server.setMode(c.path, c.mode);
        const int asked = server.requestCount(c.path);
        const HttpResult result = get(QString(c.path).mid(1), c.limit);
        EXPECT_EQ(server.requestCount(c.path), asked + 1) << "asked once, never followed";
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.body.isEmpty());
        EXPECT_TRUE(!result.error.isEmpty() && result.error.contains(c.reason)) << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(server.address())) << result.error.toStdString();
        EXPECT_FALSE(client.busy());
        server.setMode(c.path, Mode::Answer);
        server.setPulseBody(QByteArray(100, '2'));
        EXPECT_EQ(get("pdata.htm").body, QByteArray(100, '2'));  // a body at the limit passes
    }
    QTcpServer probe;  // a port that was free a moment ago and has nobody listening now
    probe.listen(QHostAddress::LocalHost, 0);
    const QString closed = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
    probe.close();
    EXPECT_TRUE(test::fetchAndWait(client, gatewayRequestUrl(closed, "pdata.htm", "x"), 5s)
                    .error.contains("the gateway " + closed + " cannot be reached"));
    EXPECT_TRUE(test::fetchAndWait(client, gatewayRequestUrl("", "pdata.htm", "x"), 5s).error.contains("not usable"));
    // An address the URL cannot hold is quoted as typed, not in the URL's half-encoded form.
    QString refused;
    const QString typed = "gate way%/";
    client.OpenURL(HttpRequest{[&] { return gatewayRequestUrl(typed, "cdata.htm", "x"); }, 5s,
                               [&](const HttpResult& r) { refused = r.error; }, typed});
    EXPECT_TRUE(test::waitUntil([&] { return !refused.isEmpty(); }, 5s));
    EXPECT_EQ(refused, "the gateway address \"gate way%/\" is not usable");
}

// Requests queue behind the one on the wire, also one that times out; a queued
// request's address (and so its time stamp) is built only when it goes out, and
// each caller gets its own answer.
TEST_F(Gateway, QueuedRequestsRunOneAfterTheOtherWithTheirOwnAnswers)
{
    for (const Mode mode : {Mode::Answer, Mode::Silent}) {
        GatewayServer gateway;
        gateway.setPulseBody("pulses");
        gateway.setCurrents({"250"});
        gateway.setMode("/pdata.htm", mode);
        QStringList events;
        QObject::connect(&gateway, &GatewayServer::requestReceived, &gateway,
                         [&](const QString& line) { events << "request " + line.section(' ', 1, 1); });
        int stamps = 0;
        auto request = [&](const QString& document, std::chrono::milliseconds limit) {
            return HttpRequest{
                [&, document] { return gatewayRequestUrl(gateway.address(), document, QString::number(++stamps)); },
                limit,
                [&events, document](const HttpResult& r) {
                    events << document + " " + (r.ok ? QString::fromLatin1(r.body) : r.error.section(' ', 0, 2));
                }};
        };
        EXPECT_FALSE(client.OpenURL(request("pdata.htm", mode == Mode::Answer ? 20s : 400ms)));
        EXPECT_TRUE(client.OpenURL(request("cdata.htm", 20s)));
        EXPECT_EQ(stamps, 1);
        test::waitUntil([&] { return !client.busy(); }, 20s);
        EXPECT_EQ(events, (QStringList{"request /pdata.htm?t=1",
                                       mode == Mode::Answer ? "pdata.htm pulses" : "pdata.htm no complete answer",
                                       "request /cdata.htm?t=2", "cdata.htm 250"}));
    }
}

TEST_F(Gateway, CancelledRequestsAreNeverAnsweredAndTheClientIsFreeAtOnce)
{
    server.setMode("/pdata.htm", Mode::Silent);
    int answered = 0;
    client.OpenURL(gatewayRequestUrl(server.address(), "pdata.htm", "x"), 20s, [&](const HttpResult&) { ++answered; });
    client.OpenURL(gatewayRequestUrl(server.address(), "cdata.htm", "x"), 20s, [&](const HttpResult&) { ++answered; });
    test::waitUntil([&] { return server.requestCount("/pdata.htm") == 1; }, 5s);
    client.cancelAll();
    EXPECT_FALSE(client.busy());
    test::waitUntil([] { return false; }, 200ms);
    EXPECT_EQ(answered, 0);
    EXPECT_EQ(server.requestCount("/cdata.htm"), 0);
}

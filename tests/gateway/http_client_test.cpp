// The gateway's HTTP client against a real server on 127.0.0.1.
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "platform/http_client.h"
#include "support/local_http_server.h"

using namespace lumivane;
using lumivane::test::LocalHttpServer;
using namespace std::chrono_literals;

class HttpClientTest : public QObject {
    Q_OBJECT

private:
    QUrl urlOf(const LocalHttpServer& server, const QString& document)
    {
        return gatewayRequestUrl(server.address(), document, QStringLiteral("05/12/2026 14:03:27"));
    }

private slots:
    void returnsTheWholeBody()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/pdata.htm", LocalHttpServer::body("5,1,0,0"));
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "pdata.htm"), 5s);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.body, QByteArray("5,1,0,0"));
    }

    void emptyBodyIsSuccessWithEmptyText()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/pdata.htm", LocalHttpServer::body(""));
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "pdata.htm"), 5s);
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(result.body.isEmpty());
    }

    void queryValueTravelsPercentEncoded()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/cdata.htm", LocalHttpServer::body("12"));
        HttpClient client;
        QVERIFY(client.OpenURL(urlOf(server, "cdata.htm"), 5s).ok);
        QCOMPARE(server.requestLines(),
                 QStringList{"GET /cdata.htm?t=05%2F12%2F2026%2014%3A03%3A27 HTTP/1.1"});
    }

    void requestUrlKeepsAddressAsTyped()
    {
        const QUrl url = gatewayRequestUrl("gateway.local:8080", "pdata.htm", "05/12/2026");
        QCOMPARE(url.toString(QUrl::FullyEncoded),
                 QString("http://gateway.local:8080/pdata.htm?t=05%2F12%2F2026"));
    }

    void unreachableGatewayFails()
    {
        HttpClient client;
        const QString address = QStringLiteral("127.0.0.1:%1").arg(test::closedLoopbackPort());
        const HttpResult result = client.OpenURL(gatewayRequestUrl(address, "pdata.htm", "x"), 5s);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("cannot be reached"), qPrintable(result.error));
        QVERIFY(!client.busy());
    }

    void unusableAddressFails()
    {
        HttpClient client;
        const HttpResult result = client.OpenURL(gatewayRequestUrl("", "pdata.htm", "x"), 5s);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("not usable"), qPrintable(result.error));
    }

    void silentGatewayTimesOut()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/pdata.htm", {200, "late", LocalHttpServer::Mode::NeverAnswer, 0, 0});
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "pdata.htm"), 300ms);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("within 0.3 seconds"), qPrintable(result.error));
        QCOMPARE(server.requestCount("/pdata.htm"), 1);
    }

    void slowAnswerWithinLimitArrives()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/cdata.htm", {200, "250", LocalHttpServer::Mode::AnswerSlowly, 150, 0});
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "cdata.htm"), 10s);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.body, QByteArray("250"));
    }

    void answerCutOffMidBodyFails()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/pdata.htm",
                           {200, QByteArray(2000, '1'), LocalHttpServer::Mode::CloseMidBody, 0, 0});
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "pdata.htm"), 5s);
        QVERIFY(!result.ok);
        QVERIFY(result.body.isEmpty());
        QVERIFY(!result.error.isEmpty());
    }

    void endlessBodyIsRefusedAsTooLarge()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/pdata.htm", {200, {}, LocalHttpServer::Mode::HugeBody, 0, 3 * 1024 * 1024});
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "pdata.htm"), 10s);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith("response too large"), qPrintable(result.error));
        QVERIFY(result.body.isEmpty());
    }

    void bodyAtTheLimitPassesOneByteMoreDoesNot()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/a.htm", LocalHttpServer::body(QByteArray(100, 'a')));
        server.setResponse("/b.htm", LocalHttpServer::body(QByteArray(101, 'b')));
        HttpClient client;
        client.setMaxBodyBytes(100);
        QVERIFY(client.OpenURL(urlOf(server, "a.htm"), 5s).ok);
        const HttpResult over = client.OpenURL(urlOf(server, "b.htm"), 5s);
        QVERIFY(!over.ok);
        QVERIFY2(over.error.startsWith("response too large"), qPrintable(over.error));
    }

    void errorStatusFails()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "other.htm"), 5s);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("HTTP 404"), qPrintable(result.error));
        QVERIFY(result.body.isEmpty());
    }

    // A request made from the nested event loop of a running one (the alarm timer during
    // a pulse request) waits its turn; each caller gets its own answer.
    void overlappingRequestsRunOneAfterTheOther()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/pdata.htm", {200, "pulses", LocalHttpServer::Mode::AnswerSlowly, 300, 0});
        server.setResponse("/cdata.htm", LocalHttpServer::body("250"));
        QStringList events;
        connect(&server, &LocalHttpServer::requestReceived, this,
                [&](const QString& line) { events << "request " + line.section(' ', 1, 1).section('?', 0, 0); });
        connect(&server, &LocalHttpServer::responseSent, this,
                [&](const QString& path) { events << "answer " + path; });

        HttpClient client;
        HttpResult inner;
        bool innerRan = false;
        bool busyWhenInnerStarted = false;
        // Falls due once the outer request is on the wire.
        QTimer::singleShot(50ms, this, [&] {
            busyWhenInnerStarted = client.busy();
            inner = client.OpenURL(urlOf(server, "cdata.htm"), 5s);
            innerRan = true;
        });
        const HttpResult outer = client.OpenURL(urlOf(server, "pdata.htm"), 5s);

        QVERIFY(innerRan);
        QVERIFY(busyWhenInnerStarted);
        QVERIFY2(outer.ok, qPrintable(outer.error));
        QCOMPARE(outer.body, QByteArray("pulses"));
        QVERIFY2(inner.ok, qPrintable(inner.error));
        QCOMPARE(inner.body, QByteArray("250"));
        QCOMPARE(events, (QStringList{"request /pdata.htm", "answer /pdata.htm", "request /cdata.htm",
                                      "answer /cdata.htm"}));
        QVERIFY(!client.busy());
    }

    void requestWaitingBehindATimeOutStillGetsItsAnswer()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/pdata.htm", {200, "never", LocalHttpServer::Mode::NeverAnswer, 0, 0});
        server.setResponse("/cdata.htm", LocalHttpServer::body("99"));
        HttpClient client;
        HttpResult inner;
        QTimer::singleShot(50ms, this, [&] { inner = client.OpenURL(urlOf(server, "cdata.htm"), 5s); });
        const HttpResult outer = client.OpenURL(urlOf(server, "pdata.htm"), 400ms);
        QVERIFY(!outer.ok);
        QVERIFY2(outer.error.contains("within"), qPrintable(outer.error));
        QVERIFY2(inner.ok, qPrintable(inner.error));
        QCOMPARE(inner.body, QByteArray("99"));
    }

    void windowEventsRunWhileWaiting()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/pdata.htm", {200, "x", LocalHttpServer::Mode::AnswerSlowly, 300, 0});
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);
        HttpClient client;
        QVERIFY(client.OpenURL(urlOf(server, "pdata.htm"), 5s).ok);
        QVERIFY(ticks > 0);
    }
};

QTEST_GUILESS_MAIN(HttpClientTest)
#include "http_client_test.moc"

// The gateway's HTTP client against a real server on 127.0.0.1.
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "platform/http_client.h"
#include "support/local_http_server.h"

using namespace lumivane;
using lumivane::test::LocalHttpServer;
using namespace std::chrono_literals;

class HttpClientTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LocalHttpServer> server;

    QUrl urlOf(const QString& document)
    {
        return gatewayRequestUrl(server->address(), document, QStringLiteral("05/12/2026 14:03:27"));
    }

    // Serves `response` for the document and asks for it once with a fresh client.
    HttpResult fetch(const QString& document, const LocalHttpServer::Response& response,
                     std::chrono::milliseconds limit = 5s)
    {
        server->setResponse("/" + document, response);
        HttpClient client;
        return client.OpenURL(urlOf(document), limit);
    }

private slots:
    void init()
    {
        server = std::make_unique<LocalHttpServer>();
        QVERIFY(server->start());
    }

    void cleanup() { server.reset(); }

    void returnsTheWholeBodyEvenAnEmptyOne()
    {
        for (const QByteArray& body : {QByteArray("5,1,0,0"), QByteArray()}) {
            const HttpResult result = fetch("pdata.htm", LocalHttpServer::body(body));
            QVERIFY2(result.ok, qPrintable(result.error));
            QCOMPARE(result.body, body);
        }
    }

    void queryValueTravelsPercentEncoded()
    {
        QVERIFY(fetch("cdata.htm", LocalHttpServer::body("12")).ok);
        QCOMPARE(server->requestLines(),
                 QStringList{"GET /cdata.htm?t=05%2F12%2F2026%2014%3A03%3A27 HTTP/1.1"});
        // The address is taken as typed, host name and port included.
        QCOMPARE(gatewayRequestUrl("gateway.local:8080", "pdata.htm", "05/12/2026").toString(QUrl::FullyEncoded),
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
        const HttpResult unusable = client.OpenURL(gatewayRequestUrl("", "pdata.htm", "x"), 5s);
        QVERIFY(!unusable.ok);
        QVERIFY2(unusable.error.contains("not usable"), qPrintable(unusable.error));
    }

    void silentGatewayTimesOut()
    {
        const HttpResult result = fetch("pdata.htm", {200, "late", LocalHttpServer::Mode::NeverAnswer, 0, 0}, 300ms);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("within 0.3 seconds"), qPrintable(result.error));
        QCOMPARE(server->requestCount("/pdata.htm"), 1);
    }

    void slowAnswerWithinLimitArrives()
    {
        const HttpResult result = fetch("cdata.htm", {200, "250", LocalHttpServer::Mode::AnswerSlowly, 150, 0}, 10s);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.body, QByteArray("250"));
    }

    void answerCutOffMidBodyFails()
    {
        const HttpResult result =
            fetch("pdata.htm", {200, QByteArray(2000, '1'), LocalHttpServer::Mode::CloseMidBody, 0, 0});
        QVERIFY(!result.ok);
        QVERIFY(result.body.isEmpty());
        QVERIFY(!result.error.isEmpty());
    }

    void endlessBodyIsRefusedAsTooLarge()
    {
        const HttpResult result =
            fetch("pdata.htm", {200, {}, LocalHttpServer::Mode::HugeBody, 0, 3 * 1024 * 1024}, 10s);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith("response too large"), qPrintable(result.error));
        QVERIFY(result.body.isEmpty());
    }

    void bodyAtTheLimitPassesOneByteMoreDoesNot()
    {
        server->setResponse("/a.htm", LocalHttpServer::body(QByteArray(100, 'a')));
        server->setResponse("/b.htm", LocalHttpServer::body(QByteArray(101, 'b')));
        HttpClient client;
        client.setMaxBodyBytes(100);
        QVERIFY(client.OpenURL(urlOf("a.htm"), 5s).ok);
        const HttpResult over = client.OpenURL(urlOf("b.htm"), 5s);
        QVERIFY(!over.ok);
        QVERIFY2(over.error.startsWith("response too large"), qPrintable(over.error));
    }

    void errorStatusFails()
    {
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf("other.htm"), 5s);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("HTTP 404"), qPrintable(result.error));
        QVERIFY(result.body.isEmpty());
    }

    // A request made from the nested event loop of a running one (the alarm timer during
    // a pulse request) waits its turn; each caller gets its own answer. The timer firing
    // at all shows that window events run while a request waits.
    void overlappingRequestsRunOneAfterTheOther()
    {
        server->setResponse("/pdata.htm", {200, "pulses", LocalHttpServer::Mode::AnswerSlowly, 300, 0});
        server->setResponse("/cdata.htm", LocalHttpServer::body("250"));
        QStringList events;
        QObject listening;  // ends the connections before `events` goes, as the server outlives this function
        connect(server.get(), &LocalHttpServer::requestReceived, &listening,
                [&](const QString& line) { events << "request " + line.section(' ', 1, 1).section('?', 0, 0); });
        connect(server.get(), &LocalHttpServer::responseSent, &listening,
                [&](const QString& path) { events << "answer " + path; });

        HttpClient client;
        HttpResult inner;
        bool innerRan = false;
        bool busyWhenInnerStarted = false;
        // Falls due once the outer request is on the wire.
        QTimer::singleShot(50ms, this, [&] {
            busyWhenInnerStarted = client.busy();
            inner = client.OpenURL(urlOf("cdata.htm"), 5s);
            innerRan = true;
        });
        const HttpResult outer = client.OpenURL(urlOf("pdata.htm"), 5s);

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
        server->setResponse("/pdata.htm", {200, "never", LocalHttpServer::Mode::NeverAnswer, 0, 0});
        server->setResponse("/cdata.htm", LocalHttpServer::body("99"));
        HttpClient client;
        HttpResult inner;
        QTimer::singleShot(50ms, this, [&] { inner = client.OpenURL(urlOf("cdata.htm"), 5s); });
        const HttpResult outer = client.OpenURL(urlOf("pdata.htm"), 400ms);
        QVERIFY(!outer.ok);
        QVERIFY2(outer.error.contains("within"), qPrintable(outer.error));
        QVERIFY2(inner.ok, qPrintable(inner.error));
        QCOMPARE(inner.body, QByteArray("99"));
    }
};

QTEST_GUILESS_MAIN(HttpClientTest)
#include "http_client_test.moc"

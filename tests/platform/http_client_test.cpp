// The gateway's HTTP client against a real server on 127.0.0.1.
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "platform/http_client.h"
#include "support/local_http_server.h"
#include "support/wait_for_result.h"

using namespace lumivane;
using lumivane::test::fetchAndWait;
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
        return fetchAndWait(client, urlOf(document), limit);
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
        // Blanks around it and a typed "http://" are not part of the address.
        for (const QString typed : {"gateway.local:8080", " http://gateway.local:8080 ", "HTTP://gateway.local:8080/"})
            QCOMPARE(gatewayRequestUrl(typed, "pdata.htm", "05/12/2026").toString(QUrl::FullyEncoded),
                     QString("http://gateway.local:8080/pdata.htm?t=05%2F12%2F2026"));
    }

    void unreachableGatewayFails()
    {
        HttpClient client;
        const QString address = QStringLiteral("127.0.0.1:%1").arg(test::closedLoopbackPort());
        const HttpResult result = fetchAndWait(client, gatewayRequestUrl(address, "pdata.htm", "x"), 5s);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("cannot be reached"), qPrintable(result.error));
        QVERIFY2(result.error.contains(address), qPrintable(result.error));
        QVERIFY(!client.busy());
        const HttpResult unusable = fetchAndWait(client, gatewayRequestUrl("", "pdata.htm", "x"), 5s);
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
        QVERIFY(fetchAndWait(client, urlOf("a.htm"), 5s).ok);
        const HttpResult over = fetchAndWait(client, urlOf("b.htm"), 5s);
        QVERIFY(!over.ok);
        QVERIFY2(over.error.startsWith("response too large"), qPrintable(over.error));
    }

    void errorStatusOrRedirectFailsNamingTheGatewayAndItsPort_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("named");
        QTest::newRow("404") << 404 << "HTTP 404";
        // Another server must never speak for the gateway: the redirect is not followed.
        QTest::newRow("302") << 302 << "HTTP 302";
        QTest::newRow("301") << 301 << "a redirect";
    }

    void errorStatusOrRedirectFailsNamingTheGatewayAndItsPort()
    {
        QFETCH(int, status);
        QFETCH(QString, named);
        const HttpResult result = fetch("cdata.htm", {status, "250", LocalHttpServer::Mode::Normal, 0, 0});
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(named), qPrintable(result.error));
        QVERIFY2(result.error.contains(server->address()), qPrintable(result.error));
        QVERIFY(result.body.isEmpty());
        QCOMPARE(server->requestCount("/cdata.htm"), 1);
        QCOMPARE(server->requestCount("/elsewhere.htm"), 0);
    }

    // The second request waits in the queue while the first is on the wire; its
    // address (and so its time stamp) is built only when it goes out, and each
    // caller gets its own answer.
    void queuedRequestsRunOneAfterTheOtherEachWithItsOwnAnswer()
    {
        server->setResponse("/pdata.htm", {200, "pulses", LocalHttpServer::Mode::AnswerSlowly, 300, 0});
        server->setResponse("/cdata.htm", LocalHttpServer::body("250"));
        QStringList events;
        QObject listening;  // ends the connections before `events` goes, as the server outlives this function
        connect(server.get(), &LocalHttpServer::requestReceived, &listening,
                [&](const QString& line) { events << "request " + line.section(' ', 1, 1); });
        connect(server.get(), &LocalHttpServer::responseSent, &listening,
                [&](const QString& path) { events << "answer " + path; });

        HttpClient client;
        int stamps = 0;
        auto request = [&](const QString& document) {
            return HttpRequest{[&, document] {
                                   return gatewayRequestUrl(server->address(), document, QString::number(++stamps));
                               },
                               5s, [&events, document](const HttpResult& r) { events << document + " " + r.body; }};
        };
        QVERIFY(!client.OpenURL(request("pdata.htm")));
        QVERIFY(client.OpenURL(request("cdata.htm")));
        QCOMPARE(stamps, 1);
        QTRY_COMPARE_WITH_TIMEOUT(events.size(), 6, 5000);
        QCOMPARE(events, (QStringList{"request /pdata.htm?t=1", "answer /pdata.htm", "pdata.htm pulses",
                                      "request /cdata.htm?t=2", "answer /cdata.htm", "cdata.htm 250"}));
        QVERIFY(!client.busy());
    }

    void requestWaitingBehindATimeOutStillGetsItsAnswer()
    {
        server->setResponse("/pdata.htm", {200, "never", LocalHttpServer::Mode::NeverAnswer, 0, 0});
        server->setResponse("/cdata.htm", LocalHttpServer::body("99"));
        HttpClient client;
        QList<HttpResult> results;
        client.OpenURL(urlOf("pdata.htm"), 400ms, [&](const HttpResult& r) { results << r; });
        client.OpenURL(urlOf("cdata.htm"), 5s, [&](const HttpResult& r) { results << r; });
        QTRY_COMPARE_WITH_TIMEOUT(results.size(), 2, 5000);
        QVERIFY(!results[0].ok);
        QVERIFY2(results[0].error.contains("within 0.4 seconds"), qPrintable(results[0].error));
        QVERIFY2(results[1].ok, qPrintable(results[1].error));
        QCOMPARE(results[1].body, QByteArray("99"));
    }

    void cancelledRequestsAreNeverAnsweredAndTheClientIsFree()
    {
        server->setResponse("/pdata.htm", {200, "never", LocalHttpServer::Mode::NeverAnswer, 0, 0});
        HttpClient client;
        int answered = 0;
        client.OpenURL(urlOf("pdata.htm"), 5s, [&](const HttpResult&) { ++answered; });
        client.OpenURL(urlOf("cdata.htm"), 5s, [&](const HttpResult&) { ++answered; });
        QTRY_COMPARE(server->requestCount("/pdata.htm"), 1);
        client.cancelAll();
        QVERIFY(!client.busy());
        QTest::qWait(100);
        QCOMPARE(answered, 0);
        QCOMPARE(server->requestCount("/cdata.htm"), 0);
    }
};

QTEST_GUILESS_MAIN(HttpClientTest)
#include "http_client_test.moc"

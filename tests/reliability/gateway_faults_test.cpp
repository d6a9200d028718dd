// A misbehaving gateway on 127.0.0.1: one that trickles its answer a byte at
// a time, sends ten megabytes, or sends binary. Each request ends in bounded
// time with a reason, the body never grows past the client's limit, and what
// the window would show says what was wrong. Silence, slow answers and cut-off
// bodies are pinned in gateway/http_client_test.cpp.
#include <QElapsedTimer>
#include <QtTest>

#include <random>

#include "core/gateway/alarm_monitor.h"
#include "core/gateway/pulse_readings.h"
#include "platform/http_client.h"
#include "support/wait_for_result.h"
#include "support/fixed_clock.h"
#include "support/local_http_server.h"

using namespace lumivane;
using lumivane::test::fetchAndWait;
using lumivane::test::LocalHttpServer;
using namespace std::chrono_literals;

namespace {

// Serves `response` for the document and asks for it once through `client`.
HttpResult fetch(HttpClient& client, LocalHttpServer& server, const QString& document,
                 const LocalHttpServer::Response& response, std::chrono::milliseconds limit)
{
    server.setResponse("/" + document, response);
    return fetchAndWait(client, gatewayRequestUrl(server.address(), document, QStringLiteral("05/12/2026 14:03:27")),
                          limit);
}

QByteArray randomBinary(int size)
{
    std::mt19937 random(5122026);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    bytes[size / 2] = '\0';
    return bytes;
}

std::string_view viewOf(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

class GatewayFaultsTest : public QObject {
    Q_OBJECT

    LocalHttpServer server;
    HttpClient client;

private slots:
    void initTestCase() { QVERIFY(server.start()); }

    void tricklingAnswerIsCutOffAtTheWholeRequestLimit()
    {
        // A byte every 40 ms never lets the transfer go quiet, so only the
        // limit on the whole answer can end it.
        QElapsedTimer clock;
        clock.start();
        const HttpResult result = fetch(client, server, "pdata.htm",
                                        {200, QByteArray(5000, '1'), LocalHttpServer::Mode::TrickleBytes, 40, 0}, 800ms);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("within 0.8 seconds"), qPrintable(result.error));
        QVERIFY(result.body.isEmpty());
        // Generous: the point is that it ends, not how fast.
        QVERIFY2(clock.elapsed() < 60000, "the trickling answer held the request");
        QVERIFY(!client.busy());
    }

    void tricklingAnswerWithinTheLimitArrivesWhole()
    {
        const HttpResult result =
            fetch(client, server, "cdata.htm", {200, "241", LocalHttpServer::Mode::TrickleBytes, 20, 0}, 20s);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.body, QByteArray("241"));
    }

    void tenMegabytesAreRefusedWithoutBeingKept()
    {
        const HttpResult result =
            fetch(client, server, "pdata.htm", {200, {}, LocalHttpServer::Mode::HugeBody, 0, 10 * 1024 * 1024}, 30s);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith("response too large"), qPrintable(result.error));
        QVERIFY(result.body.isEmpty());
        QVERIFY(!client.busy());

        // The client is fit for the next request.
        const HttpResult next = fetch(client, server, "cdata.htm", LocalHttpServer::body("12"), 10s);
        QVERIFY2(next.ok, qPrintable(next.error));
        QCOMPARE(next.body, QByteArray("12"));
    }

    void binaryDocumentsAreRefusedWithNothingLoggedAndNoAlarm()
    {
        const QByteArray binary = randomBinary(4096);
        const HttpResult pulses = fetch(client, server, "pdata.htm", LocalHttpServer::body(binary), 10s);
        QVERIFY2(pulses.ok, qPrintable(pulses.error));
        QCOMPARE(pulses.body, binary);
        SettingsRecord settings;
        settings.settingsStoreLocal = 1;
        settings.settingsAlarmLog = 1;
        settings.settingsSendSMS = 1;
        const lumivane::test::FixedClock clock;
        const PulseResponsePlan plan = planPulseResponse(viewOf(pulses.body), settings, clock);
        QCOMPARE(plan.kind, PulseResponsePlan::Kind::Failure);
        QVERIFY2(plan.failure.rfind("Pulse data refused: ", 0) == 0, plan.failure.c_str());
        QVERIFY(!plan.logRecord.has_value());

        const HttpResult current = fetch(client, server, "cdata.htm", LocalHttpServer::body(binary.left(512)), 10s);
        QVERIFY2(current.ok, qPrintable(current.error));
        AlarmMonitor monitor;
        const AlarmCheckOutcome outcome = monitor.checkResponse(viewOf(current.body), settings, clock);
        QVERIFY(!outcome.alarmRaised);
        QVERIFY(!outcome.failure.empty());
        QVERIFY(!outcome.logRecord.has_value());
        QVERIFY(!monitor.alarmActive());
        // Monitoring goes on: the next due check is asked for as usual.
        int checks = 0;
        for (int tick = 0; tick < 32; ++tick)
            checks += monitor.tick(1, "15").checkDue ? 1 : 0;
        QCOMPARE(checks, 2);
    }
};

QTEST_GUILESS_MAIN(GatewayFaultsTest)
#include "gateway_faults_test.moc"

// A misbehaving gateway on 127.0.0.1: one that trickles its answer a byte at
// a time, sends ten megabytes, or sends binary. Each request ends in bounded
// time with a reason, the body never grows past the client's limit, and what
// the window would show says what was wrong. Silence, slow answers and cut-off
// bodies are pinned in gateway/http_client_test.cpp.
#include <QElapsedTimer>
#include <QtTest>

#include <random>

#include "gateway/alarm_monitor.h"
#include "gateway/pulse_readings.h"
#include "platform/http_client.h"
#include "support/fixed_clock.h"
#include "support/local_http_server.h"

using namespace lumivane;
using lumivane::test::LocalHttpServer;
using namespace std::chrono_literals;

namespace {

QUrl urlOf(const LocalHttpServer& server, const QString& document)
{
    return gatewayRequestUrl(server.address(), document, QStringLiteral("05/12/2026 14:03:27"));
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

}  // namespace

class GatewayFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void tricklingAnswerIsCutOffAtTheWholeRequestLimit()
    {
        // A byte every 40 ms never lets the transfer go quiet, so only the
        // limit on the whole answer can end it.
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/pdata.htm", {200, QByteArray(5000, '1'), LocalHttpServer::Mode::TrickleBytes, 40, 0});
        HttpClient client;
        QElapsedTimer clock;
        clock.start();
        const HttpResult result = client.OpenURL(urlOf(server, "pdata.htm"), 800ms);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("within 0.8 seconds"), qPrintable(result.error));
        QVERIFY(result.body.isEmpty());
        // Generous: the point is that it ends, not how fast.
        QVERIFY2(clock.elapsed() < 60000, "the trickling answer held the request");
        QVERIFY(!client.busy());
    }

    void tricklingAnswerWithinTheLimitArrivesWhole()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/cdata.htm", {200, "241", LocalHttpServer::Mode::TrickleBytes, 20, 0});
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "cdata.htm"), 20s);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.body, QByteArray("241"));
    }

    void tenMegabytesAreRefusedWithoutBeingKept()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/pdata.htm", {200, {}, LocalHttpServer::Mode::HugeBody, 0, 10 * 1024 * 1024});
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "pdata.htm"), 30s);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith("response too large"), qPrintable(result.error));
        QVERIFY(result.body.isEmpty());
        QVERIFY(!client.busy());

        // The client is fit for the next request.
        server.setResponse("/cdata.htm", LocalHttpServer::body("12"));
        const HttpResult next = client.OpenURL(urlOf(server, "cdata.htm"), 10s);
        QVERIFY2(next.ok, qPrintable(next.error));
        QCOMPARE(next.body, QByteArray("12"));
    }

    void binaryPulseDocumentIsRefusedWithAReasonAndNothingLogged()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        const QByteArray binary = randomBinary(4096);
        server.setResponse("/pdata.htm", LocalHttpServer::body(binary));
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "pdata.htm"), 10s);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.body, binary);

        SettingsRecord settings;
        settings.settingsStoreLocal = 1;
        const lumivane::test::FixedClock clock;
        const PulseResponsePlan plan =
            planPulseResponse(std::string_view(result.body.constData(), static_cast<std::size_t>(result.body.size())),
                              settings, clock);
        QCOMPARE(plan.kind, PulseResponsePlan::Kind::Failure);
        QVERIFY2(plan.failure.rfind("Pulse data refused: ", 0) == 0, plan.failure.c_str());
        QVERIFY(!plan.logRecord.has_value());
    }

    void binaryCurrentDocumentRaisesNoAlarm()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.setResponse("/cdata.htm", LocalHttpServer::body(randomBinary(512)));
        HttpClient client;
        const HttpResult result = client.OpenURL(urlOf(server, "cdata.htm"), 10s);
        QVERIFY2(result.ok, qPrintable(result.error));

        SettingsRecord settings;
        settings.settingsAlarmLog = 1;
        settings.settingsSendSMS = 1;
        const lumivane::test::FixedClock clock;
        AlarmMonitor monitor;
        const AlarmCheckOutcome outcome = monitor.checkResponse(
            std::string_view(result.body.constData(), static_cast<std::size_t>(result.body.size())), settings, clock);
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

// lumivane-gateway-sim started as its own process and asked over loopback.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include "platform/http_client.h"
#include "support/wait_for_result.h"

using namespace lumivane;
using namespace std::chrono_literals;

// Counters go to words 0/1 and 30/31, --field overrides a word after them,
// --field-count cuts the list, and the currents step one per request.
TEST(GatewaySim, ServesTheCommandLinesDocumentsAndLogsEachRequest)
{
    QProcess sim;
    sim.start(QCoreApplication::applicationDirPath() + "/lumivane-gateway-sim",
              {"--port", "0", "--counter1", "65535", "--counter2", "-65538", "--field", "29=40000", "--field-count",
               "31", "--currents", "100,250"});
    while (sim.waitForStarted(10000) && !sim.canReadLine() && sim.waitForReadyRead(10000)) {
    }
    const QString address = QString::fromLatin1(sim.readLine()).trimmed().section("http://", 1);
    QStringList answers;
    HttpClient client;
    for (const QString document : {"pdata.htm", "cdata.htm", "cdata.htm", "cdata.htm"}) {
        const HttpResult result =
            test::fetchAndWait(client, gatewayRequestUrl(address, document, "05/12/2026 14:03:27"), 10s);
        answers << (result.ok ? QString::fromLatin1(result.body) : result.error);
    }
    sim.terminate();
    sim.waitForFinished(5000);
    EXPECT_EQ(answers, (QStringList{"-1,1" + QString(",0").repeated(27) + ",40000,-2", "100", "250", "100"}));
    const QByteArray log = sim.readAll();
    EXPECT_TRUE(log.contains("GET /pdata.htm?t=05%2F12%2F2026%2014%3A03%3A27")) << log.toStdString();
}

// An IPv6 address is printed in brackets, the form an address setting takes.
TEST(GatewaySim, PrintsAnIpv6AddressInBrackets)
{
    QProcess sim;
    sim.start(QCoreApplication::applicationDirPath() + "/lumivane-gateway-sim", {"--address", "::1", "--port", "0"});
    while (sim.waitForStarted(10000) && !sim.canReadLine() && sim.waitForReadyRead(10000)) {
    }
    const QString line = QString::fromLatin1(sim.readLine()).trimmed();
    if (line.isEmpty())
        GTEST_SKIP() << "no IPv6 loopback here: " << sim.readAllStandardError().toStdString();
    ASSERT_TRUE(line.startsWith("Listening on http://[::1]:")) << line.toStdString();
    HttpClient client;
    const HttpResult result =
        test::fetchAndWait(client, gatewayRequestUrl(line.section("http://", 1), "cdata.htm", "x"), 10s);
    sim.terminate();
    sim.waitForFinished(5000);
    EXPECT_TRUE(result.ok) << result.error.toStdString();
}

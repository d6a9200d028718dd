// lumivane-gateway-sim started as its own process and asked over loopback.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include "platform/http_client.h"
#include "support/wait_for_result.h"

using namespace lumivane;
using namespace std::chrono_literals;

namespace {

// Runs the simulator with `arguments`, asks for each document once and returns the bodies and its output.
QStringList ask(const QStringList& arguments, const QStringList& documents)
{
    QProcess sim;
    sim.start(QCoreApplication::applicationDirPath() + "/lumivane-gateway-sim", QStringList{"--port", "0"} + arguments);
    while (sim.waitForStarted(10000) && !sim.canReadLine() && sim.waitForReadyRead(10000)) {
    }
    const QString address = QString::fromLatin1(sim.readLine()).trimmed().section("http://", 1);
    QStringList answers;
    HttpClient client;
    for (const QString& document : documents) {
        const HttpResult result =
            lumivane::test::fetchAndWait(client, gatewayRequestUrl(address, document, "05/12/2026 14:03:27"), 10s);
        answers << (result.ok ? QString::fromLatin1(result.body) : result.error);
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return answers << QString::fromLatin1(sim.readAll() + sim.readAllStandardError())
                   << QString::number(sim.exitCode());
}

}  // namespace

// Counters go to words 0/1 and 30/31, --field overrides a word after them,
// --field-count cuts the list, and the currents step one per request.
TEST(GatewaySim, ServesTheCommandLinesDocumentsAndLogsEachRequest)
{
    const QStringList answers = ask({"--counter1", "65535", "--counter2", "-65538", "--field", "29=40000",
                                     "--field-count", "31", "--currents", "100,250"},
                                    {"pdata.htm", "cdata.htm", "cdata.htm", "cdata.htm"});
    EXPECT_EQ(answers[0], "-1,1" + QString(",0").repeated(27) + ",40000,-2");
    EXPECT_EQ(answers.mid(1, 3), (QStringList{"100", "250", "100"}));
    EXPECT_TRUE(answers[4].contains("GET /pdata.htm?t=05%2F12%2F2026%2014%3A03%3A27")) << answers[4].toStdString();
}

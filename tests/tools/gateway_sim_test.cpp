// lumivane-gateway-sim started as its own process and asked over loopback.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include "core/gateway/pulse_document.h"
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

TEST(GatewaySim, ServesCountersAsTheWordsTheDocumentReads)
{
    const QStringList answers = ask({"--counter1", "65541", "--counter2", "-65537"}, {"pdata.htm", "other.htm"});
    const auto document = parsePulseDocument(answers[0].toStdString());
    ASSERT_TRUE(document) << document.error().reason;
    EXPECT_EQ(document->counter1, 65541);
    EXPECT_EQ(document->counter2, -65537);
    EXPECT_TRUE(answers[1].contains("404")) << answers[1].toStdString();
    EXPECT_TRUE(answers[2].contains("GET /pdata.htm?t=05%2F12%2F2026%2014%3A03%3A27")) << answers[2].toStdString();
}

TEST(GatewaySim, FieldsCanBeBadAndCurrentsStepOnePerRequest)
{
    const QStringList pulses =
        ask({"--counter1", "65535", "--field", "30=40000", "--field-count", "31"}, {"pdata.htm"});
    EXPECT_EQ(pulses[0], "-1,1" + QString(",0").repeated(28) + ",40000");
    EXPECT_EQ(ask({"--currents", "100,250,300"}, {"cdata.htm", "cdata.htm", "cdata.htm", "cdata.htm"}).mid(0, 4),
              (QStringList{"100", "250", "300", "100"}));
    const QStringList refused = ask({"--counter1", "2147483647"}, {});
    EXPECT_TRUE(refused[0].contains("does not fit")) << refused[0].toStdString();
    EXPECT_EQ(refused[1], "2");
}

// The gateway simulator, started as its own process and asked over loopback.
#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

#include "core/gateway/pulse_document.h"
#include "core/text/app_facts.h"
#include "platform/http_client.h"
#include "support/wait_for_result.h"

using namespace lumivane;
using lumivane::test::fetchAndWait;
using namespace std::chrono_literals;

namespace {

QString simPath() { return QCoreApplication::applicationDirPath() + "/lumivane-gateway-sim"; }

// Runs the simulator for the length of one test and knows the address it listens on.
class RunningSim {
public:
    explicit RunningSim(const QStringList& arguments)
    {
        process_.start(simPath(), QStringList{"--port", "0"} + arguments);
        if (!process_.waitForStarted(10000))
            return;
        // The first line tells the port the system picked.
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {}
        const QString line = QString::fromLatin1(process_.readLine()).trimmed();
        const QString prefix = "Listening on http://";
        if (line.startsWith(prefix))
            address_ = line.mid(prefix.size());
    }
    ~RunningSim()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    QString address() const { return address_; }
    // One GET of the document, through a client that lives as long as the simulator.
    HttpResult get(const QString& document, const QString& time = QStringLiteral("x"))
    {
        return fetchAndWait(client_, gatewayRequestUrl(address_, document, time), 10s);
    }
    // Everything the simulator has printed so far after its first line.
    QString output()
    {
        process_.waitForReadyRead(100);
        output_ += QString::fromLatin1(process_.readAll());
        return output_;
    }

private:
    QProcess process_;
    HttpClient client_;
    QString address_;
    QString output_;
};

}  // namespace

class GatewaySimTest : public QObject {
    Q_OBJECT

private slots:
    void servesCountersAsTheirWords()
    {
        RunningSim sim({"--counter1", "65541", "--counter2", "131079"});
        QVERIFY(!sim.address().isEmpty());
        const HttpResult result = sim.get("pdata.htm", "05/12/2026 14:03:27");
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.body.count(','), 31);
        const auto document = parsePulseDocument(result.body.toStdString());
        QVERIFY2(document.ok(), document.error.c_str());
        QCOMPARE(document.counters.counter1, 65541);
        QCOMPARE(document.counters.counter2, 131079);
        QVERIFY(result.body.startsWith("5,1,"));
        QVERIFY(result.body.endsWith(",7,2"));
        QTRY_VERIFY(sim.output().contains("GET /pdata.htm?t=05%2F12%2F2026%2014%3A03%3A27"));
    }

    void lowWordComesOutSignedAndFieldsCanBeSetToBadTextsAndCountShortened()
    {
        RunningSim sim({"--counter1", "65535", "--field", "30=40000", "--field-count", "31"});
        const HttpResult result = sim.get("pdata.htm");
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(result.body.startsWith("-1,1,"));
        QCOMPARE(result.body.count(','), 30);
        QVERIFY(result.body.endsWith(",40000"));
        QCOMPARE(parsePulseDocument(result.body.toStdString()).error, std::string("too few fields (31 of 32)"));
    }

    void currentsStepOnePerRequestAndStartAgain()
    {
        RunningSim sim({"--currents", "100,250,300"});
        QStringList seen;
        for (int i = 0; i < 4; ++i) {
            const HttpResult result = sim.get("cdata.htm");
            QVERIFY2(result.ok, qPrintable(result.error));
            seen << QString::fromLatin1(result.body);
        }
        QCOMPARE(seen, (QStringList{"100", "250", "300", "100"}));
    }

    void singleCurrentAndUnknownPath()
    {
        RunningSim sim({"--current", "240.6"});
        QCOMPARE(sim.get("cdata.htm").body, QByteArray("240.6"));
        const HttpResult other = sim.get("index.htm");
        QVERIFY(!other.ok);
        QVERIFY2(other.error.contains("404"), qPrintable(other.error));
    }

    void helpDescribesTheDocumentsAndACounterBeyondTwoWordsIsRefused()
    {
        QProcess process;
        process.start(simPath(), {"--help"});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray help = process.readAllStandardOutput();
        QVERIFY2(help.contains("/pdata.htm") && help.contains("--currents"), help.constData());

        process.start(simPath(), {"--counter1", "2147483647"});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardError().contains("does not fit"));
    }

    void versionNamesTheProgramAndTheBuild()
    {
        QProcess process;
        process.start(simPath(), {"--version"});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput(),
                 QByteArray::fromStdString("lumivane-gateway-sim " + versionText() + "\n"));
    }
};

QTEST_GUILESS_MAIN(GatewaySimTest)
#include "gateway_sim_test.moc"

// lumivane-gateway-sim: serves "/pdata.htm" and "/cdata.htm" like the metering gateway,
// for commissioning and demonstrations without the hardware.
#include <QCommandLineParser>
#include <algorithm>
#include <cstdint>
#include <QCoreApplication>
#include <QTextStream>

#include "core/gateway/pulse_document.h"
#include "core/text/app_facts.h"
#include "gateway_sim.h"

namespace {

constexpr int kFieldCount = lumivane::kPulseFieldCount;

bool fail(QTextStream& err, const QString& text)
{
    err << "lumivane-gateway-sim: " << text << Qt::endl;
    return false;
}

bool putCounter(QStringList& fields, int lowIndex, const QString& text, QTextStream& err)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < INT32_MIN || value > INT32_MAX)
        return fail(err, QStringLiteral("counter \"%1\" is not a 32-bit whole number").arg(text));
    const auto words = lumivane::splitPulseCounter(static_cast<std::int32_t>(value));
    if (!words)
        return fail(err, QStringLiteral("counter %1 does not fit two signed 16-bit words").arg(text));
    fields[lowIndex] = QString::number(words->low);
    fields[lowIndex + 1] = QString::number(words->high);
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumivane-gateway-sim"));
    QCoreApplication::setApplicationVersion(QString::fromStdString(lumivane::versionText()));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves the metering gateway's documents for commissioning without hardware.\n"
                       "/pdata.htm: 32 comma-separated words; counter 1 in words 0 (low) and 1 (high),\n"
                       "counter 2 in words 30 and 31. /cdata.htm: the present current; with --currents\n"
                       "each request gets the next value of the list, starting again after the last.\n"
                       "Any query is ignored; other paths get 404. One line per request on stdout."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption addressOption(QStringLiteral("address"),
                                           QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                           QStringLiteral("ip"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks a free one (default)."),
                                        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption counter1Option(QStringLiteral("counter1"), QStringLiteral("Pulse counter 1."),
                                            QStringLiteral("count"), QStringLiteral("0"));
    const QCommandLineOption counter2Option(QStringLiteral("counter2"), QStringLiteral("Pulse counter 2."),
                                            QStringLiteral("count"), QStringLiteral("0"));
    const QCommandLineOption fieldOption(
        QStringLiteral("field"),
        QStringLiteral("Sets word N of /pdata.htm to TEXT as it stands (e.g. 30=40000 to show a "
                       "bad word); given after the counters. Repeatable."),
        QStringLiteral("N=TEXT"));
    const QCommandLineOption fieldCountOption(QStringLiteral("field-count"),
                                              QStringLiteral("Number of words in /pdata.htm (default 32)."),
                                              QStringLiteral("n"), QString::number(kFieldCount));
    const QCommandLineOption currentOption(QStringLiteral("current"), QStringLiteral("Body of /cdata.htm (default 0)."),
                                           QStringLiteral("amps"), QStringLiteral("0"));
    const QCommandLineOption currentsOption(QStringLiteral("currents"),
                                            QStringLiteral("Comma-separated currents, one per request."),
                                            QStringLiteral("list"));
    parser.addOptions({addressOption, portOption, counter1Option, counter2Option, fieldOption, fieldCountOption,
                       currentOption, currentsOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        fail(err, QStringLiteral("port \"%1\" is not a port number").arg(parser.value(portOption)));
        return 2;
    }
    const int fieldCount = parser.value(fieldCountOption).toInt(&ok);
    if (!ok || fieldCount < 1 || fieldCount > 1000) {
        fail(err, QStringLiteral("field count must be 1 to 1000"));
        return 2;
    }

    lumivane::GatewaySimConfig config;
    const int wordSlots = std::max(fieldCount, kFieldCount);
    for (int i = 0; i < wordSlots; ++i)
        config.pulseFields << QStringLiteral("0");
    if (!putCounter(config.pulseFields, 0, parser.value(counter1Option), err) ||
        !putCounter(config.pulseFields, 30, parser.value(counter2Option), err))
        return 2;
    for (const QString& assignment : parser.values(fieldOption)) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        const int index = equals > 0 ? assignment.left(equals).toInt(&ok) : -1;
        if (equals <= 0 || !ok || index < 0 || index >= wordSlots) {
            fail(err,
                 QStringLiteral("--field \"%1\" is not N=TEXT with N from 0 to %2").arg(assignment).arg(wordSlots - 1));
            return 2;
        }
        config.pulseFields[index] = assignment.mid(equals + 1);
    }
    config.pulseFields = config.pulseFields.mid(0, fieldCount);
    config.currents = parser.isSet(currentsOption) ? parser.value(currentsOption).split(QLatin1Char(','))
                                                   : QStringList{parser.value(currentOption)};

    lumivane::GatewaySim sim(config, out);
    QString error;
    if (!sim.listen(parser.value(addressOption), static_cast<quint16>(port), &error)) {
        fail(err, QStringLiteral("cannot listen on %1:%2: %3").arg(parser.value(addressOption)).arg(port).arg(error));
        return 1;
    }
    out << "Listening on http://" << sim.address() << ':' << sim.port() << Qt::endl;
    return app.exec();
}

#pragma once
// A stand-in for the metering gateway: serves the pulse and current documents over
// HTTP so the program can be commissioned and shown without the hardware.
#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTextStream>

class QTcpSocket;

namespace lumivane {

struct GatewaySimConfig {
    QStringList pulseFields;  // the words of "/pdata.htm", as texts (bad ones allowed on purpose)
    QStringList currents;     // the bodies of "/cdata.htm", one per request, round and round
};

class GatewaySim : public QObject {
    Q_OBJECT
public:
    GatewaySim(GatewaySimConfig config, QTextStream& log, QObject* parent = nullptr);

    // Listens on the address and port (0: the system picks one); false with the reason.
    bool listen(const QString& address, quint16 port, QString* error);
    quint16 port() const { return server_.serverPort(); }
    // The address as a URL takes it: an IPv6 one in brackets.
    QString address() const
    {
        const QString host = server_.serverAddress().toString();
        return host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    }

    // The body of "/pdata.htm": the fields joined by commas.
    QByteArray pulseBody() const;
    // The body the next "/cdata.htm" request gets, moving on to the next current.
    QByteArray nextCurrentBody();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);

    GatewaySimConfig config_;
    QTextStream& log_;
    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> pending_;
    qsizetype nextCurrent_ = 0;
};

}  // namespace lumivane

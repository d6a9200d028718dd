#pragma once
// The HTTP client that asks the metering gateway for its documents: a blocking GET
// that keeps window events running while it waits.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;

namespace lumivane {

struct HttpResult {
    bool ok = false;
    QByteArray body;  // the whole body, empty when none came
    QString error;    // why the request failed, for people to read
};

class HttpClient : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kDefaultMaxBodyBytes = qint64{1024} * 1024;

    explicit HttpClient(QObject* parent = nullptr);
    ~HttpClient() override;

    // GETs the URL and returns the whole body; fails when the gateway cannot be reached,
    // answers with an error status, sends more than the body limit, or has not sent a
    // complete answer within the limit. Window events keep running while it waits; a
    // request made meanwhile waits for this one to finish and then runs on its own.
    HttpResult OpenURL(const QUrl& url, std::chrono::milliseconds limit = std::chrono::seconds(60));
    // The same for a URL in text form.
    HttpResult OpenURL(const QString& url, std::chrono::milliseconds limit = std::chrono::seconds(60));

    // Bodies larger than this are refused ("response too large").
    void setMaxBodyBytes(qint64 bytes) { maxBodyBytes_ = bytes; }
    qint64 maxBodyBytes() const { return maxBodyBytes_; }

    // Whether a request is on the wire right now.
    bool busy() const { return busy_; }

signals:
    // A request has finished and the next one may go.
    void idle();

private:
    HttpResult runRequest(const QUrl& url, std::chrono::milliseconds limit);

    QNetworkAccessManager* manager_;
    qint64 maxBodyBytes_ = kDefaultMaxBodyBytes;
    bool busy_ = false;
};

// "http://" + address + "/" + document + "?t=" + the stamp, percent-encoded so that the
// blank, "/" and ":" of a date-time travel as %20, %2F and %3A; address as typed
// (a host, an address, either with ":port").
QUrl gatewayRequestUrl(const QString& address, const QString& document, const QString& stamp);

}  // namespace lumivane

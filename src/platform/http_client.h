#pragma once
// The HTTP client that asks the metering gateway for its documents. Requests are
// queued and run one at a time; each ends through the reply's signals or its own
// time-out timer, and nothing ever waits in a nested event loop.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <deque>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace lumivane {

struct HttpResult {
    bool ok = false;
    QByteArray body;  // the whole body, empty when none came
    QString error;    // why the request failed, for people to read
};

// One GET: the address is built when the request actually goes out, so a request
// queued behind another takes its time stamp at that moment.
struct HttpRequest {
    std::function<QUrl()> url;
    std::chrono::milliseconds limit{std::chrono::seconds(60)};
    std::function<void(const HttpResult&)> finished;  // hears the result once
    QString typedAddress;  // the address as the operator typed it, for error texts; empty: the URL's
};

class HttpClient : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kDefaultMaxBodyBytes = qint64{1024} * 1024;

    explicit HttpClient(QObject* parent = nullptr);
    ~HttpClient() override;

    // Queues the GET; it goes out once every earlier request has finished. The result
    // comes through `finished`: the whole body, or a failure when the gateway cannot be
    // reached, answers with an error status or a redirect, sends more than the body
    // limit, or has not sent a complete answer within the limit. Returns true when the
    // request had to wait behind another one.
    bool OpenURL(HttpRequest request);
    // The same for a fixed address.
    bool OpenURL(const QUrl& url, std::chrono::milliseconds limit, std::function<void(const HttpResult&)> finished);

    // Drops the running and the queued requests without calling them back.
    void cancelAll();

    // Bodies larger than this are refused ("response too large").
    void setMaxBodyBytes(qint64 bytes) { maxBodyBytes_ = bytes; }
    qint64 maxBodyBytes() const { return maxBodyBytes_; }

    // Whether a request is on the wire or waiting for its turn.
    bool busy() const { return reply_ != nullptr || !queue_.empty(); }

signals:
    // A request has finished and its caller has been told.
    void idle();

private:
    void startNext();
    void takeData();
    void finish();

    QNetworkAccessManager* manager_;
    QTimer* deadline_;
    qint64 maxBodyBytes_ = kDefaultMaxBodyBytes;
    std::deque<HttpRequest> queue_;
    HttpRequest running_;
    QNetworkReply* reply_ = nullptr;
    QByteArray body_;
    bool timedOut_ = false;
    bool tooLarge_ = false;
};

// "http://" + address + "/" + document + "?t=" + the stamp, percent-encoded so that the
// blank, "/" and ":" of a date-time travel as %20, %2F and %3A. The address is a host
// or an IP address, either with ":port"; blanks around it and a typed "http://" go.
QUrl gatewayRequestUrl(const QString& address, const QString& document, const QString& stamp);

}  // namespace lumivane

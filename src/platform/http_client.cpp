#include "platform/http_client.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace lumivane {
namespace {

QString describeNetworkError(const QNetworkReply& reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400) {
        const QString reason = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        return QStringLiteral("the gateway answered HTTP %1%2")
            .arg(status.toInt())
            .arg(reason.isEmpty() ? QString() : QStringLiteral(" ") + reason);
    }
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
        return QStringLiteral("the gateway %1 cannot be reached (%2)")
            .arg(reply.url().authority(), reply.errorString());
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("the gateway closed the connection before the answer was complete");
    default:
        return QStringLiteral("the request to the gateway failed (%1)").arg(reply.errorString());
    }
}

QString secondsText(std::chrono::milliseconds limit)
{
    const double seconds = static_cast<double>(limit.count()) / 1000.0;
    return QString::number(seconds, 'g', 6);
}

}  // namespace

HttpClient::HttpClient(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this))
{
    // The gateway sits on the local network: a desktop proxy setting must not reroute it.
    manager_->setProxy(QNetworkProxy::NoProxy);
}

HttpClient::~HttpClient() = default;

HttpResult HttpClient::OpenURL(const QString& url, std::chrono::milliseconds limit)
{
    return OpenURL(QUrl(url), limit);
}

HttpResult HttpClient::OpenURL(const QUrl& url, std::chrono::milliseconds limit)
{
    // One request on the wire at a time: a call that arrives from a nested event loop
    // (the alarm timer during a pulse request, say) waits here, inside its own loop,
    // until the running one has its answer. The running one's result is kept in its own
    // frame, so neither disturbs the other. Re-checking after every wake-up makes the
    // innermost caller go first, which is the only order the call stack allows anyway.
    QPointer<HttpClient> self(this);
    while (busy_) {
        QEventLoop wait;
        bool woken = false;
        connect(this, &HttpClient::idle, &wait, [&] {
            woken = true;
            wait.quit();
        });
        wait.exec();
        // A loop that returns without the wake-up was told to end (the program is
        // closing); waiting again would spin, so this request gives up.
        if (!self || !woken)
            return {false, {}, QStringLiteral("the request was cancelled")};
    }
    return runRequest(url, limit);
}

HttpResult HttpClient::runRequest(const QUrl& url, std::chrono::milliseconds limit)
{
    HttpResult result;
    if (!url.isValid() || url.host().isEmpty()) {
        result.error = QStringLiteral("the gateway address \"%1\" is not usable").arg(url.toString());
        return result;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(limit.count()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // The connection is released with the answer rather than kept for later.
    request.setRawHeader("Connection", "close");

    busy_ = true;
    QNetworkReply* reply = manager_->get(request);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    bool tooLarge = false;
    bool done = false;
    QByteArray body;

    // The body is taken as it arrives, so a gateway sending without end is cut off at
    // the limit instead of filling memory.
    auto takeData = [&] {
        if (tooLarge || !reply->isOpen())
            return;
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((length.isValid() && length.toLongLong() > maxBodyBytes_) ||
            body.size() + reply->bytesAvailable() > maxBodyBytes_) {
            tooLarge = true;
            reply->abort();
            return;
        }
        body += reply->readAll();
    };
    // The result is settled here, as soon as the answer is complete, and not after
    // loop.exec() returns: a request nested inside this wait keeps the stack below it
    // blocked, and it may be waiting for exactly this client to become idle.
    auto finish = [&] {
        if (done)
            return;
        done = true;
        deadline.stop();
        takeData();
        if (tooLarge) {
            result.error = QStringLiteral("response too large (more than %1 bytes)").arg(maxBodyBytes_);
        } else if (timedOut || reply->error() == QNetworkReply::OperationCanceledError ||
                   reply->error() == QNetworkReply::TimeoutError) {
            result.error = QStringLiteral("no complete answer from the gateway within %1 seconds")
                               .arg(secondsText(limit));
        } else if (reply->error() != QNetworkReply::NoError) {
            result.error = describeNetworkError(*reply);
        } else {
            result.ok = true;
            result.body = std::move(body);
        }
        reply->disconnect(&loop);
        reply->deleteLater();
        busy_ = false;
        loop.quit();
        emit idle();
    };
    connect(reply, &QNetworkReply::metaDataChanged, &loop, takeData);
    connect(reply, &QNetworkReply::readyRead, &loop, takeData);
    connect(reply, &QNetworkReply::finished, &loop, finish);
    connect(&deadline, &QTimer::timeout, &loop, [&] {
        // The transfer time-out only notices silence; this one bounds the whole answer.
        timedOut = true;
        reply->abort();
    });
    deadline.start(limit);
    if (reply->isFinished())
        finish();
    else
        loop.exec();
    if (!done) {
        // The loop was told to end before the answer (the program is closing): drop the
        // request, and free the client so that no caller waits for it in vain.
        done = true;
        deadline.stop();
        reply->disconnect(&loop);
        reply->abort();
        reply->deleteLater();
        busy_ = false;
        result.error = QStringLiteral("the request was cancelled");
        emit idle();
    }
    return result;
}

QUrl gatewayRequestUrl(const QString& address, const QString& document, const QString& stamp)
{
    QUrl url(QStringLiteral("http://") + address + QStringLiteral("/") + document, QUrl::TolerantMode);
    // Encoded by hand: a query keeps "/" and ":" as they are unless told otherwise, and
    // some gateways take them for part of the path.
    url.setQuery(QStringLiteral("t=") + QString::fromLatin1(QUrl::toPercentEncoding(stamp)),
                 QUrl::StrictMode);
    return url;
}

}  // namespace lumivane

#include "platform/http_client.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace lumivane {
namespace {

// Error texts always name the port, so an operator can tell which service was asked.
// An IPv6 host in brackets, so its own colons are not read as the port's.
QString gatewayName(const QUrl& url)
{
    const QString host = url.host();
    return (host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2"))
        .arg(host)
        .arg(url.port(80));
}

QString describeNetworkError(const QNetworkReply& reply)
{
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString reason = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    const QString statusText = QStringLiteral("HTTP %1%2")
                                   .arg(status.toInt())
                                   .arg(reason.isEmpty() ? QString() : QStringLiteral(" ") + reason);
    if (status.isValid() && status.toInt() >= 300 && status.toInt() < 400) {
        const QString target = QString::fromLatin1(reply.rawHeader("Location"));
        return QStringLiteral("the gateway %1 answered %2, a redirect%3; only the gateway itself is asked")
            .arg(gatewayName(reply.url()), statusText, target.isEmpty() ? QString() : QStringLiteral(" to ") + target);
    }
    if (status.isValid() && status.toInt() >= 400)
        return QStringLiteral("the gateway %1 answered %2").arg(gatewayName(reply.url()), statusText);
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
        return QStringLiteral("the gateway %1 cannot be reached (%2)")
            .arg(gatewayName(reply.url()), reply.errorString());
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("the gateway %1 closed the connection before the answer was complete")
            .arg(gatewayName(reply.url()));
    default:
        return QStringLiteral("the request to the gateway %1 failed (%2)")
            .arg(gatewayName(reply.url()), reply.errorString());
    }
}

QString secondsText(std::chrono::milliseconds limit)
{
    const double seconds = static_cast<double>(limit.count()) / 1000.0;
    return QString::number(seconds, 'g', 6);
}

}  // namespace

HttpClient::HttpClient(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this)), deadline_(new QTimer(this))
{
    // The gateway sits on the local network: a desktop proxy setting must not reroute it.
    manager_->setProxy(QNetworkProxy::NoProxy);
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this, [this] {
        // The transfer time-out only notices silence; this one bounds the whole answer.
        timedOut_ = true;
        if (reply_)
            reply_->abort();
    });
}

HttpClient::~HttpClient() { cancelAll(); }

bool HttpClient::OpenURL(const QUrl& url, std::chrono::milliseconds limit,
                         std::function<void(const HttpResult&)> finished)
{
    return OpenURL(HttpRequest{[url] { return url; }, limit, std::move(finished), {}});
}

bool HttpClient::OpenURL(HttpRequest request)
{
    const bool waits = busy();
    queue_.push_back(std::move(request));
    if (!reply_)
        startNext();
    return waits;
}

void HttpClient::cancelAll()
{
    queue_.clear();
    deadline_->stop();
    if (reply_) {
        QNetworkReply* reply = reply_;
        reply_ = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void HttpClient::startNext()
{
    while (!reply_ && !queue_.empty()) {
        running_ = std::move(queue_.front());
        queue_.pop_front();
        const QUrl url = running_.url();
        if (!url.isValid() || url.host().isEmpty()) {
            const auto finished = std::move(running_.finished);
            if (finished)
                // Quoted as typed: the URL's own form is half percent-encoded.
                finished({false,
                          {},
                          QStringLiteral("the gateway address \"%1\" is not usable")
                              .arg(running_.typedAddress.isEmpty() ? url.toString() : running_.typedAddress)});
            emit idle();
            continue;
        }
        QNetworkRequest request(url);
        request.setTransferTimeout(static_cast<int>(running_.limit.count()));
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        // A redirect would make another server speak for the gateway: it is a failure.
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        // The connection is released with the answer rather than kept for later.
        request.setRawHeader("Connection", "close");

        body_.clear();
        timedOut_ = false;
        tooLarge_ = false;
        reply_ = manager_->get(request);
        connect(reply_, &QNetworkReply::metaDataChanged, this, &HttpClient::takeData);
        connect(reply_, &QNetworkReply::readyRead, this, &HttpClient::takeData);
        connect(reply_, &QNetworkReply::finished, this, &HttpClient::finish);
        deadline_->start(running_.limit);
    }
}

void HttpClient::takeData()
{
    // The body is taken as it arrives, so a gateway sending without end is cut off at
    // the limit instead of filling memory.
    if (!reply_ || tooLarge_ || !reply_->isOpen())
        return;
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    if ((length.isValid() && length.toLongLong() > maxBodyBytes_) ||
        body_.size() + reply_->bytesAvailable() > maxBodyBytes_) {
        tooLarge_ = true;
        reply_->abort();
        return;
    }
    body_ += reply_->readAll();
}

void HttpClient::finish()
{
    if (!reply_)
        return;
    deadline_->stop();
    takeData();
    QNetworkReply* reply = reply_;
    HttpResult result;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (tooLarge_) {
        result.error = QStringLiteral("response too large (more than %1 bytes) from the gateway %2")
                           .arg(maxBodyBytes_)
                           .arg(gatewayName(reply->url()));
    } else if (timedOut_ || reply->error() == QNetworkReply::OperationCanceledError ||
               reply->error() == QNetworkReply::TimeoutError) {
        result.error = QStringLiteral("no complete answer from the gateway %1 within %2 seconds")
                           .arg(gatewayName(reply->url()), secondsText(running_.limit));
    } else if (reply->error() != QNetworkReply::NoError || (status >= 300 && status < 400)) {
        result.error = describeNetworkError(*reply);
    } else {
        result.ok = true;
        result.body = std::move(body_);
    }
    reply->disconnect(this);
    reply->deleteLater();
    reply_ = nullptr;
    const auto finished = std::move(running_.finished);
    running_ = {};
    if (finished)
        finished(result);
    emit idle();
    startNext();
}

QUrl gatewayRequestUrl(const QString& address, const QString& document, const QString& stamp)
{
    QString host = address.trimmed();
    if (host.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive))
        host = host.mid(7);
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    QUrl url(QStringLiteral("http://") + host + QStringLiteral("/") + document, QUrl::TolerantMode);
    // Encoded by hand: a query keeps "/" and ":" as they are unless told otherwise, and
    // some gateways take them for part of the path.
    url.setQuery(QStringLiteral("t=") + QString::fromLatin1(QUrl::toPercentEncoding(stamp)), QUrl::StrictMode);
    return url;
}

}  // namespace lumivane

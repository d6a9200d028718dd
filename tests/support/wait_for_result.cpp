#include "support/wait_for_result.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace lumivane::test {
namespace {

// Far beyond any limit a test sets; only a broken driver that never reports reaches it.
constexpr int kSafetyMilliseconds = 180000;

template <class Start>
void runUntilDone(bool& done, Start start)
{
    QEventLoop loop;
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, &loop, &QEventLoop::quit);
    start([&] {
        done = true;
        loop.quit();
    });
    if (!done) {
        safety.start(kSafetyMilliseconds);
        loop.exec();
    }
}

}  // namespace

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limit.count()) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

HttpResult fetchAndWait(HttpClient& client, const QUrl& url, std::chrono::milliseconds limit)
{
    HttpResult result{false, {}, QStringLiteral("the request never reported back")};
    bool done = false;
    runUntilDone(done, [&](auto finish) {
        client.OpenURL(url, limit, [&result, finish](const HttpResult& r) {
            result = r;
            finish();
        });
    });
    return result;
}

QString sendAndWait(SerialModem& modem, const QString& commPort, const QString& commSettings, const QString& number,
                    const QString& message, SerialModem::TimeoutListener reportTimeout)
{
    QString result = QStringLiteral("the dialogue never reported back");
    bool done = false;
    runUntilDone(done, [&](auto finish) {
        modem.sendSMS(
            commPort, commSettings, number, message,
            [&result, finish](const QString& r) {
                result = r;
                finish();
            },
            std::move(reportTimeout));
    });
    return result;
}

}  // namespace lumivane::test

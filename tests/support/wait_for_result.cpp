#include "support/wait_for_result.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace lumivane::test {

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

// Far beyond any limit a test sets; only a driver that never reports back reaches it.
constexpr std::chrono::minutes kSafety{3};

HttpResult fetchAndWait(HttpClient& client, const QUrl& url, std::chrono::milliseconds limit)
{
    std::optional<HttpResult> result;
    client.OpenURL(url, limit, [&result](const HttpResult& r) { result = r; });
    waitUntil([&] { return result.has_value(); }, kSafety);
    return result.value_or(HttpResult{false, {}, QStringLiteral("the request never reported back")});
}

}  // namespace lumivane::test

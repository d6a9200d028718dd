#pragma once
// The asynchronous gateway request, started and waited for in the test's own
// event loop, for tests that only care about the outcome.
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>

#include "platform/http_client.h"

namespace lumivane::test {

// Runs the test's event loop until `done` holds or `limit` has passed; returns `done()`.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

// Queues the GET and returns its result once it has finished.
HttpResult fetchAndWait(HttpClient& client, const QUrl& url, std::chrono::milliseconds limit);

}  // namespace lumivane::test

#include "support/scripted_modem.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace lumivane::test {
namespace {
constexpr char kCtrlZ = 26;
constexpr int kPollMilliseconds = 20;
}  // namespace

ScriptedModem::ScriptedModem(PtyPair& pty) : master_(pty.takeMaster()) {}

ScriptedModem::~ScriptedModem()
{
    stop();
    if (master_ >= 0)
        ::close(master_);
}

void ScriptedModem::answer(std::string command, std::string reply)
{
    rules_.push_back({Match::Exact, std::move(command), std::move(reply)});
}

void ScriptedModem::answerStartingWith(std::string prefix, std::string reply)
{
    rules_.push_back({Match::Prefix, std::move(prefix), std::move(reply)});
}

void ScriptedModem::answerMessage(std::string reply)
{
    rules_.push_back({Match::Message, {}, std::move(reply)});
}

void ScriptedModem::hangUpOn(std::string prefix)
{
    rules_.push_back({Match::HangUp, std::move(prefix), {}});
}

void ScriptedModem::actAsWorkingModem(std::string messageReply)
{
    answer("ATZ\r", "\r\nOK\r\n");
    answer("AT+CMGF=1\r", "\r\nOK\r\n");
    answer("AT+CSCS=\"GSM\"\r", "\r\nOK\r\n");
    answerStartingWith("AT+CMGS=\"", "\r\n> ");
    answerMessage(std::move(messageReply));
}

void ScriptedModem::start(std::chrono::milliseconds lifetime)
{
    if (thread_.joinable() || master_ < 0)
        return;
    stopping_ = false;
    const auto deadline = std::chrono::steady_clock::now() + lifetime;
    thread_ = std::thread([this, deadline] { run(deadline); });
}

void ScriptedModem::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
}

std::string ScriptedModem::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::string> ScriptedModem::commands() const
{
    std::lock_guard lock(mutex_);
    return commands_;
}

void ScriptedModem::run(std::chrono::steady_clock::time_point deadline)
{
    std::string pending;
    char buffer[512];
    while (!stopping_ && std::chrono::steady_clock::now() < deadline) {
        pollfd fd{master_, POLLIN, 0};
        const int ready = ::poll(&fd, 1, kPollMilliseconds);
        if (ready <= 0)
            continue;
        if (!(fd.revents & POLLIN)) {
            // A hang-up without data: nothing to read, so wait instead of spinning.
            ::usleep(kPollMilliseconds * 1000);
            continue;
        }
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            ::usleep(kPollMilliseconds * 1000);
            continue;
        }
        const std::string chunk(buffer, static_cast<std::size_t>(n));
        {
            std::lock_guard lock(mutex_);
            received_ += chunk;
        }
        if (echo_)
            writeAll(chunk);
        for (const char c : chunk) {
            pending.push_back(c);
            if (c != '\r' && c != kCtrlZ)
                continue;
            const std::string command = std::move(pending);
            pending.clear();
            {
                std::lock_guard lock(mutex_);
                commands_.push_back(command);
            }
            if (!handle(command))
                return;
        }
    }
}

bool ScriptedModem::handle(const std::string& command)
{
    for (const Rule& rule : rules_) {
        bool hit = false;
        switch (rule.match) {
        case Match::Exact: hit = command == rule.text; break;
        case Match::Prefix:
        case Match::HangUp: hit = command.rfind(rule.text, 0) == 0; break;
        case Match::Message: hit = !command.empty() && command.back() == kCtrlZ; break;
        }
        if (!hit)
            continue;
        if (rule.match == Match::HangUp) {
            ::close(master_);
            master_ = -1;
            hungUp_ = true;
            return false;
        }
        writeAll(rule.reply);
        return true;
    }
    return true;
}

void ScriptedModem::writeAll(const std::string& bytes)
{
    std::size_t done = 0;
    int attempts = 0;
    while (done < bytes.size() && attempts++ < 100) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        else
            ::usleep(1000);
    }
}

}  // namespace lumivane::test

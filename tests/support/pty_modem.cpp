#include "support/pty_modem.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace lumivane::test {
namespace {
constexpr char kCtrlZ = 26;
constexpr char kEscape = 27;
}  // namespace

PtyModem::PtyModem()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    const char* name = master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 ? ptsname(master_) : nullptr;
    if (!name) {
        error_ = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return;
    }
    port_ = name;
    slaveKeeper_ = ::open(name, O_RDWR | O_NOCTTY);
    termios raw{};
    if (slaveKeeper_ >= 0 && tcgetattr(slaveKeeper_, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(slaveKeeper_, TCSANOW, &raw);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyModem::~PtyModem()
{
    stop();
    for (const int fd : {master_, slaveKeeper_})
        if (fd >= 0)
            ::close(fd);
}

void PtyModem::start()
{
    if (!thread_.joinable() && master_ >= 0)
        thread_ = std::thread([this] { run(); });
}

void PtyModem::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
}

std::vector<std::string> PtyModem::commands() const
{
    std::lock_guard lock(mutex_);
    return commands_;
}

void PtyModem::run()
{
    std::string pending;
    char buffer[512];
    while (!stopping_) {
        pollfd fd{master_, POLLIN, 0};
        const ssize_t n = ::poll(&fd, 1, 20) > 0 && (fd.revents & POLLIN) ? ::read(master_, buffer, sizeof buffer) : 0;
        if (n <= 0) {
            ::usleep(5000);  // a hang-up without data would otherwise spin
            continue;
        }
        for (const char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
            pending.push_back(c);
            // In text a CR is a line of the message; only Ctrl-Z or ESC ends it.
            const bool ends = inText_ ? c == kCtrlZ || c == kEscape : c == '\r' || c == kEscape;
            if (!ends)
                continue;
            {
                std::lock_guard lock(mutex_);
                commands_.push_back(pending);
            }
            if (!handle(std::exchange(pending, {})))
                return;
        }
    }
}

bool PtyModem::handle(const std::string& command)
{
    if (!hangUpPrefix_.empty() && command.rfind(hangUpPrefix_, 0) == 0) {
        ::close(master_);
        master_ = -1;
        hungUp_ = true;
        return false;
    }
    const bool wasText = inText_;
    inText_ = false;
    if (!answers_)
        return true;
    std::this_thread::sleep_for(replyDelay_);
    const std::string answer = answerTo(command);
    if (wasText && command.back() == kCtrlZ && answer.find("+CMGS:") != std::string::npos)
        ++sent_;
    writeAll(answer);
    return true;
}

std::string PtyModem::answerTo(const std::string& command)
{
    const bool text = command.back() == kCtrlZ || (command.back() == kEscape && command.rfind("AT", 0) != 0);
    if (text && command.back() == kEscape)
        return "\r\nOK\r\n";  // cancelled: nothing is sent
    for (const auto& [prefix, errorLine] : refusals_)
        if ((text && prefix == "TEXT") || (!text && command.rfind(prefix, 0) == 0))
            return "\r\n" + errorLine + "\r\n";
    if (text)
        return "\r\n+CMGS: " + std::to_string(12 + sent_) + "\r\n\r\nOK\r\n";
    if (command.rfind("AT+CMGS=", 0) == 0) {
        inText_ = true;
        return "\r\n> ";
    }
    const char* const queries[] = {"AT+CPIN?", "AT+CREG?", "AT+CSQ"};
    const char* const heads[] = {"+CPIN: ", "+CREG: ", "+CSQ: "};
    for (std::size_t i = 0; i < 3; ++i)
        if (command.rfind(queries[i], 0) == 0)
            return "\r\n" + std::string(heads[i]) + status_[i] + "\r\n\r\nOK\r\n";
    return "\r\nOK\r\n";
}

void PtyModem::writeAll(const std::string& bytes)
{
    std::size_t done = 0;
    for (int attempts = 0; done < bytes.size() && attempts < 100; ++attempts) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else
            ::usleep(1000);
    }
}

}  // namespace lumivane::test

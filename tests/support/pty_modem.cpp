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
}

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
            if (c != '\r' && c != kCtrlZ)
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
    if (!answers_)
        return true;
    std::this_thread::sleep_for(replyDelay_);
    if (command.back() == kCtrlZ)
        writeAll("\r\n+CMGS: 12\r\n\r\nOK\r\n");
    else
        writeAll(command.rfind("AT+CMGS=", 0) == 0 ? "\r\n> " : "\r\nOK\r\n");
    return true;
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

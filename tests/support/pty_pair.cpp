#include "support/pty_pair.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace lumivane::test {

PtyPair::PtyPair()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        error_ = std::string("posix_openpt: ") + std::strerror(errno);
        return;
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error_ = std::string("grantpt/unlockpt: ") + std::strerror(errno);
        ::close(master_);
        master_ = -1;
        return;
    }
    const char* name = ptsname(master_);
    if (!name) {
        error_ = std::string("ptsname: ") + std::strerror(errno);
        ::close(master_);
        master_ = -1;
        return;
    }
    slavePath_ = name;
    slaveKeeper_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slaveKeeper_ >= 0) {
        termios raw{};
        if (tcgetattr(slaveKeeper_, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(slaveKeeper_, TCSANOW, &raw);
        }
    }
    // The master is read with poll(); it must never block the modem's thread.
    const int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    if (master_ >= 0)
        ::close(master_);
    if (slaveKeeper_ >= 0)
        ::close(slaveKeeper_);
}

int PtyPair::takeMaster()
{
    const int fd = master_;
    master_ = -1;
    return fd;
}

}  // namespace lumivane::test

#pragma once
// A pseudo-terminal pair for serial-port tests: the code under test opens the
// slave path as its port; the test talks on the master side, for instance with
// a ScriptedModem.
#include <string>

namespace lumivane::test {

class PtyPair {
public:
    // Opens a fresh pair with the slave in raw mode, so bytes pass unchanged.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // Whether the pair could be opened; error() says why not.
    bool isOpen() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // The slave's device path, such as "/dev/pts/7".
    const std::string& slavePath() const { return slavePath_; }

    // The master side's file descriptor (-1 once handed over or closed).
    int masterFd() const { return master_; }

    // Gives the master side away (to a ScriptedModem, which then closes it).
    int takeMaster();

private:
    int master_ = -1;
    // Held open so the master never sees a hang-up between two openings of the port.
    int slaveKeeper_ = -1;
    std::string slavePath_;
    std::string error_;
};

}  // namespace lumivane::test

#pragma once
// The window tests' older names for the pseudo-terminal modem: a thin face on PtyModem.
#include "support/pty_modem.h"

namespace lumivane::test {

class PtyPair {
public:
    bool isOpen() const { return modem_.error().empty(); }
    const std::string& error() const { return modem_.error(); }
    const std::string& slavePath() const { return modem_.port(); }
    PtyModem& modem() { return modem_; }

private:
    PtyModem modem_;
};

}  // namespace lumivane::test

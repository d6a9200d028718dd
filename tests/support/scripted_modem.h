#pragma once
// The window tests' older name for the scripted modem: a thin face on PtyModem.
#include <chrono>

#include "support/pty_pair.h"

namespace lumivane::test {

class ScriptedModem {
public:
    explicit ScriptedModem(PtyPair& pty) : modem_(pty.modem()) {}
    void answer(std::string command, std::string reply) { modem_.answer(std::move(command), std::move(reply)); }
    void answerStartingWith(std::string prefix, std::string reply) { modem_.answer(std::move(prefix), std::move(reply)); }
    void answerMessage(std::string reply) { modem_.answerMessage(std::move(reply)); }
    void hangUpOn(std::string prefix) { modem_.hangUpOn(std::move(prefix)); }
    void setEcho(bool echo) { modem_.setEcho(echo); }
    void actAsWorkingModem(std::string reply = "\r\n+CMGS: 12\r\n\r\nOK\r\n") { modem_.actAsWorkingModem(std::move(reply)); }
    void start(std::chrono::milliseconds = {}) { modem_.start(); }
    void stop() { modem_.stop(); }
    std::string received() const { return modem_.received(); }
    std::vector<std::string> commands() const { return modem_.commands(); }
    bool hungUp() const { return modem_.hungUp(); }

private:
    PtyModem& modem_;
};

}  // namespace lumivane::test

#pragma once
// A GSM modem played by a script on the master side of a pseudo-terminal: it
// reads what the program writes, splits it into commands at CR and Ctrl-Z, and
// answers each command by the first rule that matches. It runs in its own
// thread, polls with a short time-out and stops by itself after a bounded time.
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/pty_pair.h"

namespace lumivane::test {

class ScriptedModem {
public:
    // Takes over the master side of `pty`; nothing runs until start().
    explicit ScriptedModem(PtyPair& pty);
    ~ScriptedModem();
    ScriptedModem(const ScriptedModem&) = delete;
    ScriptedModem& operator=(const ScriptedModem&) = delete;

    // Rules, tried in the order given. A command includes its CR or Ctrl-Z.
    // Answers a command that is exactly `command`.
    void answer(std::string command, std::string reply);
    // Answers a command that starts with `prefix`.
    void answerStartingWith(std::string prefix, std::string reply);
    // Answers a message text (a command ended by Ctrl-Z).
    void answerMessage(std::string reply);
    // Closes the master side, as a modem pulled off the port, on a command starting with `prefix`.
    void hangUpOn(std::string prefix);
    // Sends every byte back as it arrives, before any answer.
    void setEcho(bool echo) { echo_ = echo; }

    // The rules of a modem that does its job: "OK" to the three set-up
    // commands, the prompt to the recipient command, `messageReply` to the text.
    void actAsWorkingModem(std::string messageReply = "\r\n+CMGS: 12\r\n\r\nOK\r\n");

    // Starts answering in the modem's thread; it stops by itself after `lifetime`.
    void start(std::chrono::milliseconds lifetime = std::chrono::seconds(30));
    // Stops the thread and waits for it (also done by the destructor).
    void stop();

    // Every byte the program wrote so far, in order.
    std::string received() const;
    // The commands received so far, each with its CR or Ctrl-Z.
    std::vector<std::string> commands() const;
    // Whether the modem has hung up.
    bool hungUp() const { return hungUp_; }

private:
    enum class Match { Exact, Prefix, Message, HangUp };
    struct Rule {
        Match match;
        std::string text;
        std::string reply;
    };

    void run(std::chrono::steady_clock::time_point deadline);
    // False once the modem has hung up.
    bool handle(const std::string& command);
    void writeAll(const std::string& bytes);

    int master_ = -1;
    std::vector<Rule> rules_;
    bool echo_ = false;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> hungUp_{false};
    mutable std::mutex mutex_;
    std::string received_;
    std::vector<std::string> commands_;
};

}  // namespace lumivane::test

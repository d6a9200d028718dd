#pragma once
// A GSM modem on a fresh pseudo-terminal: the program under test opens port();
// a thread on the master side splits what it reads into commands at CR and
// answers each as a text-mode modem does: after the "> " prompt it takes text up
// to Ctrl-Z (sent: "+CMGS: <mr>" then OK) or ESC (cancelled: OK, nothing sent).
// It can refuse a command with an error, or hang up.
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace lumivane::test {

class PtyModem {
public:
    // Opens the pair, the slave in raw mode so bytes pass unchanged.
    PtyModem();
    ~PtyModem();

    // Empty when the pair is open, otherwise why not.
    const std::string& error() const { return error_; }
    // The slave's device path, such as "/dev/pts/7".
    const std::string& port() const { return port_; }

    // Before start(). A command includes its CR or Ctrl-Z.
    // Closes the master side, as a modem pulled off the port, on a command starting with `prefix`.
    void hangUpOn(std::string prefix) { hangUpPrefix_ = std::move(prefix); }
    // Waits this long before each answer, as a modem talking to the network does.
    void setReplyDelay(std::chrono::milliseconds delay) { replyDelay_ = delay; }
    // The prompt to the recipient, "+CMGS:" to the text, "OK" to everything else; silence without this.
    void actAsWorkingModem() { answers_ = true; }
    // Answers `errorLine` (such as "+CME ERROR: 11") to the command starting with `prefix`;
    // the text to send counts as the command "TEXT".
    void refuse(std::string prefix, std::string errorLine)
    {
        refusals_.emplace_back(std::move(prefix), std::move(errorLine));
    }
    // What AT+CPIN?, AT+CREG? and AT+CSQ report (after their "+CPIN: " and so on).
    void setStatus(std::string cpin, std::string creg, std::string csq)
    {
        status_ = {std::move(cpin), std::move(creg), std::move(csq)};
    }

    // Starts answering in the modem's thread; stop() (or the destructor) ends it.
    void start();
    void stop();

    // The commands the program wrote so far, each with its CR, Ctrl-Z or ESC.
    std::vector<std::string> commands() const;
    // The texts the modem accepted and sent.
    int messagesSent() const { return sent_; }
    bool hungUp() const { return hungUp_; }

private:
    void run();
    bool handle(const std::string& command);  // false once hung up
    std::string answerTo(const std::string& command);
    void writeAll(const std::string& bytes);

    int master_ = -1;
    int slaveKeeper_ = -1;  // keeps the master from seeing a hang-up between two openings of the port
    std::string port_;
    std::string error_;
    std::string hangUpPrefix_;
    bool answers_ = false;
    bool inText_ = false;  // after the prompt, until Ctrl-Z or ESC
    std::vector<std::pair<std::string, std::string>> refusals_;
    std::vector<std::string> status_{"READY", "0,1", "20,99"};
    std::atomic<int> sent_{0};
    std::chrono::milliseconds replyDelay_{0};
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> hungUp_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
};

}  // namespace lumivane::test

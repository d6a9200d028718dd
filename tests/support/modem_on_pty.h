#pragma once
// A fresh pseudo-terminal with a scripted modem on its master side, for one
// test case: the program under test opens port() as its modem port.
#include <QObject>
#include <QString>
#include <QTest>

#include <memory>

#include "support/pty_pair.h"
#include "support/scripted_modem.h"

namespace lumivane::test {

class ModemOnPty {
public:
    ModemOnPty() : pty_(std::make_unique<PtyPair>()), modem_(std::make_unique<ScriptedModem>(*pty_)) {}
    ~ModemOnPty() { modem_->stop(); }

    // Whether the pseudo-terminal could be opened; error() says why not.
    bool isOpen() const { return pty_->isOpen(); }
    const char* error() const { return pty_->error().c_str(); }

    QString port() const { return QString::fromStdString(pty_->slavePath()); }
    ScriptedModem& modem() { return *modem_; }

private:
    // Declared in this order so the modem stops before its pseudo-terminal goes.
    std::unique_ptr<PtyPair> pty_;
    std::unique_ptr<ScriptedModem> modem_;
};

// The base of a test class whose every case gets a fresh modem on a
// pseudo-terminal, at `port`, scripted through `modem`.
class ModemOnPtyTestCase : public QObject {
    Q_OBJECT

protected:
    // Line settings the pseudo-terminal takes, a number the dialogue accepts,
    // and the clean dialogue's result.
    static inline const QString kSettings = QStringLiteral("460800,n,8,1");
    static inline const QString kNumber = QStringLiteral("07700900123");
    static inline const QString kSentOk = QStringLiteral("Message Sent OK!");

    std::unique_ptr<ModemOnPty> line;
    ScriptedModem* modem = nullptr;
    QString port;

private slots:
    void init()
    {
        line = std::make_unique<ModemOnPty>();
        if (!line->isOpen())
            QFAIL(line->error());
        port = line->port();
        modem = &line->modem();
    }

    void cleanup()
    {
        modem = nullptr;
        line.reset();
    }
};

// Whether nothing holds the port any more: a fresh open succeeds.
bool portCanBeOpenedAgain(const QString& path);

}  // namespace lumivane::test

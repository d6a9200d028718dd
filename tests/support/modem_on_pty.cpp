#include "support/modem_on_pty.h"

#include <QSerialPort>

namespace lumivane::test {

bool portCanBeOpenedAgain(const QString& path)
{
    QSerialPort port(path);
    const bool ok = port.open(QIODevice::ReadWrite);
    port.close();
    return ok;
}

}  // namespace lumivane::test

#include "platform/core/DWAssert.h"

#include "platform/core/ConsoleOutput.h"

namespace dw {

void raiseInternalInconsistency(const QString& message, const char* file, int line)
{
    // The message is the system's own text; where it fired is for the developer's console only.
    consoleWrite(
        QStringLiteral("*** Assertion failure (%1:%2): %3").arg(QString::fromUtf8(file)).arg(line).arg(message));
    throw InternalInconsistency(message);
}

} // namespace dw

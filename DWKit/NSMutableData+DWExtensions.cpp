#include "DWKit/NSMutableData+DWExtensions.h"

#include "platform/core/DWAssert.h"

namespace dw {

void appendString(QByteArray& data, const QString& text)
{
    data += text.toUtf8();
}

QByteArray splitAtPosition(QByteArray& data, qsizetype position)
{
    DW_ASSERT(position >= 0 && position <= data.size(), "split postion out of range");
    QByteArray head = data.left(position);
    data.remove(0, position);
    return head;
}

} // namespace dw

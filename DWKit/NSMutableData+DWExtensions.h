#pragma once
// Building and cutting byte buffers.
//
//     QByteArray body;
//     dw::appendFormat(body, "--%@\r\n", boundary);

#include "platform/core/DWFormat.h"

#include <QByteArray>
#include <QString>

namespace dw {

// Appends the text's UTF-8 bytes.
void appendString(QByteArray& data, const QString& text);

template<class... Args>
void appendFormat(QByteArray& data, const QString& format, const Args&... args)
{
    appendString(data, dw::format(format, args...));
}

// Takes the first `position` bytes out of `data` and returns them; `data` keeps the rest. A
// position beyond the length is a caller error (DW_ASSERT).
QByteArray splitAtPosition(QByteArray& data, qsizetype position);

} // namespace dw

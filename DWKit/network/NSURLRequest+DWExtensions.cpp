#include "DWKit/network/NSURLRequest+DWExtensions.h"

#include "DWKit/NSString+DWExtensions.h"
#include "platform/core/DWAssert.h"

namespace dw {

QByteArray multipartFormBody(const QVariantMap& postForm, const QByteArray& boundary)
{
    QByteArray body;
    for (auto it = postForm.constBegin(); it != postForm.constEnd(); ++it) {
        const QVariant& value = it.value();
        const int type = value.typeId();
        DW_ASSERT(type == QMetaType::QString || type == QMetaType::QByteArray, "unknown value class: %@",
                  QString::fromLatin1(value.typeName()));
        if (it != postForm.constBegin())
            body += "\r\n";
        body += "--" + boundary + "\r\n";
        body += "Content-Disposition: form-data; name=\"" + it.key().toUtf8() + "\"\r\n";
        body += "\r\n";
        body += type == QMetaType::QString ? value.toString().toUtf8() : value.toByteArray();
    }
    body += "\r\n--" + boundary + "--\r\n";
    return body;
}

HttpRequest requestWithURL(const QString& url, const QVariantMap& postForm)
{
    const QByteArray boundary = "x-mime-boundary://" + UUID().toLatin1();
    HttpRequest request;
    request.method = "POST";
    request.url = url;
    request.body = multipartFormBody(postForm, boundary);
    request.headerFields = {
        {"Content-Type", "multipart/form-data; boundary=\"" + boundary + '"'},
        {"Content-Length", QByteArray::number(request.body.size())},
    };
    return request;
}

} // namespace dw

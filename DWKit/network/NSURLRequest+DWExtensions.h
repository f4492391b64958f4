#pragma once
// An HTTP POST of a multipart/form-data form, as the crash reporter sends its report.
//
//     dw::HttpRequest request = dw::requestWithURL(endpoint, {{"subject", subject}, {"content", report}});
//     const dw::HttpResponse response = dw::HttpClient().send(request);

#include "platform/network/HttpClient.h"

#include <QString>
#include <QVariantMap>

namespace dw {

// A POST to `url` whose body holds one part per form field, in key order: a text value as its
// UTF-8 bytes, a data value (QByteArray) as it is. The boundary is "x-mime-boundary://<UUID>", new
// for every request and quoted in the Content-Type field (it holds ":" and "/"). A value of any
// other type is a caller error (DW_ASSERT). Any thread.
HttpRequest requestWithURL(const QString& url, const QVariantMap& postForm);

// The form body alone, for a given boundary.
QByteArray multipartFormBody(const QVariantMap& postForm, const QByteArray& boundary);

} // namespace dw

#include "model/QMYTVideo.h"

#include "DWKit/NSString+DWExtensions.h"

#include "platform/DWFormat.h"

QMYTMedia::QMYTMedia(const QString& url, const QString& type, const QString& format)
    : m_url(url), m_type(type), m_format(format)
{}

std::shared_ptr<QMYTMedia> QMYTMedia::mediaWithUrl(const QString& url, const QString& type, const QString& format)
{
    return std::make_shared<QMYTMedia>(url, type, format);
}

QString QMYTMedia::description() const
{
    return dw::format(QStringLiteral("%@: %@, %@, %@"), QStringLiteral("QMYTMedia"), m_url, m_type, m_format);
}

QString QMYTMedia::htmlEmbedTag() const
{
    const QString url = m_url.toHtmlEscaped();
    const QString type = m_type.toHtmlEscaped();
    return dw::format(
        QStringLiteral("<object width=\"425\" height=\"350\">\n<param name=\"movie\" value=\"%@\"></param>\n"
                       "<embed src=\"%@\" type=\"%@\" width=\"425\" height=\"350\">\n</embed></object>"),
        url, url, type);
}

QMYTVideo::QMYTVideo() : m_uniqueID(dw::UUID()) {}

QString QMYTVideo::videoDescription() const
{
    return dw::format(QStringLiteral("%@: %@, %@, %@, (%@)"), QStringLiteral("QMYTVideo"), m_title, m_description,
                      m_thumbURL, m_defaultMedia ? m_defaultMedia->description() : QStringLiteral("(null)"));
}

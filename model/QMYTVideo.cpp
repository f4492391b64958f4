#include "model/QMYTVideo.h"

#include "model/QMArchiveValues_p.h"

#include "DWKit/NSString+DWExtensions.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/DWFormat.h"

#include <mutex>

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

void QMYTMedia::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    coder.encodeObject(qm::archive::textValue(m_url), QStringLiteral("url"));
    coder.encodeObject(qm::archive::textValue(m_type), QStringLiteral("type"));
    coder.encodeObject(qm::archive::textValue(m_format), QStringLiteral("format"));
}

std::shared_ptr<QMYTMedia> QMYTMedia::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    const QString owner = QStringLiteral("QMYTMedia");
    auto media = std::make_shared<QMYTMedia>();
    media->m_url = qm::archive::decodeText(coder, QStringLiteral("url"), owner);
    media->m_type = qm::archive::decodeText(coder, QStringLiteral("type"), owner);
    media->m_format = qm::archive::decodeText(coder, QStringLiteral("format"), owner);
    return media;
}

void QMYTVideo::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    coder.encodeObject(qm::archive::textValue(m_title), QStringLiteral("title"));
    coder.encodeObject(qm::archive::textValue(m_description), QStringLiteral("description"));
    coder.encodeObject(qm::archive::textValue(m_thumbURL), QStringLiteral("thumbURL"));
    coder.encodeObject(m_defaultMedia, QStringLiteral("defaultMedia"));
    coder.encodeObject(qm::archive::textValue(m_uniqueID), QStringLiteral("uniqueID"));
}

std::shared_ptr<QMYTVideo> QMYTVideo::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    const QString owner = QStringLiteral("QMYTVideo");
    auto video = std::make_shared<QMYTVideo>();
    video->m_title = qm::archive::decodeText(coder, QStringLiteral("title"), owner);
    video->m_description = qm::archive::decodeText(coder, QStringLiteral("description"), owner);
    video->m_thumbURL = qm::archive::decodeText(coder, QStringLiteral("thumbURL"), owner);
    video->m_defaultMedia = qm::archive::decodeObject<QMYTMedia>(coder, QStringLiteral("defaultMedia"), owner);
    video->m_uniqueID = qm::archive::decodeText(coder, QStringLiteral("uniqueID"), owner);
    return video;
}

void QMYTVideo::registerArchiveClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMYTVideo"),
            [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr { return decodeWithCoder(coder); });
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMYTMedia"),
            [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr { return QMYTMedia::decodeWithCoder(coder); });
    });
}

#pragma once
// A video hosted on a video service that a listing embeds in its description: the record with
// title, description and thumbnail address, and its default media (QMYTMedia) whose HTML tag the
// description generator places. Records arrive inside documents; nothing here creates them from
// the service. Both classes are archived under their field names.

#include "platform/archive/ArchivedObject.h"

#include <QString>
#include <memory>

namespace dw {
class KeyedUnarchiver;
}

class QMYTMedia : public dw::ArchivedObject
{
public:
    QMYTMedia() = default;
    QMYTMedia(const QString& url, const QString& type, const QString& format);
    static std::shared_ptr<QMYTMedia> mediaWithUrl(const QString& url, const QString& type, const QString& format);

    const QString& url() const { return m_url; }
    void setUrl(const QString& url) { m_url = url; }
    const QString& type() const { return m_type; }
    void setType(const QString& type) { m_type = type; }
    const QString& format() const { return m_format; }
    void setFormat(const QString& format) { m_format = format; }

    QString description() const;
    // The player markup (425 by 350). Address and type come from a document, so they are escaped
    // for HTML attributes: a quote in them cannot break out of the tag.
    QString htmlEmbedTag() const;

    QStringList archiveClassChain() const override { return {QStringLiteral("QMYTMedia"), QStringLiteral("NSObject")}; }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    static std::shared_ptr<QMYTMedia> decodeWithCoder(dw::KeyedUnarchiver& coder);

private:
    QString m_url;
    QString m_type;
    QString m_format;
};

class QMYTVideo : public dw::ArchivedObject
{
public:
    // A new record gets a new UUID as its unique ID.
    QMYTVideo();

    const QString& title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    const QString& description() const { return m_description; }
    void setDescription(const QString& description) { m_description = description; }
    const QString& thumbURL() const { return m_thumbURL; }
    void setThumbURL(const QString& thumbURL) { m_thumbURL = thumbURL; }
    const std::shared_ptr<QMYTMedia>& defaultMedia() const { return m_defaultMedia; }
    void setDefaultMedia(const std::shared_ptr<QMYTMedia>& media) { m_defaultMedia = media; }
    const QString& uniqueID() const { return m_uniqueID; }
    void setUniqueID(const QString& uniqueID) { m_uniqueID = uniqueID; }
    bool cachedImageValid() const { return m_cachedImageValid; }
    void setCachedImageValid(bool valid) { m_cachedImageValid = valid; }

    QString videoDescription() const;

    // A record read from an archive keeps the stored unique ID (nil when it has none).
    QStringList archiveClassChain() const override { return {QStringLiteral("QMYTVideo"), QStringLiteral("NSObject")}; }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    static std::shared_ptr<QMYTVideo> decodeWithCoder(dw::KeyedUnarchiver& coder);
    // Registers both classes; may be called any number of times.
    static void registerArchiveClass();

private:
    QString m_title;
    QString m_description;
    QString m_thumbURL;
    std::shared_ptr<QMYTMedia> m_defaultMedia;
    QString m_uniqueID;
    bool m_cachedImageValid = false;
};

#pragma once
// A design template: the HTML page with "[[" "]]" placeholders into which the description
// generator merges a listing, with its name, identifier, version, keywords, layouts and preview
// picture.
//
// A template is a folder "<Name>.designTemplate" holding "Info.plist" (at least "CFBundleName"),
// "body.html" and optionally "thumbnail.jpg"; or a single "<Name>.html" file; or a template that
// the template server offers, known only by its information list until it is installed. The body,
// the previews, the layout names and the body prepared for the editing preview are read or built
// on first use and kept. Nothing is written back.
//
//     auto design = QMDesignTemplate::designTemplateWithPath(folder);   // null: not a template
//     if (design && design->layoutNames().contains(QStringLiteral("Wide"))) ...
//
// Main thread.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>

class QMDesignTemplate
{
public:
    enum Type { SingleFile = 0, Folder = 1, Remote = 2 };

    // Null for a path that is no template: another extension, a folder without a readable
    // "Info.plist" or one without "CFBundleName".
    static std::shared_ptr<QMDesignTemplate> designTemplateWithPath(const QString& path);
    // A template that the server offers; no path, no body.
    static std::shared_ptr<QMDesignTemplate> remoteTemplateWithInfoPlist(const QVariantMap& infoPlist);

    const QString& path() const { return m_path; }
    Type type() const { return m_type; }
    const std::optional<QVariantMap>& infoPlist() const { return m_infoPlist; }
    const QByteArray& imageData() const { return m_imageData; }

    QString name() const;
    QString identifier() const;
    QString versionString() const;
    // The leading decimal number of versionString(); 0 when it has none.
    float version() const;
    qint64 minimumQuillmartVersion() const;
    bool autoIncludeImages() const;
    QStringList keywords() const;
    QString comment() const;
    QStringList remoteResources() const;
    QString remoteDirectory() const;
    QVariant templateProperties() const;

    // The HTML body; null when it cannot be read (tried again on the next call).
    QString body() const;
    void setBody(const QString& body) { m_body = body; }
    QImage staticPreview() const;
    QImage previewThumbnail() const;
    void setStaticPreview(const QImage& image) { m_staticPreview = image; }
    void setPreviewThumbnail(const QImage& image) { m_previewThumbnail = image; }

    // The layouts the body tests with "QMLayoutEnabled_<Name>" placeholders, "_" read as blanks,
    // in order of first appearance.
    QStringList layoutNames() const;
    // The body with every picture tag whose source is a placeholder wrapped in
    // "[[imageStartElement]]" and "[[imageEndElement]]", so that the editing preview can tell the
    // description's pictures.
    QString bodyPreparedForEditingPreview() const;

    // Loads <base>/<remote directory>/thumbnail.jpg synchronously into both previews (null ones,
    // and a console line, when it cannot be loaded or the folder is no plain name).
    void downloadPreviewThumbFromBaseURL(const QString& baseURL);

    bool caseInsensitiveNameLessThan(const QMDesignTemplate& other) const;

    const QString& remoteVersionString() const { return m_remoteVersionString; }
    void setRemoteVersionString(const QString& version) { m_remoteVersionString = version; }

private:
    QMDesignTemplate() = default;
    QVariant info(const char* key) const;

    QString m_path;
    Type m_type = SingleFile;
    std::optional<QVariantMap> m_infoPlist;
    QByteArray m_imageData;
    mutable QString m_body;
    mutable QImage m_staticPreview;
    mutable QImage m_previewThumbnail;
    mutable std::optional<QStringList> m_layoutNames;
    mutable QString m_bodyPreparedForEditingPreview;
    QString m_remoteVersionString;
};

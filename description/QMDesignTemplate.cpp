#include "description/QMDesignTemplate.h"

#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMLog.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/Paths.h"
#include "platform/core/RegularFile.h"
#include "platform/network/HttpClient.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Design folders come from anywhere (a download, a copy from someone else): only ordinary files
// of a sensible size are read, a pipe or a device in their place would block or never end.
std::optional<QByteArray> readFile(const QString& path)
{
    return dw::readRegularFile(path, qint64(64) << 20);
}

} // namespace

std::shared_ptr<QMDesignTemplate> QMDesignTemplate::designTemplateWithPath(const QString& path)
{
    const QFileInfo file(path);
    const QString extension = file.suffix();
    std::shared_ptr<QMDesignTemplate> design(new QMDesignTemplate);
    design->m_path = path;
    if (extension == QStringLiteral("html") && file.isFile()) {
        design->m_type = SingleFile;
        return design;
    }
    if ((extension != QStringLiteral("designTemplate") && extension != QStringLiteral("designtemplate")) ||
        !file.isDir())
        return nullptr;
    design->m_type = Folder;
    const std::optional<QVariant> info = dw::plist::readFile(path + QStringLiteral("/Info.plist"));
    if (!info || info->typeId() != QMetaType::QVariantMap)
        return nullptr;
    const QVariantMap map = info->toMap();
    if (map.value(QStringLiteral("CFBundleName")).toString().isEmpty())
        return nullptr;
    design->m_infoPlist = map;
    design->m_imageData = readFile(path + QStringLiteral("/thumbnail.jpg")).value_or(QByteArray());
    return design;
}

std::shared_ptr<QMDesignTemplate> QMDesignTemplate::remoteTemplateWithInfoPlist(const QVariantMap& infoPlist)
{
    std::shared_ptr<QMDesignTemplate> design(new QMDesignTemplate);
    design->m_type = Remote;
    design->m_infoPlist = infoPlist;
    return design;
}

QVariant QMDesignTemplate::info(const char* key) const
{
    return m_infoPlist ? m_infoPlist->value(QString::fromLatin1(key)) : QVariant();
}

QString QMDesignTemplate::name() const
{
    if (m_infoPlist)
        return info("CFBundleName").toString();
    return QFileInfo(m_path).completeBaseName();
}

QString QMDesignTemplate::identifier() const
{
    if (m_infoPlist)
        return info("CFBundleIdentifier").toString();
    return QStringLiteral("custom.") + QFileInfo(m_path).fileName();
}

QString QMDesignTemplate::versionString() const
{
    if (m_infoPlist)
        return info("CFBundleVersion").toString();
    return QStringLiteral("1.0");
}

float QMDesignTemplate::version() const
{
    return dw::floatValue(versionString());
}

qint64 QMDesignTemplate::minimumQuillmartVersion() const
{
    const QVariant value = info("QMMinimumVersion");
    if (value.typeId() == QMetaType::QString)
        return dw::integerValue(value.toString());
    return value.toLongLong();
}

bool QMDesignTemplate::autoIncludeImages() const
{
    if (!m_infoPlist)
        return true;
    return info("QMAutoIncludeImages").toBool();
}

QStringList QMDesignTemplate::keywords() const
{
    return info("QMKeywords").toStringList();
}

QString QMDesignTemplate::comment() const
{
    return info("QMComment").toString();
}

QStringList QMDesignTemplate::remoteResources() const
{
    return info("QMRemoteResources").toStringList();
}

QString QMDesignTemplate::remoteDirectory() const
{
    const QString directory = info("QMRemoteDirectory").toString();
    return directory.isNull() ? name() : directory;
}

QVariant QMDesignTemplate::templateProperties() const
{
    return info("templateProperties");
}

QString QMDesignTemplate::body() const
{
    if (!m_body.isNull() || m_type == Remote)
        return m_body;
    const QString file = m_type == SingleFile ? m_path : m_path + QStringLiteral("/body.html");
    if (const std::optional<QByteArray> bytes = readFile(file))
        m_body = QString::fromUtf8(*bytes);
    return m_body;
}

QImage QMDesignTemplate::staticPreview() const
{
    if (m_staticPreview.isNull() && !m_imageData.isEmpty())
        m_staticPreview = QImage::fromData(m_imageData);
    return m_staticPreview;
}

QImage QMDesignTemplate::previewThumbnail() const
{
    if (m_previewThumbnail.isNull() && !m_imageData.isEmpty())
        m_previewThumbnail = QImage::fromData(m_imageData);
    return m_previewThumbnail;
}

QStringList QMDesignTemplate::layoutNames() const
{
    if (!m_layoutNames) {
        static const QString prefix = QStringLiteral("QMLayoutEnabled_");
        const QString text = body();
        QStringList names;
        qsizetype position = text.indexOf(prefix);
        while (position >= 0) {
            qsizetype end = position + prefix.size();
            while (end < text.size() && text.at(end) != u' ' && text.at(end) != u']')
                ++end;
            QString layout = text.mid(position + prefix.size(), end - position - prefix.size());
            layout.replace(u'_', u' ');
            if (!names.contains(layout))
                names << layout;
            position = text.indexOf(prefix, end);
        }
        m_layoutNames = names;
    }
    return *m_layoutNames;
}

QString QMDesignTemplate::bodyPreparedForEditingPreview() const
{
    if (!m_bodyPreparedForEditingPreview.isEmpty())
        return m_bodyPreparedForEditingPreview;
    const QString stored = body();
    if (stored.isEmpty())
        return m_bodyPreparedForEditingPreview;
    static const QString start = QStringLiteral("[[imageStartElement]]");
    static const QString end = QStringLiteral("[[imageEndElement]]");
    QString prepared = stored;
    qsizetype shift = 0;
    qsizetype position = stored.indexOf(QStringLiteral("<img"));
    while (position >= 0) {
        const qsizetype close = stored.indexOf(u'>', position);
        if (close < 0)
            break;
        // The tag is wrapped with its ">", so the page still reads it as a whole picture tag.
        const QString tag = stored.mid(position, close + 1 - position);
        if (tag.contains(QStringLiteral("[[")) && tag.contains(QStringLiteral("]]"))) {
            prepared.replace(position + shift, tag.size(), start + tag + end);
            shift += start.size() + end.size();
        }
        position = stored.indexOf(QStringLiteral("<img"), close + 1);
    }
    m_bodyPreparedForEditingPreview = prepared;
    return m_bodyPreparedForEditingPreview;
}

void QMDesignTemplate::downloadPreviewThumbFromBaseURL(const QString& baseURL)
{
    QImage picture;
    const QString directory = remoteDirectory();
    if (dw::paths::isSafeFileName(directory) && !directory.startsWith(u'.')) {
        dw::HttpRequest request;
        request.url = dw::stringByAppendingURLComponent(dw::stringByAppendingURLComponent(baseURL, directory),
                                                        QStringLiteral("thumbnail.jpg"));
        const dw::HttpResponse response = dw::HttpClient().send(request);
        if (response.ok() && response.status >= 200 && response.status < 300)
            picture = QImage::fromData(response.body);
    }
    if (picture.isNull())
        QMLog("failed to download thumbnail for template %@", name());
    m_staticPreview = picture;
    m_previewThumbnail = picture;
}

bool QMDesignTemplate::caseInsensitiveNameLessThan(const QMDesignTemplate& other) const
{
    return name().compare(other.name(), Qt::CaseInsensitive) < 0;
}

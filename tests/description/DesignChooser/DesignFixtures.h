#pragma once
// Design templates for the chooser's tests: in memory (a name, an identifier, keywords and a plain
// coloured picture) or as folders in the user's template folder, for a manager to register.

#include "description/QMDesignTemplate.h"
#include "description/QMDesignTemplateManager.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/Paths.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <memory>

namespace designs::test {

inline std::shared_ptr<QMDesignTemplate> memoryDesign(const QString& name, const QStringList& keywords = {},
                                                      const QColor& colour = Qt::red, QSize size = {300, 150})
{
    auto design = QMDesignTemplate::remoteTemplateWithInfoPlist(
        {{QStringLiteral("CFBundleName"), name},
         {QStringLiteral("CFBundleIdentifier"), QString(QStringLiteral("test.") + name.toLower())},
         {QStringLiteral("QMKeywords"), QVariant(keywords)}});
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    design->setPreviewThumbnail(picture);
    design->setStaticPreview(picture);
    return design;
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    if (!dw::paths::ensureFolder(QFileInfo(path).path()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// "<name>.designTemplate" in the user's folder, with a thumbnail and, when given, layouts.
inline bool writeUserDesign(const QString& name, const QStringList& keywords, const QStringList& layouts = {})
{
    const QString folder =
        QDir(QMDesignTemplateManager::userTemplatesDirectory()).filePath(name + QStringLiteral(".designTemplate"));
    QString body = QStringLiteral("<div>[[description]]</div>");
    for (QString layout : layouts)
        body += QStringLiteral("[[if QMLayoutEnabled_%1]]x[[endif]]").arg(layout.replace(u' ', u'_'));
    QImage thumbnail(200, 150, QImage::Format_RGB32);
    thumbnail.fill(Qt::darkCyan);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    thumbnail.save(&buffer, "JPG");
    const QVariantMap info{{QStringLiteral("CFBundleName"), name},
                           {QStringLiteral("CFBundleIdentifier"), QString(QStringLiteral("test.") + name.toLower())},
                           {QStringLiteral("CFBundleVersion"), QStringLiteral("1.0")},
                           {QStringLiteral("QMKeywords"), QVariant(keywords)}};
    return writeFile(folder + QStringLiteral("/Info.plist"), dw::plist::write(info)) &&
           writeFile(folder + QStringLiteral("/body.html"), body.toUtf8()) &&
           writeFile(folder + QStringLiteral("/thumbnail.jpg"), jpeg);
}

} // namespace designs::test

#include "DWKit/widgets/NSImage+DWApplicationIcons.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(ApplicationIcons, FoundByIdentifierAndByName)
{
    dw::test::TemporaryXdg xdg;
    QImage icon(48, 48, QImage::Format_ARGB32);
    icon.fill(Qt::magenta);
    const QString iconPath = xdg.path(QStringLiteral("quill.png"));
    ASSERT_TRUE(icon.save(iconPath));
    ASSERT_TRUE(QDir().mkpath(xdg.path(QStringLiteral("data/applications"))));
    QFile entry(xdg.path(QStringLiteral("data/applications/org.example.Quill.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Quill, the Lister\nIcon=" + iconPath.toUtf8() + "\n");
    entry.close();

    const QImage byIdentifier = dw::imageForApplicationBundleID(QStringLiteral("org.example.Quill"));
    ASSERT_FALSE(byIdentifier.isNull());
    EXPECT_EQ(byIdentifier.pixelColor(10, 10), QColor(Qt::magenta));
    EXPECT_EQ(dw::imageForApplicationName(QStringLiteral("quill, the lister")).size(), byIdentifier.size());
    EXPECT_EQ(dw::imageForApplicationName(QStringLiteral("org.example.quill")).size(), byIdentifier.size());

    EXPECT_TRUE(dw::imageForApplicationBundleID(QStringLiteral("org.example.Missing")).isNull());
    EXPECT_TRUE(dw::imageForApplicationName(QStringLiteral("Missing")).isNull());
    EXPECT_TRUE(dw::imageForApplicationBundleID(QStringLiteral("../escape")).isNull());
}

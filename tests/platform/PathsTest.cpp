#include "platform/core/Paths.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary folder has a name anyone can guess. Whatever stands there first (a link into
// someone else's folder, a file, a folder of another user) must never receive our files.
TEST(Paths, TemporaryFolderIsAlwaysOurOwnPrivateFolder)
{
    struct Row
    {
        const char* name;
        std::function<void(const QString& expected, const QString& elsewhere)> prepare;
    };
    const Row rows[] = {
        {"nothing there yet", [](const QString&, const QString&) {}},
        {"our own folder, open to all",
         [](const QString& expected, const QString&) {
             ASSERT_TRUE(QDir().mkpath(expected));
             ::chmod(QFile::encodeName(expected).constData(), 0777);
         }},
        {"a link to another folder",
         [](const QString& expected, const QString& elsewhere) {
             ASSERT_TRUE(QFile::link(elsewhere, expected.chopped(1)));
         }},
        {"a file",
         [](const QString& expected, const QString&) {
             QFile file(expected.chopped(1));
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         }},
        {"another user's folder",
         [](const QString& expected, const QString&) {
             // Only the superuser can give a folder away; others test an empty place again.
             if (::getuid() == 0) {
                 ASSERT_TRUE(QDir().mkpath(expected));
                 ASSERT_EQ(::chown(QFile::encodeName(expected).constData(), 65534, 65534), 0);
             }
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::test::TemporaryXdg xdg;
        const QString expected = xdg.path(QStringLiteral("tmp/QuillmartVodar-%1/").arg(::getuid()));
        const QString elsewhere = xdg.path(QStringLiteral("elsewhere"));
        ASSERT_TRUE(QDir().mkpath(elsewhere));
        row.prepare(expected, elsewhere);

        const QString folder = dw::paths::temporaryFolder();
        ASSERT_FALSE(folder.isEmpty());
        EXPECT_TRUE(folder.endsWith(u'/'));
        struct stat info
        {};
        ASSERT_EQ(::lstat(QFile::encodeName(folder.chopped(1)).constData(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode)) << folder.toStdString();
        EXPECT_EQ(info.st_uid, ::getuid());
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_FALSE(QFileInfo(folder).canonicalFilePath().startsWith(elsewhere));
        EXPECT_EQ(dw::paths::temporaryFolder(), folder) << "the same folder every time";
    }
}

} // namespace

#include "platform/core/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

// A killed save leaves its hidden temporary file; the next save of the file removes it, and so
// does opening the file (which may never be saved again). Nothing else goes.
TEST(AtomicFile, SaveOrOpenRemovesWhatAKilledSaveLeftAndNothingElse)
{
    struct Row
    {
        const char* by;
        std::function<void(const QString&)> clean;
        const char* document;
    };
    const Row rows[] = {
        {"the next save",
         [](const QString& path) {
             QString error;
             ASSERT_TRUE(dw::writeFileAtomically(path, "new", &error)) << error.toStdString();
         },
         "new"},
        {"an opening", [](const QString& path) { dw::removeLeftoverTemporaryFiles(path); }, "old"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.by);
        const QTemporaryDir dir;
        const QString document = dir.filePath(QStringLiteral("lamp.listing"));
        put(document, "old");
        const QString leftover = dir.filePath(QStringLiteral(".lamp.listing.Ab3dE9.saving"));
        put(leftover, QByteArray(4096, 'x'));
        const QString inProgress = dir.filePath(QStringLiteral(".lamp.listing.Zz0000.saving"));
        put(inProgress, "another save is writing this");
        const int held = ::open(QFile::encodeName(inProgress).constData(), O_RDONLY);
        ASSERT_GE(held, 0);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        const QStringList usersOwn = {QStringLiteral("lamp.listing.backup"), QStringLiteral("lamp.listing.AbCdEf"),
                                      QStringLiteral(".other.listing.Ab3dE9.saving"),
                                      QStringLiteral(".lamp.listing.Ab3dE9.saving.txt")};
        for (const QString& name : usersOwn)
            put(dir.filePath(name), "keep");

        row.clean(document);
        ::close(held);

        EXPECT_EQ(contents(document), row.document);
        EXPECT_FALSE(QFile::exists(leftover));
        EXPECT_TRUE(QFile::exists(inProgress)) << "a save still running keeps its file";
        QStringList expected = usersOwn;
        expected << QStringLiteral("lamp.listing") << QStringLiteral(".lamp.listing.Zz0000.saving");
        expected.sort();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    }
}

TEST(AtomicFile, RewriteKeepsPermissionsAndLinksAndFailureKeepsTheOldFile)
{
    const QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("data.plist"));
    put(target, "old");
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
    const QString link = dir.filePath(QStringLiteral("link.plist"));
    ASSERT_TRUE(QFile::link(target, link));

    ASSERT_TRUE(dw::writeFileAtomically(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contents(target), "new");
    struct stat info;
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    {
        dw::ScopedWriteFailure full;
        QString error;
        EXPECT_FALSE(dw::writeFileAtomically(target, "lost", &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(dw::writeFileAtomically(dir.path(), "a folder"));
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary file stays";
}

#include "platform/core/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

// Whatever a name stands for, the read answers at once: a pipe nobody writes to and a device that
// never ends are refused without being read.
TEST(RegularFile, ReadsOrdinaryFilesUpToTheLimitAndRefusesEverythingElseAtOnce)
{
    const QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    const auto put = [](const QString& file, const QByteArray& bytes) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    };
    put(path("lamp.qvlisting"), QByteArray(1024, 'a'));
    put(path("big.qvlisting"), QByteArray(1025, 'b'));
    put(path("empty.qvlisting"), QByteArray());
    ASSERT_TRUE(QFile::link(path("lamp.qvlisting"), path("link.qvlisting")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.qvlisting")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.qvlisting")));

    const struct
    {
        QString path;
        std::optional<QByteArray> bytes;
    } rows[] = {
        {path("lamp.qvlisting"), QByteArray(1024, 'a')},
        {path("link.qvlisting"), QByteArray(1024, 'a')},
        {path("empty.qvlisting"), QByteArray()},
        {path("big.qvlisting"), std::nullopt},
        {path("pipe.qvlisting"), std::nullopt},
        {path("folder.qvlisting"), std::nullopt},
        {QStringLiteral("/dev/zero"), std::nullopt},
        {path("missing.qvlisting"), std::nullopt},
        {QString(), std::nullopt},
        {QStringLiteral(":/no/such/resource"), std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        QString error = QStringLiteral("stale");
        EXPECT_EQ(dw::readRegularFile(row.path, 1024, &error), row.bytes);
        EXPECT_EQ(error.isEmpty(), row.bytes.has_value()) << error.toStdString();
        QString checkError;
        EXPECT_EQ(dw::isReadableRegularFile(row.path, 1024, &checkError), row.bytes.has_value());
        EXPECT_EQ(checkError, error);
    }
    QString error;
    (void)dw::readRegularFile(QStringLiteral("/dev/zero"), 1024, &error);
    EXPECT_EQ(error, QStringLiteral("It is not an ordinary file but a folder, a device or a pipe."));
    (void)dw::readRegularFile(path("big.qvlisting"), 1024, &error);
    EXPECT_EQ(error, QStringLiteral("The file is larger than 1024 bytes."));
    (void)dw::readRegularFile(path("big.qvlisting"), 0, &error);
    EXPECT_EQ(error, QStringLiteral("The file is larger than 0 bytes."));
}

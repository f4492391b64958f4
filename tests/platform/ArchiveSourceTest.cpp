#include "platform/archive/ArchiveSource.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray noise(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Two large blocks (one of them used twice) among small values, and values after them, so that
// every object behind a block moves when the block is left in the file.
const QVariantList kValues{noise(200 << 10, 1), QByteArray("tiny"),    QStringLiteral("between"),
                           noise(70 << 10, 2),  noise(200 << 10, 1),   QByteArray(),
                           qlonglong(42),       QStringLiteral("last")};

class ArchiveSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_archive = dw::KeyedArchiver::archivedDataWithRootObject(kValues);
        ASSERT_TRUE(writeFile(path(), m_archive));
    }
    QString path() const { return m_dir.filePath(QStringLiteral("archive")); }

    QTemporaryDir m_dir;
    QByteArray m_archive;
};

} // namespace

TEST_F(ArchiveSourceTest, LargeBlocksLeftInTheSourceReadAsTheyWereWritten)
{
    QString error;
    const auto source = dw::ArchiveSource::openFile(path(), qint64(1) << 30, &error);
    ASSERT_TRUE(source) << error.toStdString();
    EXPECT_EQ(dw::KeyedUnarchiver::unarchiveObjectWithSource(*source), QVariant(kValues));
    EXPECT_EQ(dw::KeyedUnarchiver::unarchiveObjectWithData(m_archive), QVariant(kValues));

    // A holder that asked for them gets the large blocks as places in the file.
    dw::KeyedUnarchiver coder(*source);
    const QVariantList kept = coder.decodeObjectForKeyKeepingLargeData(QStringLiteral("root")).toList();
    ASSERT_EQ(kept.size(), kValues.size());
    for (qsizetype i = 0; i < kept.size(); ++i) {
        SCOPED_TRACE(i);
        if (kValues.at(i).typeId() == QMetaType::QByteArray && kValues.at(i).toByteArray().size() > (64 << 10)) {
            ASSERT_EQ(kept.at(i).metaType(), QMetaType::fromType<dw::ArchiveBytes>());
            EXPECT_EQ(kept.at(i).value<dw::ArchiveBytes>().read(), kValues.at(i).toByteArray());
        } else {
            EXPECT_EQ(kept.at(i), kValues.at(i));
        }
    }
    // Decoded again without asking, the shared block comes as bytes.
    EXPECT_EQ(coder.decodeObjectForKey(QStringLiteral("root")), QVariant(kValues));
}

// The blocks are read after the window shows: a document saved over (renamed into place) meanwhile
// still gives the bytes it held; one changed in place or cut short gives an error, never other
// bytes.
TEST_F(ArchiveSourceTest, ABlockReadLaterComesFromTheFileAsItWasOrNotAtAll)
{
    const auto blockOf = [this] {
        const auto source = dw::ArchiveSource::openFile(path(), qint64(1) << 30);
        dw::KeyedUnarchiver coder(*source);
        return coder.decodeObjectForKeyKeepingLargeData(QStringLiteral("root"))
            .toList()
            .at(0)
            .value<dw::ArchiveBytes>();
    };
    const QByteArray expected = kValues.at(0).toByteArray();

    const dw::ArchiveBytes renamedOver = blockOf();
    ASSERT_TRUE(writeFile(path() + QStringLiteral(".new"), QByteArray("saved again")));
    ASSERT_EQ(
        ::rename(QFile::encodeName(path() + QStringLiteral(".new")).constData(), QFile::encodeName(path()).constData()),
        0);
    EXPECT_EQ(renamedOver.read(), expected);

    ASSERT_TRUE(writeFile(path(), m_archive));
    const dw::ArchiveBytes changedInPlace = blockOf();
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(m_archive.indexOf(expected.left(64))));
        ASSERT_EQ(file.write("other bytes"), 11);
    }
    QString error;
    EXPECT_FALSE(changedInPlace.read(&error));
    EXPECT_FALSE(error.isEmpty());

    ASSERT_TRUE(writeFile(path(), m_archive));
    const dw::ArchiveBytes cutShort = blockOf();
    ASSERT_TRUE(QFile::resize(path(), 1000));
    EXPECT_FALSE(cutShort.read());
}

// The layout of a file whose blocks are left in place is read from its own offsets: damaged ones
// must come back as an error or a reading, never as a stray read (run under AddressSanitizer).
TEST_F(ArchiveSourceTest, DamagedLayoutsAroundLargeBlocksNeverCrash)
{
    const qsizetype tail = m_archive.size() - m_archive.lastIndexOf(QByteArray("last")); // table and trailer
    QRandomGenerator random(20261211);
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = m_archive;
        const int flips = 1 + random.bounded(3);
        for (int i = 0; i < flips; ++i) {
            // Mostly the table and trailer, else the block headers and the objects between them.
            const qsizetype at = random.bounded(3) != 0 ? bytes.size() - 1 - random.bounded(int(tail))
                                                        : random.bounded(int(bytes.size()));
            bytes[at] = char(random.bounded(256));
        }
        ASSERT_TRUE(writeFile(path(), bytes));
        const auto source = dw::ArchiveSource::openFile(path(), qint64(1) << 30);
        ASSERT_TRUE(source);
        (void)dw::KeyedUnarchiver::unarchiveObjectWithSource(*source);
        (void)dw::KeyedUnarchiver::unarchiveObjectWithData(bytes);
    }
}

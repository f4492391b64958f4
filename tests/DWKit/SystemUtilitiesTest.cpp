#include "DWKit/DWMacOSXVersion.h"
#include "DWKit/NSDate+DWExtensions.h"
#include "DWKit/QMDraggingUtils.h"
#include "DWKit/gui/QMUndoManager.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Paths.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <functional>
#include <gtest/gtest.h>

TEST(DWMacOSXVersion, AnswersFromTheVersionCode)
{
    struct Row
    {
        unsigned code;
        const char* text;
        // at least 10.3, 10.4, 10.5, 10.5.7, 10.6, 10.7
        bool atLeast[6];
    } rows[] = {
        {DWMacOSXVersion::kDefaultSystemVersionCode, "10.7.5", {true, true, true, true, true, true}},
        {0x1068, "10.6.8", {true, true, true, true, true, false}},
        {0x1057, "10.5.7", {true, true, true, true, false, false}},
        {0x1056, "10.5.6", {true, true, true, false, false, false}},
        {0x0923, "9.2.3", {false, false, false, false, false, false}},
        {0, "0.0.0", {false, false, false, false, false, false}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        DWMacOSXVersion::setSystemVersionCode(row.code);
        EXPECT_EQ(DWMacOSXVersion::systemVersion(), QString::fromLatin1(row.text));
        const bool answers[6] = {
            DWMacOSXVersion::OSVersionIsHigherOrEqual_10_3(), DWMacOSXVersion::OSVersionIsHigherOrEqual_10_4(),
            DWMacOSXVersion::OSVersionIsHigherOrEqual_10_5(), DWMacOSXVersion::OSVersionIsHigherOrEqual_10_5_7(),
            DWMacOSXVersion::OSVersionIsHigherOrEqual_10_6(), DWMacOSXVersion::OSVersionIsHigherOrEqual_10_7()};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(answers[i], row.atLeast[i]) << "question " << i;
    }
    DWMacOSXVersion::setSystemVersionCode(DWMacOSXVersion::kDefaultSystemVersionCode);
    EXPECT_EQ(DWMacOSXVersion::architecture(), QStringLiteral("Intel"));
}

TEST(DateExtensions, StylesFollowTheLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDateTime date(QDate(2026, 12, 10), QTime(14, 5, 9));

    const QString longText = dw::localizedString(date);
    EXPECT_TRUE(longText.startsWith(QStringLiteral("December 10, 2026 2:05:09"))) << longText.toStdString();
    EXPECT_FALSE(longText.contains(QStringLiteral("Thursday")));
    const QString shortText = dw::shortLocalizedString(date);
    EXPECT_TRUE(shortText.startsWith(QStringLiteral("12/10/26 2:05"))) << shortText.toStdString();
    EXPECT_FALSE(shortText.contains(QStringLiteral(":09")));
    EXPECT_EQ(dw::localizedStringForDateStyle(date, dw::DateStyle::Medium, dw::DateStyle::None),
              QStringLiteral("Dec 10, 2026"));
    EXPECT_EQ(dw::localizedStringForDateStyle(date, dw::DateStyle::Full, dw::DateStyle::None),
              QStringLiteral("Thursday, December 10, 2026"));
    EXPECT_EQ(dw::localizedStringForDateStyle(date, dw::DateStyle::None, dw::DateStyle::None), QString());

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(dw::localizedStringForDateStyle(date, dw::DateStyle::Long, dw::DateStyle::Medium),
              QStringLiteral("10. Dezember 2026 14:05:09"));
    QLocale::setDefault(previous);
}

TEST(QMUndoManager, OneStackForTheWholeProcess)
{
    QUndoStack* stack = QMUndoManager::sharedQMUndoManager();
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(QMUndoManager::sharedQMUndoManager(), stack);
}

namespace {

// Appends its letter to the log; undo takes it off again.
class Append final : public QUndoCommand
{
public:
    Append(QString& log, QChar letter) : QUndoCommand(QString(letter)), m_log(log), m_letter(letter) {}
    void redo() override { m_log.append(m_letter); }
    void undo() override { m_log.chop(1); }

private:
    QString& m_log;
    QChar m_letter;
};

// Runs each step as an event of its own, the next one once the loop has turned after the last,
// as a user's actions come.
void runAsEvents(QMUndoManager& undo, const QList<std::function<void()>>& steps)
{
    for (const auto& step : steps) {
        bool done = false;
        QTimer::singleShot(0, [&done, step] {
            step();
            done = true;
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done && !undo.isEventGroupOpen(); }, 5000));
    }
}

} // namespace

TEST(QMUndoManager, TheChangesOfOneEventAreOneUndoStep)
{
    QMUndoManager undo;
    QString log;
    runAsEvents(undo, {[&] {
                           undo.push(new Append(log, u'a'));
                           undo.push(new Append(log, u'b'));
                       },
                       [&] { undo.push(new Append(log, u'c')); },
                       [&] {
                           // A macro of the caller's own nests inside the event's group.
                           undo.beginMacro(QStringLiteral("Convert"));
                           undo.push(new Append(log, u'd'));
                           undo.endMacro();
                           undo.push(new Append(log, u'e'));
                       }});
    EXPECT_EQ(log, QStringLiteral("abcde"));
    ASSERT_EQ(undo.count(), 3);
    EXPECT_EQ(undo.undoText(), QStringLiteral("Convert"));

    undo.undo();
    EXPECT_EQ(log, QStringLiteral("abc"));
    undo.undo();
    undo.undo();
    EXPECT_EQ(log, QString());
    undo.redo();
    EXPECT_EQ(log, QStringLiteral("ab"));
}

TEST(QMUndoManager, UndoWithinTheEventTakesBackTheWholeOpenGroup)
{
    QMUndoManager undo;
    QString log;
    runAsEvents(undo, {[&] { undo.push(new Append(log, u'a')); },
                       [&] {
                           undo.push(new Append(log, u'b'));
                           undo.push(new Append(log, u'c'));
                           ASSERT_TRUE(undo.isEventGroupOpen());
                           undo.undo();
                       }});
    EXPECT_EQ(log, QStringLiteral("a"));
    EXPECT_EQ(undo.index(), 1);
}

TEST(QMUndoManager, WithoutGroupingEveryChangeIsAStep)
{
    QMUndoManager undo;
    undo.setGroupsByEvent(false);
    QString log;
    runAsEvents(undo, {[&] {
                    undo.push(new Append(log, u'a'));
                    undo.push(new Append(log, u'b'));
                }});
    EXPECT_EQ(undo.count(), 2);
}

TEST(QMDraggingUtils, WritesTheDraggedTiffToATemporaryFile)
{
    dw::test::TemporaryXdg xdg;
    auto tiffFiles = [] {
        return QDir(dw::paths::temporaryFolder()).entryList({QStringLiteral("*.tiff")}, QDir::Files);
    };

    QMimeData empty;
    empty.setData(QStringLiteral("image/png"), QByteArray("png"));
    EXPECT_TRUE(QMDraggingUtils::pathToDraggedPasteboardImage(&empty).isNull());
    empty.setData(QStringLiteral("image/tiff"), QByteArray());
    EXPECT_TRUE(QMDraggingUtils::pathToDraggedPasteboardImage(&empty).isNull());
    EXPECT_TRUE(QMDraggingUtils::pathToDraggedPasteboardImage(nullptr).isNull());
    EXPECT_TRUE(tiffFiles().isEmpty());

    QMimeData drag;
    const QByteArray tiff("II*\0tiff bytes", 14);
    drag.setData(QStringLiteral("image/tiff"), tiff);
    const QString path = QMDraggingUtils::pathToDraggedPasteboardImage(&drag);
    static const QRegularExpression uuidName(QStringLiteral("/[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\.tiff$"));
    EXPECT_TRUE(path.startsWith(dw::paths::temporaryFolder()));
    EXPECT_TRUE(uuidName.match(path).hasMatch()) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), tiff);

    dw::ScopedWriteFailure diskFull;
    EXPECT_TRUE(QMDraggingUtils::pathToDraggedPasteboardImage(&drag).isNull());
    EXPECT_EQ(tiffFiles().size(), 1);
}

#include "model/DWEbayPreferencesManager.h"
#include "model/QMError.h"
#include "model/QMErrorEnvelope.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/archive/PropertyList.h"
#include "tests/support/TemporaryXdg.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<QMErrorEnvelope> envelopeWith(const QList<std::pair<const char*, const char*>>& codesAndLevels,
                                              const QString& eBayMessage = QString())
{
    auto envelope = std::make_shared<QMErrorEnvelope>(QLatin1String(kQMErrorSourceEBay), QStringLiteral("AddItem"));
    QMErrorList errors;
    for (const auto& [code, level] : codesAndLevels)
        errors.append(QMError::errorWithCode(QLatin1String(code), QStringLiteral("message"), QLatin1String(level)));
    envelope->setErrors(errors);
    envelope->setEBayMessage(eBayMessage);
    return envelope;
}

// The class names and keys of every object in a keyed archive, for checking what a file holds.
QMap<QString, QSet<QString>> archivedKeysByClass(const QByteArray& archive)
{
    QMap<QString, QSet<QString>> keysByClass;
    const QVariantList objects = dw::plist::read(archive)->toMap().value(QStringLiteral("$objects")).toList();
    for (const QVariant& object : objects) {
        const QVariantMap fields = object.toMap();
        if (!fields.contains(QStringLiteral("$class")))
            continue;
        const qlonglong classIndex =
            fields.value(QStringLiteral("$class")).toMap().value(QStringLiteral("CF$UID")).toLongLong();
        const QString className = objects.value(classIndex).toMap().value(QStringLiteral("$classname")).toString();
        QSet<QString> keys(fields.keyBegin(), fields.keyEnd());
        keys.remove(QStringLiteral("$class"));
        keysByClass[className] = keys;
    }
    return keysByClass;
}

} // namespace

TEST(ErrorEnvelope, QuestionsAboutItsErrors)
{
    struct Row
    {
        const char* name;
        QList<std::pair<const char*, const char*>> errors;
        const char* eBayMessage;
        int firstError; // index, -1 for none
        bool hasError, isError, containsWarning, containsOnlyWarnings, representsEBayMessage;
    };
    const Row rows[] = {
        {"no errors", {}, "", -1, false, true, false, true, false},
        {"warning then error", {{"21917", "warning"}, {"240", "error"}}, "", 1, true, false, true, false, false},
        {"two errors", {{"10", "error"}, {"11", "error"}}, "", 0, true, true, false, false, false},
        {"no level", {{"5", ""}}, "", -1, false, false, false, false, false},
        {"eBay message", {{"1", "warning"}}, "Fees are waived today", -1, false, false, true, true, true},
        {"eBay message text empty", {{"1", "warning"}}, "", -1, false, false, true, true, false},
        {"eBay message with an error", {{"1", "warning"}, {"2", "error"}}, "Note", 1, true, false, true, false, false},
        {"code 1 as an error", {{"1", "error"}}, "Note", 0, true, true, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto envelope = envelopeWith(row.errors, QLatin1String(row.eBayMessage));
        EXPECT_EQ(envelope->firstError(), row.firstError < 0 ? nullptr : envelope->errors().at(row.firstError));
        EXPECT_EQ(envelope->hasError(), row.hasError);
        EXPECT_EQ(envelope->isError(), row.isError);
        EXPECT_EQ(envelope->containsWarning(), row.containsWarning);
        EXPECT_EQ(envelope->containsOnlyWarnings(), row.containsOnlyWarnings);
        EXPECT_EQ(envelope->representsEBayMessage(), row.representsEBayMessage);
    }
    const auto envelope = envelopeWith({{"21917", "warning"}, {"240", "error"}});
    EXPECT_TRUE(envelope->hasErrorWithCode(QStringLiteral("21917")));
    EXPECT_FALSE(envelope->hasErrorWithCode(QStringLiteral("2191")));
    EXPECT_FALSE(envelope->hasErrorWithCode(QString()));
}

TEST(ErrorEnvelope, IgnoredWarningsAreLeftOutButErrorsAlwaysStay)
{
    dw::test::TemporaryXdg xdg;
    DWEbayPreferencesManager::sharedInstance().addWarningCodeToIgnoreList(QStringLiteral("21917"));
    const QList<QMEBayErrorRecord> records = {
        {QStringLiteral("Warning"), QStringLiteral("21917"), QStringLiteral("ignored"), QStringLiteral("i")},
        {QStringLiteral("Error"), QStringLiteral("21917"), QStringLiteral("kept error"), QStringLiteral("e")},
        {QStringLiteral("Warning"), QStringLiteral("21920"), QStringLiteral("kept warning"), QStringLiteral("w")},
        {QStringLiteral("PartialFailure"), QStringLiteral("37"), QStringLiteral("odd severity"), QStringLiteral("o")},
    };
    const auto envelope =
        QMErrorEnvelope::errorEnvelopeWithEBayErrors(records, QStringLiteral("VerifyAddItem"), QStringLiteral("hello"));
    EXPECT_EQ(envelope->source(), QStringLiteral("eBay"));
    EXPECT_EQ(envelope->operation(), QStringLiteral("VerifyAddItem"));
    EXPECT_EQ(envelope->eBayMessage(), QStringLiteral("hello"));
    ASSERT_EQ(envelope->errors().size(), 3);
    const QMError& error = *envelope->errors().at(0);
    EXPECT_EQ(error.code(), QStringLiteral("21917"));
    EXPECT_EQ(error.message(), QStringLiteral("kept error"));
    EXPECT_EQ(error.shortMessage(), QStringLiteral("e"));
    EXPECT_EQ(error.level(), QStringLiteral("error"));
    EXPECT_EQ(envelope->errors().at(1)->level(), QStringLiteral("warning"));
    EXPECT_TRUE(envelope->errors().at(2)->level().isNull());

    const auto allIgnored = QMErrorEnvelope::errorEnvelopeWithEBayErrors({records.first()}, QStringLiteral("AddItem"),
                                                                         QStringLiteral("still here"));
    EXPECT_TRUE(allIgnored->errors().isEmpty());
    EXPECT_EQ(allIgnored->source(), QStringLiteral("eBay"));
    EXPECT_EQ(allIgnored->eBayMessage(), QStringLiteral("still here"));
}

TEST(ErrorEnvelope, OwnMessageIsOneErrorWithoutCode)
{
    const auto envelope =
        QMErrorEnvelope::errorEnvelopeWithMessage(QStringLiteral("The server refused the picture."),
                                                  QLatin1String(kQMErrorSourceWebDAV), QStringLiteral("upload"));
    EXPECT_TRUE(envelope->hasError());
    EXPECT_TRUE(envelope->isError());
    ASSERT_EQ(envelope->errors().size(), 1);
    EXPECT_TRUE(envelope->errors().first()->code().isNull());
    EXPECT_EQ(envelope->source(), QStringLiteral("WebDav"));
    EXPECT_TRUE(envelope->eBayMessage().isNull());
}

TEST(ErrorEnvelope, ArchiveKeepsSourceOperationAndErrorsOnly)
{
    QMErrorEnvelope::registerArchiveClasses();
    auto envelope = envelopeWith({{"21917", "warning"}, {"240", "error"}}, QStringLiteral("not archived"));
    envelope->errors().at(1)->setShortMessage(QStringLiteral("short"));
    envelope->errors().at(1)->setItemTitle(QStringLiteral("Lamp"));

    const QByteArray archive = dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(envelope));
    const auto keys = archivedKeysByClass(archive);
    EXPECT_EQ(keys.value(QStringLiteral("QMErrorEnvelope")),
              (QSet<QString>{QStringLiteral("source"), QStringLiteral("operation"), QStringLiteral("errors")}));
    EXPECT_EQ(keys.value(QStringLiteral("QMError")),
              (QSet<QString>{QStringLiteral("code"), QStringLiteral("message"), QStringLiteral("shortMessage"),
                             QStringLiteral("level")}));

    QString problem;
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithData(archive, &problem);
    ASSERT_TRUE(root) << problem.toStdString();
    const auto read = dw::archivedObjectCast<QMErrorEnvelope>(*root);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->source(), QStringLiteral("eBay"));
    EXPECT_EQ(read->operation(), QStringLiteral("AddItem"));
    EXPECT_TRUE(read->eBayMessage().isEmpty());
    ASSERT_EQ(read->errors().size(), 2);
    const QMError& error = *read->errors().at(1);
    EXPECT_EQ(error.code(), QStringLiteral("240"));
    EXPECT_EQ(error.message(), QStringLiteral("message"));
    EXPECT_EQ(error.shortMessage(), QStringLiteral("short"));
    EXPECT_EQ(error.level(), QStringLiteral("error"));
    EXPECT_TRUE(error.itemTitle().isEmpty());
    EXPECT_EQ(read->errors().at(0)->level(), QStringLiteral("warning"));
}

#include "description/MiscMerge/MiscMergeEngine.h"
#include "description/MiscMerge/MiscMergeTemplate.h"
#include "description/MiscMergeModelKeys.h"

#include "model/QMEbayItem.h"

#include "platform/core/ConsoleOutput.h"

#include <gtest/gtest.h>

TEST(MiscMergeModelKeys, ListingFieldsWithoutValueAreKnownAndTyposAreLogged)
{
    registerModelKeyPresence();
    auto item = std::make_shared<QMEbayItem>();
    item->setTitle(QStringLiteral("Vintage camera"));
    const QVariantMap object{{QStringLiteral("item"), dw::objectValue(item)}};

    dw::ScopedConsoleCapture capture;
    auto mergeTemplate = std::make_shared<MiscMergeTemplate>();
    mergeTemplate->setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
    mergeTemplate->parseString(QStringLiteral("[[item.title]]|[[item.subTitle]]|[[item.titel]]"), object);
    EXPECT_EQ(MiscMergeEngine(mergeTemplate).executeWithObject(object), QStringLiteral("Vintage camera||"));
    EXPECT_EQ(capture.lines(),
              QStringList{
                  QStringLiteral("MiscMergeEngine: Unknown key \"titel\" in field \"item.titel\"; it has no value.")});
}

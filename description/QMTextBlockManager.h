#pragma once
// Text blocks: named pieces of styled text that the seller keeps once and reuses. A description or
// design inserts one with [[textblocks.Name]], a blank in the name written as "_" (the lower-case
// form of that works too).
//
// The blocks are stored in "Textblocks.qmTextblocks" in the fixed data folder: a property list
// whose root is an array of dictionaries, "name" (text) and "message" (the block's RTF as data).
// A missing or unreadable file reads as no blocks.
//
//     QMTextBlockManager::sharedInstance().saveTextBlocks({{{"name", "Shipping terms"}, {"message", rtf}}});
//     merge "[[textblocks.Shipping_terms]]"   // the block's plain text
//
// Main thread.

#include "description/MiscMerge/MiscMergeValues.h"

#include "platform/core/KeyValueCoding.h"

#include <QVariantList>

class QMTextBlockManager : public dw::KeyValueCoding, public MiscMergeKeyedObject
{
public:
    static QMTextBlockManager& sharedInstance();
    // The shared manager as a template value.
    static QVariant sharedInstanceValue();

    QVariantList allTextBlocks() const;
    // Replaces the file atomically; false when it cannot be written.
    [[nodiscard]] bool saveTextBlocks(const QVariantList& blocks) const;
    static QString savedTextBlocksFilePath();
    // For each block its name with "_" for blanks, then the same in lower case.
    QStringList availableMacroNames() const;

    // The plain text of the first block whose name (blanks as "_") or its lower-case form equals
    // the key; the localized "Unknown text block" when none does.
    QVariant valueForKey(const QString& key) const override;
    bool setValueForKey(const QVariant&, const QString&) override { return false; }
    // Every name is the manager's to answer.
    bool hasMiscMergeKey(const QString&) const override { return true; }
};

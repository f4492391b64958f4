#pragma once
// Normalizes money amounts: any amount becomes text with two decimals and "." as separator, the
// same in both directions ("1,5" -> "1.50", "12" -> "12.00", "abc" -> "0.00", 7 -> "7.00").
//
// Text is read as Cocoa reads a number (decimal commas become points first; the leading number
// counts, the rest is ignored), so "1.234,56" gives "1.23". An amount that rounds to zero is
// "0.00", never "-0.00". Stateless; any thread. The application registers it at start under the
// name "QMEbayMoneyTransformer" (registerTransformer()), where the listing's price setters find it.

#include "platform/core/ValueTransformer.h"

#include <QString>
#include <QVariant>

class QMEbayMoneyTransformer : public dw::ValueTransformer
{
public:
    // A null QVariant gives a null QVariant; anything else the normalized text.
    static QVariant transform(const QVariant& value);
    QVariant transformedValue(const QVariant& value) const override { return transform(value); }
    QVariant reverseTransformedValue(const QVariant& value) const override { return transform(value); }
    bool allowsReverseTransformation() const override { return true; }

    static QString transformerName() { return QStringLiteral("QMEbayMoneyTransformer"); }
    // Registers a transformer under transformerName(); calling it again changes nothing.
    static void registerTransformer();
};

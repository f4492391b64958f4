#pragma once
// Value transformers by name: a conversion that the program registers once under a name and that
// other code (bindings, the listing's setters) looks up by that name, so that the code which uses
// a conversion need not know the code which defines it.
//
// Registration and lookup are thread-safe; a transformer itself must be stateless, since any thread
// may use it.
//
//     dw::ValueTransformer::setValueTransformer(std::make_shared<QMEbayMoneyTransformer>(),
//                                               QStringLiteral("QMEbayMoneyTransformer"));
//     if (auto money = dw::ValueTransformer::valueTransformerForName(QStringLiteral("QMEbayMoneyTransformer")))
//         amount = money->transformedValue(amount);

#include <QString>
#include <QVariant>
#include <memory>

namespace dw {

class ValueTransformer
{
public:
    virtual ~ValueTransformer() = default;

    virtual QVariant transformedValue(const QVariant& value) const = 0;
    // The way back; only meaningful when allowsReverseTransformation() says so.
    virtual QVariant reverseTransformedValue(const QVariant& value) const { return value; }
    virtual bool allowsReverseTransformation() const { return false; }

    // Registers under a name, replacing an earlier one; null removes the name.
    static void setValueTransformer(std::shared_ptr<ValueTransformer> transformer, const QString& name);
    // Null when nothing is registered under the name.
    static std::shared_ptr<ValueTransformer> valueTransformerForName(const QString& name);
};

} // namespace dw

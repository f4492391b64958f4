#include "model/QMEbayMoneyTransformer.h"

#include "platform/core/CocoaNumbers.h"

QVariant QMEbayMoneyTransformer::transform(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    double amount = 0.0;
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        QString text = value.toString();
        text.replace(u',', u'.');
        amount = dw::doubleValue(text);
    } else {
        bool ok = false;
        amount = value.toDouble(&ok);
        if (!ok)
            amount = 0.0;
    }
    QString result = dw::decimalText(amount, 2);
    // A tiny negative amount rounds to zero; a seller must never see "-0.00".
    if (result == QStringLiteral("-0.00"))
        result = QStringLiteral("0.00");
    return result;
}

void QMEbayMoneyTransformer::registerTransformer()
{
    dw::ValueTransformer::setValueTransformer(std::make_shared<QMEbayMoneyTransformer>(), transformerName());
}

#pragma once
// One value chosen for an item attribute of a listing (a value of an eBay characteristic set):
// its eBay value ID as decimal text, its name in the attribute database, and the text shown to the
// user, which the item-specifics editor sets apart from the name. Archived under those three
// names; in a listing's attribute sets the values travel as archive values
// (dw::archiveValue(std::make_shared<QMEbayAttributeValue>(...))).

#include "platform/archive/ArchivedObject.h"

#include <QString>
#include <memory>

namespace dw {
class KeyedUnarchiver;
}

// Value identifiers with a meaning of their own.
inline constexpr qint64 kQMAttributeValueIdentifier_other = -6;   // a free value typed by the user
inline constexpr qint64 kQMAttributeValueIdentifier_ignore = -10; // the attribute is left out

class QMEbayAttributeValue : public dw::ArchivedObject
{
public:
    QMEbayAttributeValue() = default;
    QMEbayAttributeValue(const QString& identifier, const QString& name) : m_identifier(identifier), m_name(name) {}
    // The identifier is stored as its decimal text.
    QMEbayAttributeValue(qint64 identifier, const QString& name);
    // A copy that keeps only the integer value of the identifier: leading zeros are lost and a
    // non-numeric identifier becomes "0".
    static QMEbayAttributeValue withAttributeValue(const QMEbayAttributeValue& other);

    const QString& identifier() const { return m_identifier; }
    void setIdentifier(const QString& identifier) { m_identifier = identifier; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    const QString& displayName() const { return m_displayName; }
    void setDisplayName(const QString& displayName) { m_displayName = displayName; }

    QString description() const;

    QStringList archiveClassChain() const override
    {
        return {QStringLiteral("QMEbayAttributeValue"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    static std::shared_ptr<QMEbayAttributeValue> decodeWithCoder(dw::KeyedUnarchiver& coder);
    // May be called any number of times.
    static void registerArchiveClass();

private:
    QString m_identifier;
    QString m_name;
    QString m_displayName;
};

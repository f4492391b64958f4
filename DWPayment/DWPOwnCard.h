#pragma once
// The seller's own card in the desktop's address book, from which the store guesses the buyer's
// name, e-mail address and postal address.
//
// Where the card comes from: the self contact of the desktop's address book service (Evolution
// Data Server, over the session bus) when the desktop has one, else a vCard the user keeps at
// $XDG_DATA_HOME/DWPayment/me.vcf. Without either there is no card, and no error: a missing
// service, bus or file is the normal case on many desktops. A card's multi-values (e-mail
// addresses, postal addresses) keep their entries in the card's order, each with its label
// ("home", "work", "other" or empty), and name one primary entry: the one the card marks as
// preferred, else the first. Any thread; the service is asked anew on every call and each call to
// it gives up after a few seconds.
//
//     if (const auto card = DWPOwnCard::me())
//         qDebug() << card->firstName << card->lastName;

#include "DWPayment/DWPaymentExport.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

// The keys of an address entry's value, and the labels the guesses look for.
inline constexpr const char* kDWPAddressStreetKey = "Street";
inline constexpr const char* kDWPAddressCityKey = "City";
inline constexpr const char* kDWPAddressZIPKey = "ZIP";
inline constexpr const char* kDWPHomeLabel = "home";
inline constexpr const char* kDWPWorkLabel = "work";

// Labelled values of one kind; for addresses each value is a map with the keys above.
struct DWPAYMENT_EXPORT DWPMultiValue
{
    struct Entry
    {
        QString label;
        QVariant value;
    };
    QList<Entry> entries;
    // Index of the primary entry; -1 when there is none (no entries).
    qsizetype primaryIndex = -1;
};

// True, with the index of the first entry (from 0) whose label equals `label`; false, and `index`
// left alone, when no entry has it.
DWPAYMENT_EXPORT bool findFirstMatch(const DWPMultiValue& multiValue, const QString& label, qsizetype* index);

struct DWPAYMENT_EXPORT DWPOwnCard
{
    QString firstName;
    QString lastName;
    DWPMultiValue emails;
    DWPMultiValue addresses;

    // The desktop's own card (see above), or none.
    static std::optional<DWPOwnCard> me();
    // The first card of a vCard text (versions 2.1, 3.0 and 4.0); none when the text holds no card.
    static std::optional<DWPOwnCard> fromVCard(const QByteArray& text);
    // Where the user's own vCard file is looked for.
    static QString vCardPath();
};

#pragma once
// The buyer's data for the store's form: what the buyer typed in an earlier purchase, else a
// guess from what the desktop knows about its user.
//
// The guesses are registered once as the defaults of the buyer-data keys (DWPUserDefaultsKeys.h),
// on the first call of any getter, so a stored value always wins. What Linux offers: the country
// of the system time zone ("US" when the zone names none), the first preferred language when it
// is a bare two-letter code (else "en"), and the seller's own card (DWPOwnCard.h) for the name, the
// e-mail address (the card's primary one) and the postal address (the home address, else the
// primary one). Without a card the name is the account's full name from the password database,
// the e-mail address the one in $EMAIL, and street, city and postal code are empty. Every guess is
// a text, the empty text where nothing is known. Any thread; nothing is cached but the
// registration.
//
//     const QString country = DWPUserDataOracle::userCountry();

#include "DWPayment/DWPaymentExport.h"

#include <QString>

class DWPAYMENT_EXPORT DWPUserDataOracle
{
public:
    DWPUserDataOracle() = delete;

    // Stored value, else the registered guess.
    static QString userCountry();
    static QString userMail();
    static QString userName();
    static QString userStreet();
    static QString userCity();
    static QString userZipCode();
    // The stored language when it has exactly two characters, else "en".
    static QString userLanguage();

    static QString guessUserCountry();
    static QString guessUserLanguage();
    static QString guessUserMail();
    static QString guessUserName();
    static QString guessUserStreet();
    static QString guessUserCity();
    static QString guessUserZipCode();

    // One value of the own card's postal address (kDWPAddressStreetKey, ...): from the first entry
    // labelled `label`, else, when allowed, from the primary entry; null without a card, without
    // such an entry or when the entry lacks the key. The one-argument form looks for the home
    // address and allows the primary one.
    static QString meAddressEntryForKey(const QString& key);
    static QString meAddressEntryForKey(const QString& key, const QString& label, bool allowPrimary);

    // Registers the guesses in the standard user defaults unless done for the current instance.
    static void registerGuesses();
    // Forgets the registration, so the next call registers again (tests, after they replace the
    // standard user defaults).
    static void resetRegistration();
};

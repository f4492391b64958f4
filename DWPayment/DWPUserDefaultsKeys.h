#pragma once
// The user-defaults keys of the buyer's data: written by the transaction as the buyer types, and
// registered with guesses by the user-data oracle.

namespace dw::payment {

inline constexpr const char* DWPUserName = "DWPUserName";
inline constexpr const char* DWPUserStreet = "DWPUserStreet";
inline constexpr const char* DWPUserCity = "DWPUserCity";
inline constexpr const char* DWPUserZipCode = "DWPUserZipCode";
inline constexpr const char* DWPUserCountry = "DWPUserCountry";
inline constexpr const char* DWPUserLanguage = "DWPUserLanguage";
inline constexpr const char* DWPUserMail = "DWPUserMail";
inline constexpr const char* DWPUserVatId = "DWPUserVatId";
inline constexpr const char* DWPUserUsesVat = "DWPUserUsesVat";
inline constexpr const char* DWPUserWantsNewsletter = "DWPUserWantsNewsletter";

} // namespace dw::payment

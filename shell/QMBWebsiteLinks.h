#pragma once
// Addresses of the maker's pages on the web: its own site, its page on a social network and the
// users' discussion group. The hosts are configuration (the user defaults "QMWebSiteBaseURL",
// "QMSocialNetworkURL" and "QMUserGroupURL", placeholders in resources/defaults.plist); the paths
// are the program's. Any thread.
//
//     dw::openURLOnDesktop(QUrl(QMBWebsiteLinks::websitePage(QStringLiteral("/Quillmart/Support.html"))));

#include <QString>

namespace QMBWebsiteLinks {

// The maker's web site followed by the path; empty when no site is configured.
QString websitePage(const QString& path);
QString socialNetworkPage();
// The discussion-group host followed by the path; empty when none is configured.
QString userGroupPage(const QString& path);

} // namespace QMBWebsiteLinks

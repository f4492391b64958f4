#include "model/QMStringMessageGenerator.h"

#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

namespace {

QString withTitle(const char* text, const QString& title)
{
    const QString message = dw::localized(text);
    return title.isEmpty() ? message : message + u' ' + title;
}

} // namespace

QString QMStringMessageGenerator::addItemVerificationMessageString()
{
    return dw::localized("Verifying item with eBay");
}

QString QMStringMessageGenerator::addItemMessageString()
{
    return dw::localized("Adding Auction to eBay System");
}

QString QMStringMessageGenerator::reviseItemMessageString()
{
    return dw::localized("Revising Auction");
}

QString QMStringMessageGenerator::relistItemMessageString()
{
    return dw::localized("Relisting Auction");
}

QString QMStringMessageGenerator::addingItemMessageForItemTitle(const QString& title)
{
    return withTitle("Adding Auction to eBay System", title);
}

QString QMStringMessageGenerator::revisingItemMessageForItemTitle(const QString& title)
{
    return withTitle("Revising Auction", title);
}

QString QMStringMessageGenerator::relistingItemMessageForItemTitle(const QString& title)
{
    return withTitle("Relisting Auction", title);
}

QString QMStringMessageGenerator::ftpUploadMessageStringForFTPAddress(const QString& address)
{
    return dw::format(QStringLiteral("%@ %@"), dw::localized("Uploading image to FTP server at"), address);
}

QString QMStringMessageGenerator::webDAVUploadMessageString()
{
    return dw::localized("Uploading image to WebDAV");
}

QString QMStringMessageGenerator::epsUploadMessageString()
{
    return dw::localized("Uploading image to eBay’s Picture service");
}

QString QMStringMessageGenerator::dunmerrowsImageServerUploadMessageString()
{
    return dw::localized("Uploading image to Quillmart’s picture server");
}

#pragma once
// The short texts that name what an upload envelope is doing (its task names), shown in the
// progress panel. The texts are localised; titles and addresses are inserted unchanged. Any thread.
//
//     envelope->setCurrentTaskName(QMStringMessageGenerator::relistingItemMessageForItemTitle(title));

#include <QString>

class QMStringMessageGenerator
{
public:
    QMStringMessageGenerator() = delete;

    static QString addItemVerificationMessageString();
    static QString addItemMessageString();
    static QString reviseItemMessageString();
    static QString relistItemMessageString();
    // The text alone when there is no title.
    static QString addingItemMessageForItemTitle(const QString& title);
    static QString revisingItemMessageForItemTitle(const QString& title);
    static QString relistingItemMessageForItemTitle(const QString& title);
    static QString ftpUploadMessageStringForFTPAddress(const QString& address);
    static QString webDAVUploadMessageString();
    static QString epsUploadMessageString();
    static QString dunmerrowsImageServerUploadMessageString();
};

#pragma once
// The UUIDs under which listings went to eBay while their outcome is not known.
//
// eBay lists an item only once per UUID: a second AddItem with the same UUID is refused with
// error 488 ("Duplicate UUID used"), which names the item already listed. That makes a retry
// safe only if it carries the UUID of the attempt whose answer was lost. So a listing's UUID is
// kept here, per listing unique ID, from just before its AddItem call goes out until eBay's
// answer has been read; every attempt meanwhile (a retry in the application, in qv-upload, after
// a crash) sends the same one. The store is a folder "ListingUUIDs" in the application support
// folder, one small file per listing, so the application and the tools of the same user share it.
//
//     const QString uuid = QMListingUUIDStore::keepUUIDForListing(uniqueID, QMAddItemOperation::createListingUUID());
//     item->setUUID(uuid);
//     ... send, read the answer ...
//     QMListingUUIDStore::forgetUUIDForListing(uniqueID, uuid);
//
// Any thread; the calls of one process for one listing are serialised, and each file is replaced
// atomically.

#include <QString>

class QMListingUUIDStore
{
public:
    static QString folderPath();

    // The UUID kept for the listing; null when none is (or the file holds no UUID).
    static QString keptUUIDForListing(const QString& uniqueID);
    // The UUID kept for the listing, or else `candidate`, which is kept from now on. When it
    // cannot be written the candidate is answered all the same, with a console line: the
    // listing still goes out, only a later retry cannot know it.
    static QString keepUUIDForListing(const QString& uniqueID, const QString& candidate);
    // Drops the listing's UUID once eBay has answered, when it is still `uuid`.
    static void forgetUUIDForListing(const QString& uniqueID, const QString& uuid);
};

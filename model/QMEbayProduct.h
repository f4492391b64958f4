#pragma once
// One product of eBay's catalogue, as a product search finds it: all texts, equal by identifier.
//
//     QMEbayProduct product;
//     product.identifier = QStringLiteral("99:2:1785:1185672713");
//     listing.fillWithProductInformation(product);
//
// A value; copies may travel between threads.

#include <QString>

struct QMEbayProduct
{
    QString identifier; // the catalogue product ID
    QString title;      // full length
    QString minPrice;   // two decimals, "19.99"
    QString maxPrice;
    QString stockPhotoURL;
    QString detailsURL;
    QString characteristicsSetID; // not filled by the search

    bool operator==(const QMEbayProduct& other) const { return identifier == other.identifier; }
};

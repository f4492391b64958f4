#pragma once
// The return policy sheet: edits the return policy of one or more listings.

#include <QList>
#include <memory>

class QMEbayItem;
class QWidget;

class QMReturnPolicyViewController
{
public:
    // True when the seller confirmed and the listings now hold the edited values; false when
    // cancelled (the listings are untouched). Runs modally on the window.
    static bool runSheetForItems(const QList<std::shared_ptr<QMEbayItem>>& items, QWidget* parentWindow);
};

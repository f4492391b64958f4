#pragma once
// The fee sheet: the fees eBay quoted for verified listings, and their total.

#include <QString>
#include <QVariantMap>

class QWidget;

class QMFeePanelController
{
public:
    // `fees` is keyed by listing unique ID, as the verify envelope gives them; `totalFee` is the
    // grand total written with two decimals. Runs modally on the window until closed.
    static void showFeePanelForFeeDictionary(const QVariantMap& fees, const QString& totalFee, QWidget* parentWindow);
};

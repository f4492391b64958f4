#pragma once
// The category chooser: a sheet on the document window in which the seller picks a category of
// one eBay site by browsing, searching, from favourites or from the recent ones.
//
//     if (const auto category = QMCategoryPanelController::showCategoryPanelWithSelectedCategoryID(
//             item->category(), item->siteID(), window))
//         item->setCategory(category->categoryID());

#include "DWCoreDataEbayDataClasses/SQCategory.h"

#include <QtGlobal>

class QWidget;

class QMCategoryPanelController
{
public:
    // The chosen leaf category, or null when the seller cancelled. Runs modally on the window.
    static SQCategoryPtr showCategoryPanelWithSelectedCategoryID(qint64 selectedCategoryID, qint64 siteID,
                                                                 QWidget* parentWindow);
    static SQCategoryPtr showCategoryPanelWithSelectedCategoryID(qint64 selectedCategoryID, qint64 siteID,
                                                                 QWidget* parentWindow,
                                                                 bool canSelectNonLeafCategories);
};

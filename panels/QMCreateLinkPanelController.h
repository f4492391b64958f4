#pragma once
// The create-link sheet: the seller types an address (and a text) and gets the link's markup for
// the description.

#include <QString>

class QWidget;

class QMCreateLinkPanelController
{
public:
    // The link's HTML, or a null string when the seller cancelled. Runs modally on the window.
    static QString showCreateLinkPanelForSelectedString(const QString& selectedString, QWidget* parentWindow);
};

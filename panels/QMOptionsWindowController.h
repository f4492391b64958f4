#pragma once
// The payment options sheet: one check box per payment method the site allows.

#include <QStringList>
#include <QVariantList>
#include <optional>

class QWidget;

class QMOptionsWindowController
{
public:
    // The ticked option IDs ("OptionID" of the descriptions, in their order), or nothing when the
    // seller cancelled. Runs modally on the window.
    static std::optional<QStringList> runSheetForWindow(QWidget* parentWindow, const QStringList& selectedOptions,
                                                        const QVariantList& allowedOptionsDescriptions,
                                                        bool invokedFromPreferencesPanel);
};

#pragma once
// Gives the kit's highlightable fee fields the fee highlight colour of the preferences. The kit
// cannot see the preferences, so the program installs this once at start, before any fee field
// draws; the fields then take the colour anew whenever the preferences announce a change.
// Main thread.
//
//     QMInstallFeesHighlightColorProvider();   // in main(), after the application object exists

class QMPreferencesManager;

// `preferences` must outlive every fee field; the default is the shared store.
void QMInstallFeesHighlightColorProvider(QMPreferencesManager* preferences = nullptr);

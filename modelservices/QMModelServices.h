#pragma once
// The services that the layers below the application are given at start, set up in one place, so
// that the application and every tool that reads or lists listings turn a listing into the same
// eBay request: the registered defaults and the money transformer, the eBay accounts, the category
// stores (the model's category data and the eBay data downloads), the picture transformer, the
// styled-text converter and the description generator, and the design templates.
//
//     QString error;
//     if (!QMModelServices::registerDefaults(&error)) ...      // a broken installation
//     QMModelServices::installServices(QMModelServices::Accounts::Keychain);
//     QMModelServices::registerDesignTemplates();
//     QMModelServices::configureOperationManager(*manager);
//
// The application calls the steps where its start-up needs them; a tool calls install(). Main
// thread, once per process (a second call installs the same services again).

#include <QString>

class QMOperationManager;

namespace QMModelServices {

// Where the eBay tokens come from: the keychain's accounts, a source the caller has installed
// itself (a tool given a token on its command line), or nowhere (a tool that makes no eBay call).
enum class Accounts { Keychain, AlreadyInstalled, None };

// The program's registered defaults ("defaults.plist", "localized_defaults.plist", the footer) and
// the money transformer, then the category data manager. False with the reason when a resource is
// missing; what could be read is registered all the same.
[[nodiscard]] bool registerDefaults(QString* error);
// The accounts (as asked), the category stores as the model's category source and as the source
// of eBay data downloads, the picture transformer as the model's picture hooks, the styled-text
// converter and the description generator as the model's description.
void installServices(Accounts accounts);
// The built-in, user and bought design templates, from the oldest version the program reads.
void registerDesignTemplates();
// The three above, in that order.
[[nodiscard]] bool install(Accounts accounts, QString* error);

// What the operation manager asks the category stores: the characteristic sets of categories.
void configureOperationManager(QMOperationManager& manager);

} // namespace QMModelServices

#include "Operations/QMAccountManager.h"

#include "platform/core/Localization.h"

#include <QComboBox>

void QMAccountManager::updateAccountsPopup(QComboBox* popup) const
{
    if (!popup)
        return;
    popup->clear();
    popup->addItem(dw::localized("Default"), QStringLiteral("EventsDefaultAccountID"));
    popup->insertSeparator(popup->count());
    for (const QVariantMap& account : accountDescriptions())
        popup->addItem(account.value(QStringLiteral("name")).toString(), account.value(QStringLiteral("accountID")));
    popup->setCurrentIndex(0);
}

#include "model/QMPreferencesManager.h"

std::optional<QVariantMap> QMPreferencesManager::decryptedReturnPolicyMigration() const
{
    return std::nullopt;
}

#include "model/widgets/QMFeesHighlightColor.h"

#include "model/QMPreferencesManager.h"

#include "DWKit/widgets/QMHighlightableTextField.h"

void QMInstallFeesHighlightColorProvider(QMPreferencesManager* preferences)
{
    QMPreferencesManager* store = preferences ? preferences : &QMPreferencesManager::sharedInstance();
    QMHighlightableTextField::setFeesHighlightColorProvider([store] { return store->feesHighlightColor(); });
}

#include "shell/QMBDocument.h"

// Not built yet: the preview area shows what is missing.

void QMBDocument::setupWebView() {}

QString QMBDocument::selectedDescriptionString() const
{
    return QString();
}

void QMBDocument::replaceDescriptionSelectionWithMarkup(const QString&) {}

#include "shell/QMBDocument.h"

// Not built yet: the preview area shows what is missing.

void QMBDocument::setupWebView() {}

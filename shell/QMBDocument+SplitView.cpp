#include "shell/QMBDocument.h"

// Not built yet: the split views keep the layout the window was built with, and the design
// chooser's area shows what is missing.

void QMBDocument::setupSplitViews() {}

void QMBDocument::setupDesignChooser() {}

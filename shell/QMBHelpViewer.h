#pragma once
// Help pages of the program shown in a small window of their own: "<resources>/Help/<name>.html".
// Links in a page open in the seller's web browser (only web and mail addresses). Main thread.
//
//     QMBHelpViewer::showHelpPage(QStringLiteral("Authorizing Quillmart"), window);

#include <QString>

class QWidget;

namespace QMBHelpViewer {

// Shows the page (one window per page, brought forward when already open); false, with a console
// line, when the page is missing.
bool showHelpPage(const QString& name, QWidget* parent);

} // namespace QMBHelpViewer

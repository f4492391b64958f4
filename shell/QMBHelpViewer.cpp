#include "shell/QMBHelpViewer.h"

#include "DWKit/QMLog.h"
#include "platform/core/Paths.h"
#include "platform/widgets/DesktopServices.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace QMBHelpViewer {

bool showHelpPage(const QString& name, QWidget* parent)
{
    // The name is ours, never the user's; still, no path may leave the help folder.
    if (name.contains(u'/') || name.startsWith(u'.'))
        return false;
    QFile file(dw::paths::resourcesFolder() + QStringLiteral("Help/") + name + QStringLiteral(".html"));
    if (!file.open(QIODevice::ReadOnly)) {
        QMLogError("no help page %@", name);
        return false;
    }
    const QString html = QString::fromUtf8(file.readAll());
    const QString objectName = QStringLiteral("helpPage:") + name;
    QWidget* window = parent ? parent->window() : nullptr;
    auto* dialog = window ? window->findChild<QDialog*>(objectName) : nullptr;
    if (!dialog) {
        dialog = new QDialog(window);
        dialog->setObjectName(objectName);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        auto* browser = new QTextBrowser;
        browser->setObjectName(QStringLiteral("helpPageBrowser"));
        browser->setOpenLinks(false);
        browser->setHtml(html);
        QObject::connect(browser, &QTextBrowser::anchorClicked, dialog,
                         [](const QUrl& url) { dw::openURLOnDesktop(url); });
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
        QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
        auto* layout = new QVBoxLayout(dialog);
        layout->addWidget(browser);
        layout->addWidget(buttons);
        dialog->setWindowTitle(browser->documentTitle().isEmpty() ? name : browser->documentTitle());
        dialog->resize(520, 480);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return true;
}

} // namespace QMBHelpViewer

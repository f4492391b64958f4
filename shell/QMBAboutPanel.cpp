#include "shell/QMBAboutPanel.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"
#include "platform/widgets/DesktopServices.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

QMBAboutPanel::QMBAboutPanel(const QString& creditsHTML, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutPanel"));
    setWindowTitle(dw::localized("About %1").arg(dw::bundleDisplayName()));

    auto* icon = new QLabel;
    icon->setObjectName(QStringLiteral("applicationIconView"));
    const QPixmap picture = dw::applicationPixmap(QStringLiteral("QuillmartBig"), QSize(96, 96));
    if (!picture.isNull())
        icon->setPixmap(picture);
    icon->setAlignment(Qt::AlignCenter);

    auto* name = new QLabel(QStringLiteral("Quillmart Vodar"));
    name->setObjectName(QStringLiteral("applicationNameField"));
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);

    auto* version = new QLabel(dw::localized("Version %1").arg(dw::versionInfo()));
    version->setObjectName(QStringLiteral("versionField"));
    version->setAlignment(Qt::AlignCenter);

    m_credits = new QTextBrowser;
    m_credits->setObjectName(QStringLiteral("creditsView"));
    m_credits->setOpenLinks(false);
    m_credits->setMinimumSize(440, 300);
    connect(m_credits, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { (void)dw::openURLOnDesktop(url); });
    setCredits(creditsHTML);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(8);
    layout->addWidget(m_credits, 1);
    layout->addWidget(buttons);
}

QMBAboutPanel::~QMBAboutPanel() = default;

void QMBAboutPanel::setCredits(const QString& creditsHTML)
{
    m_credits->setHtml(creditsHTML);
}

QMBAboutPanel* QMBAboutPanel::showAboutPanel(const QString& creditsHTML)
{
    static QPointer<QMBAboutPanel> panel;
    if (!panel) {
        panel = new QMBAboutPanel(creditsHTML);
        panel->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        panel->setCredits(creditsHTML);
    }
    panel->show();
    panel->raise();
    panel->activateWindow();
    return panel;
}

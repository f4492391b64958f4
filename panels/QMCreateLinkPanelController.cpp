#include "panels/QMCreateLinkPanelController.h"

#include "platform/core/AlertPresenter.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/widgets/DialogButtons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString withScheme(const QString& address)
{
    const QString lower = address.toLower();
    if (lower.startsWith(QLatin1String("http://")) || lower.startsWith(QLatin1String("https://")))
        return address;
    return QStringLiteral("http://") + address;
}

void showAlert(QWidget* window, const char* title, const char* message)
{
    dw::AlertRequest alert;
    alert.messageText = dw::localized(title);
    alert.informativeText = dw::localized(message);
    alert.buttons = {dw::localized("OK")};
    alert.parentWindow = window;
    dw::alertPresenter().runModal(alert);
}

QPlainTextEdit* newTextView(const QString& objectName, const QString& text, QWidget* parent)
{
    auto* view = new QPlainTextEdit(text, parent);
    view->setObjectName(objectName);
    view->setTabChangesFocus(true);
    const int lineHeight = view->fontMetrics().lineSpacing();
    view->setFixedHeight(lineHeight * 3 + 2 * view->frameWidth() + 8);
    return view;
}

} // namespace

QMCreateLinkPanelController::QMCreateLinkPanelController(const QString& selectedString, QWidget* parent)
    : QDialog(parent), m_initiallySelectedString(selectedString.isNull() ? QStringLiteral("") : selectedString)
{
    setObjectName(QStringLiteral("createLinkPanel"));
    setWindowTitle(dw::localized("Create Link"));

    m_linkAddressView = newTextView(QStringLiteral("linkAddressView"), m_initiallySelectedString, this);
    m_displayTextView = newTextView(QStringLiteral("displayTextView"), m_initiallySelectedString, this);
    m_imageLinkCheckbox = new QCheckBox(dw::localized("Show a picture instead of text"), this);
    m_imageLinkCheckbox->setObjectName(QStringLiteral("imageLinkCheckbox"));

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    form->addRow(dw::localized("Link address:"), m_linkAddressView);
    auto* textLabel = new QLabel(dw::localized("Link text:"), this);
    form->addRow(textLabel, m_displayTextView);
    form->addRow(QString(), m_imageLinkCheckbox);
    connect(m_imageLinkCheckbox, &QCheckBox::toggled, textLabel, [textLabel](bool image) {
        textLabel->setText(image ? dw::localized("Picture address:") : dw::localized("Link text:"));
    });

    const auto buttons = dw::DialogButtons::okCancel(this);
    connect(buttons.ok, &QPushButton::clicked, this, &QMCreateLinkPanelController::doOK);
    connect(buttons.cancel, &QPushButton::clicked, this, &QMCreateLinkPanelController::doCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons.box);
    setMinimumWidth(440);
}

QMCreateLinkPanelController::~QMCreateLinkPanelController() = default;

QString QMCreateLinkPanelController::showCreateLinkPanelForSelectedString(const QString& selectedString,
                                                                          QWidget* parentWindow)
{
    QMCreateLinkPanelController panel(selectedString, parentWindow);
    panel.setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    if (panel.exec() != QDialog::Accepted)
        return QString();
    return panel.link();
}

QString QMCreateLinkPanelController::linkForAddress(const QString& address, const QString& text, bool isImage)
{
    const QString href = withScheme(address).toHtmlEscaped();
    if (isImage)
        return dw::format(QStringLiteral("<a href=\"%@\"><img src=\"%@\"></a>"), href,
                          withScheme(text).toHtmlEscaped());
    return dw::format(QStringLiteral("<a href=\"%@\">%@</a>"), href, text.toHtmlEscaped());
}

bool QMCreateLinkPanelController::canClose()
{
    if (m_linkAddressView->toPlainText().isEmpty()) {
        showAlert(this, "Missing Link Address", "Please enter the address you want the link to redirect to.");
        return false;
    }
    if (m_displayTextView->toPlainText().isEmpty()) {
        showAlert(this, "Missing Link Text", "Please enter the link text displayed to the user.");
        return false;
    }
    return true;
}

QString QMCreateLinkPanelController::link() const
{
    return linkForAddress(m_linkAddressView->toPlainText(), m_displayTextView->toPlainText(),
                          m_imageLinkCheckbox->isChecked());
}

void QMCreateLinkPanelController::doOK()
{
    if (canClose())
        accept();
}

void QMCreateLinkPanelController::doCancel()
{
    reject();
}

#include "updater/QMCrashReportPanelController.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "platform/core/BackgroundWork.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"
#include "updater/DWCrashReporter.h"
#include "updater/DWUpdaterPreferencesManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <atomic>
#include <memory>

QMCrashReportPanelController::QMCrashReportPanelController(QWidget* parent)
    : QDialog(parent), m_titleTextField(new QLabel(this)), m_descriptionTextField(new QLabel(this)),
      m_splitView(new QSplitter(Qt::Vertical, this)), m_descriptionTextView(new QPlainTextEdit(m_splitView)),
      m_logTextView(new QPlainTextEdit(m_splitView)), m_emailAddressComboBox(new QComboBox(this)),
      m_includeContactInfoCheckBox(new QCheckBox(dw::localized("Include my e-mail address"), this))
{
    setObjectName(QStringLiteral("CrashReportPanel"));
    const QString name = dw::bundleDisplayName();
    setWindowTitle(dw::localized("Crash Report"));

    m_titleTextField->setObjectName(QStringLiteral("titleTextField"));
    m_titleTextField->setText(dw::localized("%1 did unexpectedly quit.").arg(name));
    QFont bold = m_titleTextField->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    m_titleTextField->setFont(bold);
    m_descriptionTextField->setObjectName(QStringLiteral("descriptionTextField"));
    m_descriptionTextField->setWordWrap(true);
    m_descriptionTextField->setText(
        dw::localized("Last time %1 did unexpectedly quit. Click “Send Report” to send a crash report.").arg(name));

    m_descriptionTextView->setObjectName(QStringLiteral("descriptionTextView"));
    m_descriptionTextView->setPlaceholderText(dw::localized("What were you doing when it happened?"));
    m_logTextView->setObjectName(QStringLiteral("logTextView"));
    m_logTextView->setReadOnly(true);
    m_logTextView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_logTextView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_splitView->setObjectName(QStringLiteral("splitView"));
    m_splitView->setChildrenCollapsible(true);
    m_splitView->setCollapsible(0, false);
    m_splitView->setHandleWidth(8);
    m_descriptionTextView->setMinimumHeight(80);
    m_splitView->setSizes({1, 0}); // the report is folded away until the user drags it open

    m_emailAddressComboBox->setObjectName(QStringLiteral("emailAddressComboBox"));
    m_emailAddressComboBox->setEditable(true);
    m_emailAddressComboBox->setMinimumWidth(260);
    if (const QString email = qEnvironmentVariable("EMAIL"); !email.isEmpty())
        m_emailAddressComboBox->addItem(email);
    m_includeContactInfoCheckBox->setObjectName(QStringLiteral("includeContactInfoCheckBox"));
    m_includeContactInfoCheckBox->setChecked(true);
    connect(m_includeContactInfoCheckBox, &QCheckBox::toggled, m_emailAddressComboBox, &QWidget::setEnabled);

    auto* icon = new QLabel(this);
    const QPixmap picture = dw::applicationPixmap(QStringLiteral("QuillmartBig"), QSize(64, 64));
    if (!picture.isNull())
        icon->setPixmap(picture);
    icon->setAlignment(Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_titleTextField);
    texts->addWidget(m_descriptionTextField);
    auto* header = new QHBoxLayout;
    header->setSpacing(16);
    header->addWidget(icon);
    header->addLayout(texts, 1);

    auto* commentLabel = new QLabel(dw::localized("Comments:"), this);
    auto* contact = new QHBoxLayout;
    contact->addWidget(m_includeContactInfoCheckBox);
    contact->addWidget(m_emailAddressComboBox, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* send = buttons->addButton(dw::localized("Send Report"), QDialogButtonBox::AcceptRole);
    send->setObjectName(QStringLiteral("sendButton"));
    send->setDefault(true);
    auto* cancel = buttons->addButton(dw::localized("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->addLayout(header);
    layout->addSpacing(8);
    layout->addWidget(commentLabel);
    layout->addWidget(m_splitView, 1);
    layout->addLayout(contact);
    layout->addSpacing(4);
    layout->addWidget(buttons);
    resize(560, 420);
}

void QMCrashReportPanelController::showReportPanelWithCrashLog(const QString& crashLog, const QString& consoleLogs,
                                                               const QString& subject)
{
    QMCrashReportPanelController panel;
    panel.setLastCrashLog(QStringLiteral("Console.log:\n%1\n\nCrash.log:\n%2").arg(consoleLogs, crashLog));
    panel.setSubject(subject);
    panel.setIncludeContactInfo(true);
    if (panel.exec() == QDialog::Accepted)
        panel.sendCrashlog();
}

void QMCrashReportPanelController::setLastCrashLog(const QString& text)
{
    m_lastCrashLog = text;
    m_logTextView->setPlainText(text.isNull() ? QString() : text);
    m_logTextView->setReadOnly(true);
}

bool QMCrashReportPanelController::includeContactInfo() const
{
    return m_includeContactInfoCheckBox->isChecked();
}

void QMCrashReportPanelController::setIncludeContactInfo(bool include)
{
    m_includeContactInfoCheckBox->setChecked(include);
}

QString QMCrashReportPanelController::descriptionAsString() const
{
    return m_descriptionTextView->toPlainText();
}

QMCrashReportPanelController::Form QMCrashReportPanelController::form() const
{
    Form form{m_subject, m_lastCrashLog, QString()};
    const QString comment = descriptionAsString();
    if (!comment.isEmpty()) {
        form.subject = m_subject + QStringLiteral(" *");
        form.content = comment + QStringLiteral("\n\n\n") + m_lastCrashLog;
    }
    if (includeContactInfo())
        form.email = m_emailAddressComboBox->currentText().trimmed();
    return form;
}

void QMCrashReportPanelController::sendCrashlog() const
{
    const Form sent = form();
    const QString url = DWUpdaterPreferencesManager::crashReportURL();
    const QString appName = dw::bundleName();
    // A quit does not wait for a server that does not answer.
    auto stop = std::make_shared<std::atomic<bool>>(false);
    dw::runInBackground(
        [sent, url, appName, stop] {
            QString error;
            if (!DWCrashReporter::sendReport(url, sent.subject, sent.content, appName, sent.email, &error, stop.get()))
                dw::consoleWrite(QStringLiteral("Error while sending crash report: %1").arg(error));
        },
        stop);
}

#include "updater/QMUpdateStatusController.h"

#include "platform/widgets/ApplicationImage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

QMUpdateStatusController::QMUpdateStatusController(QWidget* parent)
    : QDialog(parent), m_titleLabel(new QLabel(this)), m_progressBar(new QProgressBar(this)),
      m_statusLabel(new QLabel(this)), m_actionButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("updaterStatusPanel"));
    setWindowTitle(tr("Software Update"));
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    QFont bold = m_titleLabel->font();
    bold.setBold(true);
    m_titleLabel->setFont(bold);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setTextVisible(false);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_actionButton->setObjectName(QStringLiteral("actionButton"));
    connect(m_actionButton, &QPushButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });

    auto* icon = new QLabel(this);
    const QPixmap picture = dw::applicationPixmap(QStringLiteral("QuillmartBig"), QSize(64, 64));
    if (!picture.isNull())
        icon->setPixmap(picture);
    icon->setAlignment(Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(m_titleLabel);
    texts->addWidget(m_progressBar);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_statusLabel, 1);
    bottom->addWidget(m_actionButton);
    texts->addLayout(bottom);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 20, 15, 15);
    layout->setSpacing(16);
    layout->addWidget(icon);
    layout->addLayout(texts, 1);
    setMinimumWidth(420);
    updateBar();
}

void QMUpdateStatusController::beginActionWithTitle(const QString& title, double maxProgressValue,
                                                    const QString& statusText)
{
    m_titleLabel->setText(title);
    m_statusLabel->setText(statusText);
    m_maxProgressValue = maxProgressValue;
    m_progressValue = 0;
    updateBar();
}

void QMUpdateStatusController::setButtonTitle(const QString& title, std::function<void()> action, bool isDefault)
{
    m_actionButton->setText(title);
    m_action = std::move(action);
    m_actionButton->setDefault(isDefault);
    m_actionButton->setAutoDefault(isDefault);
}

void QMUpdateStatusController::setButtonEnabled(bool enabled)
{
    m_actionButton->setEnabled(enabled);
}

void QMUpdateStatusController::setProgressValue(double value)
{
    m_progressValue = value;
    updateBar();
}

void QMUpdateStatusController::setMaxProgressValue(double value)
{
    m_maxProgressValue = value;
    updateBar();
}

void QMUpdateStatusController::setStatusText(const QString& text)
{
    m_statusLabel->setText(text);
}

QString QMUpdateStatusController::title() const
{
    return m_titleLabel->text();
}

QString QMUpdateStatusController::statusText() const
{
    return m_statusLabel->text();
}

QString QMUpdateStatusController::buttonTitle() const
{
    return m_actionButton->text();
}

void QMUpdateStatusController::updateBar()
{
    // The bar counts in thousandths so that large downloads fit its int range.
    if (m_maxProgressValue <= 0) {
        m_progressBar->setRange(0, 0);
        return;
    }
    m_progressBar->setRange(0, 1000);
    m_progressBar->setValue(int(std::clamp(m_progressValue / m_maxProgressValue, 0.0, 1.0) * 1000));
}

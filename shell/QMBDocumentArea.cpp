#include "shell/QMBDocumentArea.h"

#include "platform/widgets/ReadableColors.h"

#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

QMBDocumentArea::QMBDocumentArea(const QString& objectName, const QString& emptyStateText, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(objectName);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_emptyStateLabel = new QLabel(emptyStateText, this);
    m_emptyStateLabel->setObjectName(objectName + QStringLiteral("EmptyStateLabel"));
    m_emptyStateLabel->setAlignment(Qt::AlignCenter);
    m_emptyStateLabel->setWordWrap(true);
    m_emptyStateLabel->setMargin(4);
    // Dimmed, but readable: it says what is missing, it is no content. The theme's placeholder
    // colour, brought to a readable contrast on its window (darker under a light theme, lighter
    // under a dark one).
    QPalette palette = m_emptyStateLabel->palette();
    palette.setColor(QPalette::WindowText,
                     dw::readableTextColor(palette.color(QPalette::Window), palette.color(QPalette::PlaceholderText)));
    m_emptyStateLabel->setPalette(palette);
    m_layout->addWidget(m_emptyStateLabel);
}

void QMBDocumentArea::setContentView(QWidget* view)
{
    if (view == m_contentView)
        return;
    if (m_contentView) {
        m_layout->removeWidget(m_contentView);
        m_contentView->hide();
    }
    m_contentView = view;
    if (view) {
        view->setParent(this);
        m_layout->addWidget(view);
        view->show();
    }
    m_emptyStateLabel->setVisible(view == nullptr);
}

QString QMBDocumentArea::emptyStateText() const
{
    return m_emptyStateLabel->text();
}

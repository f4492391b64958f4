#include "panels/QMAddItemOperationEnvelopeView.h"

#include "panels/QMAddItemOperationEnvelopeViewController.h"

#include <QResizeEvent>

QMAddItemOperationEnvelopeView::QMAddItemOperationEnvelopeView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("envelopeView"));
}

QMAddItemOperationEnvelopeView::~QMAddItemOperationEnvelopeView() = default;

void QMAddItemOperationEnvelopeView::setController(QMAddItemOperationEnvelopeViewController* controller)
{
    if (m_controller == controller)
        return;
    delete m_controller;
    m_controller = controller;
    if (m_controller)
        m_controller->setParent(this);
}

void QMAddItemOperationEnvelopeView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->resize(width(), child->height());
}

#pragma once
// The object through which the preview page's editing script reports to its view. Every call
// carries the load generation the page was given; the view passes on only what its current page
// says. Nothing here reads or changes the program's state directly.

#include "description/widgets/QMPreviewWebView.h"

#include <QObject>
#include <QVariantList>
#include <QVariantMap>

class QMPreviewPagePort : public QObject
{
    Q_OBJECT

public:
    explicit QMPreviewPagePort(QMPreviewWebView* view) : m_view(view) {}

    Q_INVOKABLE void pageDidConnect(int generation, const QVariantList& editableIdentifiers)
    {
        QStringList identifiers;
        for (const QVariant& identifier : editableIdentifiers)
            identifiers << identifier.toString();
        m_view->pageDidConnect(generation, identifiers);
    }
    Q_INVOKABLE void fieldDidChange(int generation, const QString& identifier, const QVariant& text)
    {
        if (m_view->acceptsGeneration(generation))
            Q_EMIT m_view->fieldDidChange(identifier, text);
    }
    Q_INVOKABLE void descriptionDidChange(int generation, const QString& html)
    {
        if (m_view->acceptsGeneration(generation))
            Q_EMIT m_view->descriptionDidChange(html);
    }
    Q_INVOKABLE void descriptionEditingRequested(int generation)
    {
        if (m_view->acceptsGeneration(generation))
            Q_EMIT m_view->descriptionEditingRequested();
    }
    Q_INVOKABLE void selectionDidChange(int generation, const QVariantMap& state)
    {
        if (m_view->acceptsGeneration(generation))
            Q_EMIT m_view->selectionDidChange(state);
    }
    Q_INVOKABLE void currentElementDidChange(int generation, const QString& identifier)
    {
        if (m_view->acceptsGeneration(generation))
            Q_EMIT m_view->currentElementDidChange(identifier);
    }
    Q_INVOKABLE void inputRefused(int generation)
    {
        if (m_view->acceptsGeneration(generation))
            Q_EMIT m_view->inputRefused();
    }

private:
    QMPreviewWebView* m_view;
};

#pragma once
// Stands in for the document's script bridge in the editor's tests: the three calls of the page
// header's fields, passed to the editor as the document's bridge passes them.

#include "description/widgets/QMWebEditor.h"

#include <QObject>

class TestScriptBridge : public QObject
{
    Q_OBJECT

public:
    explicit TestScriptBridge(QMWebEditor* editor) : m_editor(editor) {}

    Q_INVOKABLE void stringChangedForID(const QString& text, const QString& identifier)
    {
        m_editor->formContentDidChangeTo(text, identifier);
    }
    Q_INVOKABLE void onFocusInField(const QString& identifier) { m_editor->formNodeWithIDGotFocus(identifier); }
    Q_INVOKABLE void onBlurInField(const QString& identifier) { m_editor->formNodeWithIDLostFocus(identifier); }

private:
    QMWebEditor* m_editor;
};

#pragma once
// The format toolbar above the preview: the buttons of the format controller in one row, 29
// pixels high, disabled while the selection may not be formatted and pressed in while the
// selection has their style.
//
//     auto* toolbar = new QMWebViewFormatToolbar(parent);
//     toolbar->controller()->setWebview(view);
//
// Main thread.

#include <QHash>
#include <QWidget>

class QMHoverIconButton;
class QMPushInHoverIconButton;
class QMWebViewFormatController;

class QMWebViewFormatToolbar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHeight = 29;

    explicit QMWebViewFormatToolbar(QWidget* parent = nullptr);

    QMWebViewFormatController* controller() const { return m_controller; }
    // The button of a command by its object name ("boldButton", "fontMenuButton", ...).
    QMHoverIconButton* button(const QString& objectName) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateButtons();

    QMWebViewFormatController* m_controller;
    QList<QMHoverIconButton*> m_buttons;
    QHash<QMPushInHoverIconButton*, bool (QMWebViewFormatController::*)() const> m_toggles;
};

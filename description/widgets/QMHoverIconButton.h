#pragma once
// An image button of the format toolbar: its picture changes while the mouse is over it and while
// it is pressed, and it can pop up a menu that its delegate supplies.
//
// Pictures are SVG files under resources/images named after the button's picture name; the
// variants "-hover", "-pressed" and "-pressedHover" are read when such files exist and otherwise
// drawn from the regular picture on a plate of the state's shade.
//
//     auto* button = new QMHoverIconButton(QStringLiteral("format/format_font"), toolbar);
//     button->setTag(1);
//     button->setDelegate(formatController);
//
// Main thread.

#include <QAbstractButton>
#include <QPointer>

class QMenu;
class QMHoverIconButton;

class QMHoverIconButtonDelegate
{
public:
    virtual ~QMHoverIconButtonDelegate() = default;
    // The menu the button pops up, or null for an ordinary click. The button takes ownership.
    virtual QMenu* menuForButton(QMHoverIconButton* button) = 0;
};

class QMHoverIconButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit QMHoverIconButton(const QString& imageName, QWidget* parent = nullptr);

    void setDelegate(QMHoverIconButtonDelegate* delegate) { m_delegate = delegate; }
    QMHoverIconButtonDelegate* delegate() const { return m_delegate; }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    // The font size of the pop-up menu: 0 regular, 1 small, 2 mini.
    int menuControlSize() const { return m_menuControlSize; }
    void setMenuControlSize(int size) { m_menuControlSize = size; }

    bool mouseInside() const { return m_mouseInside; }
    bool isMouseDown() const { return m_mouseDown; }
    // The picture shown now, and the name without a state suffix.
    const QString& imageName() const { return m_imageName; }
    QString regularImageName() const;
    // Whether a click leaves the button off again (a toggle button keeps its state).
    virtual bool turnOffAfterMouseDown() const { return true; }

    // Chooses the picture for the mouse position and the state.
    void updateImage();
    void mouseEntered();
    void mouseExited();

    // The picture of a name, drawn for a state variant when no file of that name exists.
    static QPixmap pictureNamed(const QString& name, const QSize& size, qreal ratio);
    static bool pictureExists(const QString& name);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString m_imageName;
    QMHoverIconButtonDelegate* m_delegate = nullptr;
    int m_tag = 0;
    int m_menuControlSize = 1;
    bool m_mouseInside = false;
    bool m_mouseDown = false;
};

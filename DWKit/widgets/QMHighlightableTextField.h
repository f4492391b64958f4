#pragma once
// The text field of a fee or price that the user wants to see marked: while highlighted it draws
// a filled pill in the fee highlight colour behind its text and the text in white with a small
// dark shadow.
//
// Every field follows two notifications of the default centre: "QMHighlightableTextFieldState-
// Notification" ({"state": bool}, switches the highlight) and "FeesHighlightColorDidChange-
// Notification" (the next drawing takes the colour anew). The colour comes from a provider that
// the preferences install (the kit cannot see them); without one it is the default fee colour.
// Notifications posted on other threads are carried to the main thread. Main thread otherwise.
//
//     QMHighlightableTextField::setFeesHighlightColorProvider([] { return prefs.feesHighlightColor(); });
//     auto* fee = new QMHighlightableTextField(panel);
//     fee->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

#include "DWKit/QMFeesHighlightColorNotification.h"
#include "platform/core/NotificationCenter.h"

#include <QColor>
#include <QLabel>
#include <QPainterPath>
#include <QPointF>
#include <functional>
#include <optional>

inline constexpr const char* kQMHighlightableTextFieldStateNotification = "QMHighlightableTextFieldStateNotification";

class QMHighlightableTextField : public QLabel
{
    Q_OBJECT

public:
    struct Shadow
    {
        QPointF offset; // y up, as shadows are given: (0, -1) falls one point below the text
        qreal blurRadius = 0;
        QColor color;
    };

    explicit QMHighlightableTextField(QWidget* parent = nullptr);
    ~QMHighlightableTextField() override;

    void stateNotificationReceived(const dw::Notification& notification);
    void highlightColorDidChange(const dw::Notification& notification);

    bool highlight() const { return m_highlight; }
    void setHighlight(bool highlight);

    QColor highlightColor() const { return m_highlightColor; }
    void setHighlightColor(const QColor& color) { m_highlightColor = color; }
    QColor disabledHighlightColor() const { return m_disabledHighlightColor; }
    void setDisabledHighlightColor(const QColor& color) { m_disabledHighlightColor = color; }
    std::optional<Shadow> shadow() const { return m_shadow; }
    void setShadow(std::optional<Shadow> shadow) { m_shadow = std::move(shadow); }
    // The pill as last drawn (empty before the first highlighted drawing).
    QPainterPath path() const { return m_path; }

    // The fee highlight colour of the preferences; nullptr restores the default colour.
    static void setFeesHighlightColorProvider(std::function<QColor()> provider);
    static QColor defaultFeesHighlightColor();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPainterPath pillForBounds(const QRectF& bounds) const;

    QColor m_highlightColor;
    QColor m_disabledHighlightColor;
    std::optional<Shadow> m_shadow;
    QPainterPath m_path;
    QString m_pathKey; // what the pill was made for: text, size, alignment and font
    bool m_highlight = false;
};

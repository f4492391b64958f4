#pragma once
// A text cell as the platform's lists and outlines use it: a value object that draws one row's
// text into a frame of the view that shows it. Views copy a configured cell per row (see
// CellDelegate); subclasses draw more around the text and copy themselves with clone().
//
// Frames are in the view's coordinates, y down (the way the platform's item views are flipped).
// The text is drawn 2 points in from the left, vertically centred, elided at the right.
// Main thread (drawing).
//
//     dw::TextFieldCell cell;
//     cell.setStringValue(QStringLiteral("Shipping"));
//     cell.drawWithFrame(painter, rowRect, view);

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <memory>

class QModelIndex;
class QPainter;
class QWidget;

namespace dw {

class TextFieldCell
{
public:
    TextFieldCell();
    virtual ~TextFieldCell();

    virtual std::unique_ptr<TextFieldCell> clone() const;

    // Takes the row's values from the model: the text (Qt::DisplayRole), and the font and text
    // colour when the model gives them.
    virtual void takeValuesFromIndex(const QModelIndex& index);

    QString stringValue() const { return m_stringValue; }
    void setStringValue(const QString& value) { m_stringValue = value; }
    QFont font() const { return m_font; }
    void setFont(const QFont& font) { m_font = font; }
    // Invalid: the view's text colour (its highlighted text colour for a highlighted cell).
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& color) { m_textColor = color; }
    bool drawsBackground() const { return m_drawsBackground; }
    void setDrawsBackground(bool draws) { m_drawsBackground = draws; }
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color) { m_backgroundColor = color; }
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted) { m_highlighted = highlighted; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEditable() const { return m_editable; }
    void setEditable(bool editable) { m_editable = editable; }

    // The size the text needs, with the cell's insets.
    virtual QSizeF cellSize() const;
    virtual void drawWithFrame(QPainter& painter, const QRectF& frame, const QWidget* controlView);
    // The text part only, without the background.
    void drawInteriorWithFrame(QPainter& painter, const QRectF& frame, const QWidget* controlView);
    // The frame an editor gets when the row is edited or its text selected. A cell may change
    // itself for the time of the editing (as the platform's cells do).
    virtual QRectF editingFrame(const QRectF& frame);

private:
    QString m_stringValue;
    QFont m_font;
    QColor m_textColor;
    bool m_drawsBackground = false;
    QColor m_backgroundColor;
    bool m_highlighted = false;
    bool m_enabled = true;
    bool m_editable = false;
};

} // namespace dw

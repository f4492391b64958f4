#pragma once
// A one-line bar of rounded keyword badges, left to right, showing the keywords of a
// QMKeywordArrayController; a click selects a keyword (or, with multiple selection, adds or
// removes it). Badges that do not fit are gathered behind a chevron at the right end, which opens
// a menu of the rest. QMBlackKeywordView is the same bar in a dark look.
//
//     auto* bar = new QMKeywordView(parent);
//     bar->setArrayController(keywords);       // not owned
//     bar->setAllowsMultipleSelection(true);
//     bar->setDelegate(chooser);                // told of every change the user makes
//
// A press on a badge marks it; dragging off and back on follows; the release on it selects. The
// delegate hears of selections the user makes, never of those set on the controller. Main thread.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "description/DesignChooser/QMKeywordArrayController.h"
class QMKeywordView;
class QMenu;

class QMKeywordViewDelegate
{
public:
    virtual ~QMKeywordViewDelegate() = default;
    // After a click changed the selection.
    virtual void keywordViewDidSelectKeyword(QMKeywordView*, const QString&) {}
    virtual void keywordViewDidUnselectKeyword(QMKeywordView*, const QString&) {}
    // Before a click that replaces the selection.
    virtual void keywordViewDidUnselectKeywords(QMKeywordView*, const QStringList&) {}
    // Whenever the controller's selection changes.
    virtual void keywordViewSelectionChangedTo(QMKeywordView*, const QStringList&) {}
    // Nothing: the bar's own answer.
    virtual std::optional<QString> keywordViewStringToDrawForKeyword(QMKeywordView*, const QString&)
    {
        return std::nullopt;
    }
    virtual std::optional<QString> keywordViewTooltipForKeyword(QMKeywordView*, const QString&) { return std::nullopt; }
};

class QMKeywordView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kBadgeHeight = 18;
    static constexpr int kBadgeCap = 9;

    explicit QMKeywordView(QWidget* parent = nullptr);
    ~QMKeywordView() override;

    QMKeywordArrayController* arrayController() const { return m_arrayController; }
    void setArrayController(QMKeywordArrayController* controller);
    QMKeywordViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(QMKeywordViewDelegate* delegate) { m_delegate = delegate; }

    float badgeSpacing() const { return m_badgeSpacing; }
    float minBadgeSize() const { return m_minBadgeSize; }
    bool allowsMultipleSelection() const { return m_allowsMultipleSelection; }
    void setAllowsMultipleSelection(bool allows) { m_allowsMultipleSelection = allows; }
    bool allowsEmptySelection() const { return m_allowsEmptySelection; }
    void setAllowsEmptySelection(bool allows) { m_allowsEmptySelection = allows; }
    bool requiresShiftKeyForMultipleSelection() const { return m_requiresShiftKeyForMultipleSelection; }
    void setRequiresShiftKeyForMultipleSelection(bool required) { m_requiresShiftKeyForMultipleSelection = required; }
    bool drawsBackground() const { return m_drawsBackground; }
    void setDrawsBackground(bool draws);
    bool drawsFrame() const { return m_drawsFrame; }
    void setDrawsFrame(bool draws);
    bool displayLocalizedStrings() const { return m_displayLocalizedStrings; }
    void setDisplayLocalizedStrings(bool display);
    QString localizableStringsTable() const { return m_localizableStringsTable; }
    void setLocalizableStringsTable(const QString& table);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);

    QString clickedKeyword() const { return m_clickedKeyword; }
    QStringList overflowKeywords() const { return m_overflowKeywords; }
    QRectF lastChevronRect() const { return m_lastChevronRect; }

    // The text a badge shows: the delegate's, else the localized keyword (with
    // displayLocalizedStrings), else the keyword.
    QString stringToDrawForKeyword(const QString& keyword);
    QString tooltipForKeyword(const QString& keyword);

    // Badge geometry along the bar, as laid out from the left. The index must be one of the
    // keywords.
    QRectF rectForKeywordAtIndex(qsizetype index);
    bool canDrawKeywordAtIndex(qsizetype index);
    // The drawn badge under the point; null for none.
    QString keywordAtPoint(const QPointF& point);

    // What a click on the keyword does to the selection (Shift as given).
    void userSelectedKeyword(const QString& keyword, bool shiftHeld = false);
    // The chevron's menu: one item per hidden keyword, the selected ones checked. Owned by the
    // caller.
    QMenu* makeOverflowMenu();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // The badge pictures and the text's font and colour; the dark bar has its own.
    virtual QImage imageNamed(const QString& name) const;
    virtual QFont badgeFont() const;
    virtual QColor badgeTextColor() const;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    enum class BadgeKind { Normal, Clicked, Selected, ClickedSelected };

    QImage imageForKeyword(const QString& keyword);
    QImage computeImageForKeyword(const QString& keyword, const QImage& badgeImage);
    qreal badgeWidthForKeyword(const QString& keyword);
    void arrangedObjectsChanged();
    void selectionChanged();
    void clearTextCaches();

    QPointer<QMKeywordArrayController> m_arrayController;
    QMKeywordViewDelegate* m_delegate = nullptr;
    float m_badgeSpacing = 4.0f;
    float m_minBadgeSize = 70.0f;
    QHash<QString, QImage> m_badges[4];
    QString m_clickedKeyword;
    QString m_pressedKeyword;
    QRectF m_lastChevronRect;
    QStringList m_overflowKeywords;
    bool m_allowsMultipleSelection = false;
    bool m_allowsEmptySelection = false;
    bool m_requiresShiftKeyForMultipleSelection = false;
    bool m_drawsBackground = true;
    bool m_drawsFrame = true;
    bool m_displayLocalizedStrings = false;
    QString m_localizableStringsTable;
    QColor m_backgroundColor = QColor::fromRgbF(0.9411765f, 0.9411765f, 0.9411765f);
    QHash<QString, QString> m_cachedStringsToDraw;
    QHash<QString, QString> m_cachedTooltips;
    QList<QMetaObject::Connection> m_connections;
};

// The bar on the carousel's black ground: black, no frame, the "_black" badge pictures and grey
// text.
class QMBlackKeywordView : public QMKeywordView
{
    Q_OBJECT

public:
    explicit QMBlackKeywordView(QWidget* parent = nullptr);

protected:
    QImage imageNamed(const QString& name) const override;
    QColor badgeTextColor() const override;
};

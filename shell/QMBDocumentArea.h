#pragma once
// One named area of the document window (the design chooser, the format toolbar, the preview):
// it shows a short, dimmed text that says what is missing until the part that fills it hands
// over its view with setContentView(). Main thread.
//
//     document->auctionWebviewContainer()->setContentView(webView);

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QVBoxLayout;

class QMBDocumentArea : public QWidget
{
    Q_OBJECT

public:
    QMBDocumentArea(const QString& objectName, const QString& emptyStateText, QWidget* parent = nullptr);

    // Takes the view as the area's only content (the area becomes its parent); null goes back to
    // the empty state. A previous content view stays a hidden child of the area.
    void setContentView(QWidget* view);
    QWidget* contentView() const { return m_contentView; }
    bool isEmpty() const { return m_contentView == nullptr; }
    QString emptyStateText() const;

private:
    QVBoxLayout* m_layout = nullptr;
    QLabel* m_emptyStateLabel = nullptr;
    QPointer<QWidget> m_contentView;
};

#pragma once
// The create-link sheet: the seller types an address (and a text, or the address of a picture)
// and gets the link's markup for the description.
//
//     const QString link = QMCreateLinkPanelController::showCreateLinkPanelForSelectedString(selection, window);
//     if (!link.isNull())
//         replaceSelectionWithHTML(" " + link + " ");
//
// Main thread; the sheet runs modally on its window.

#include <QDialog>
#include <QString>

class QCheckBox;
class QPlainTextEdit;
class QWidget;

class QMCreateLinkPanelController : public QDialog
{
    Q_OBJECT

public:
    // Both text views start with the selected text (a null text counts as empty).
    explicit QMCreateLinkPanelController(const QString& selectedString, QWidget* parent = nullptr);
    ~QMCreateLinkPanelController() override;

    // The link's HTML, or a null string when the seller cancelled. Runs modally on the window.
    static QString showCreateLinkPanelForSelectedString(const QString& selectedString, QWidget* parentWindow);

    // The markup of a link to `address` showing `text`, or with `isImage` the picture at `text`.
    // An address (and a picture address) without "http://" or "https://" in front, in any case,
    // gets "http://"; the rest keeps its case. Both are escaped for HTML, so no quote or angle
    // bracket typed by the seller can end the attribute or start an element.
    static QString linkForAddress(const QString& address, const QString& text, bool isImage);

    // True when address and text are given; otherwise tells the seller which one is missing.
    bool canClose();
    QString link() const;
    const QString& initiallySelectedString() const { return m_initiallySelectedString; }

    void doOK();
    void doCancel();

private:
    QString m_initiallySelectedString;
    QPlainTextEdit* m_linkAddressView = nullptr;
    QPlainTextEdit* m_displayTextView = nullptr;
    QCheckBox* m_imageLinkCheckbox = nullptr;
};

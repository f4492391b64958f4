// The document window under a dark desktop theme: every text of the settings pane reads on what
// is behind it.
#include "DWKit/widgets/QMContainerView.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/ReadableColors.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBSettingsPane.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// A dark theme's colours, as a desktop's dark style hands them to the program.
QPalette darkPalette()
{
    QPalette dark;
    const QColor window(0x24, 0x24, 0x24), text(0xee, 0xee, 0xee), base(0x1e, 0x1e, 0x1e), button(0x30, 0x30, 0x30);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        dark.setColor(group, QPalette::Window, window);
        dark.setColor(group, QPalette::WindowText, disabled ? QColor(0x80, 0x80, 0x80) : text);
        dark.setColor(group, QPalette::Base, base);
        dark.setColor(group, QPalette::AlternateBase, window);
        dark.setColor(group, QPalette::Text, disabled ? QColor(0x80, 0x80, 0x80) : text);
        dark.setColor(group, QPalette::PlaceholderText, QColor(0xa0, 0xa0, 0xa0));
        dark.setColor(group, QPalette::Button, button);
        dark.setColor(group, QPalette::ButtonText, disabled ? QColor(0x80, 0x80, 0x80) : text);
        dark.setColor(group, QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
        dark.setColor(group, QPalette::HighlightedText, Qt::white);
        dark.setColor(group, QPalette::Light, QColor(0x50, 0x50, 0x50));
        dark.setColor(group, QPalette::Midlight, QColor(0x40, 0x40, 0x40));
        dark.setColor(group, QPalette::Mid, QColor(0x30, 0x30, 0x30));
        dark.setColor(group, QPalette::Dark, QColor(0x18, 0x18, 0x18));
        dark.setColor(group, QPalette::Shadow, Qt::black);
    }
    return dark;
}

// The colour a widget that paints no background of its own shows its text on: the nearest
// ancestor that fills one, the container's own colour, or the window's.
QColor colourBehind(const QWidget* widget)
{
    for (const QWidget* w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (const auto* container = qobject_cast<const QMContainerView*>(w))
            return container->backgroundColor();
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(w->backgroundRole());
    }
    return QApplication::palette().color(QPalette::Window);
}

struct Clash
{
    QString what;
    QColor text;
    QColor background;
};

// Every text of the pane with the colour it is drawn in and the one behind it.
std::vector<Clash> textsOf(const QWidget* pane, int* checked)
{
    std::vector<Clash> texts;
    const auto add = [&](const QWidget* widget, QPalette::ColorRole text, const QColor& background) {
        texts.push_back({widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                                        : widget->objectName(),
                         widget->palette().color(QPalette::Active, text), background});
    };
    for (const QWidget* widget : pane->findChildren<QWidget*>()) {
        // Controls that cannot be used may look faint.
        if (!widget->isEnabled())
            continue;
        const auto* combo = qobject_cast<const QComboBox*>(widget);
        const auto* toolButton = qobject_cast<const QToolButton*>(widget);
        if (qobject_cast<const QLabel*>(widget) || qobject_cast<const QCheckBox*>(widget) ||
            qobject_cast<const QRadioButton*>(widget) || (toolButton && toolButton->autoRaise()))
            add(widget, widget->foregroundRole(), colourBehind(widget));
        else if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
                 (combo && combo->isEditable()))
            add(widget, QPalette::Text, widget->palette().color(QPalette::Active, QPalette::Base));
        else if (qobject_cast<const QAbstractButton*>(widget) || combo)
            add(widget, QPalette::ButtonText, widget->palette().color(QPalette::Active, QPalette::Button));
        else if (const auto* list = qobject_cast<const QListWidget*>(widget)) {
            const QColor base = list->palette().color(QPalette::Active, QPalette::Base);
            const QColor text = list->palette().color(QPalette::Active, QPalette::Text);
            for (int row = 0; row < list->count(); ++row) {
                const QListWidgetItem* item = list->item(row);
                const QBrush back = item->background();
                const QBrush front = item->foreground();
                texts.push_back({list->objectName() + QStringLiteral(" row ") + item->text(),
                                 front.style() == Qt::NoBrush ? text : front.color(),
                                 back.style() == Qt::NoBrush ? base : back.color()});
            }
            add(widget, QPalette::Text, base);
        } else {
            continue;
        }
        ++*checked;
    }
    return texts;
}

class DocumentTheme : public ::testing::Test
{
protected:
    DocumentTheme() : m_lightPalette(QApplication::palette())
    {
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    }
    ~DocumentTheme() override
    {
        for (auto* document : QMBDocumentController::sharedDocumentController().documents())
            delete document;
        QApplication::setPalette(m_lightPalette);
        QMPreferencesManager::sharedInstance().setFeesHighlightColor(m_feeColour);
    }

    QPalette m_lightPalette;
    QColor m_feeColour = QMPreferencesManager::sharedInstance().feesHighlightColor();
    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
};

} // namespace

TEST_F(DocumentTheme, EveryTextOfTheSettingsPaneReadsUnderADarkTheme)
{
    // The theme turns dark before a window opens and while one is open; a seller's light fee
    // colour marks the upgrades.
    QMPreferencesManager::sharedInstance().setFeesHighlightColor(QColor(0xff, 0xf0, 0xa0));
    for (const bool openFirst : {false, true}) {
        SCOPED_TRACE(openFirst ? "theme changed while open" : "theme dark from the start");
        QApplication::setPalette(m_lightPalette);
        QMBDocument* document = nullptr;
        if (openFirst)
            document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(false);
        QApplication::setPalette(darkPalette());
        if (!openFirst)
            document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(false);
        ASSERT_TRUE(document);
        QApplication::processEvents();

        int checked = 0;
        for (const Clash& text : textsOf(document->settingsPane(), &checked)) {
            EXPECT_GE(dw::contrastRatio(text.text, text.background), dw::kReadableContrast)
                << text.what.toStdString() << ": " << text.text.name().toStdString() << " on "
                << text.background.name().toStdString();
        }
        // The walk reached the pane's labels, fields, buttons and lists.
        EXPECT_GT(checked, 40);
        delete document;
    }
}

TEST(ReadableColors, TextColoursAreChosenAgainstTheirBackground)
{
    const struct
    {
        const char* name;
        QColor background;
        QColor preferred;
    } rows[] = {
        {"light theme text on the pane's blue", QColor(230, 235, 245), QColor(Qt::black)},
        {"dark theme text on the pane's blue", QColor(230, 235, 245), QColor(0xee, 0xee, 0xee)},
        {"white on a pale fee colour", QColor(0xff, 0xf0, 0xa0), QColor(Qt::white)},
        {"error red on a dark window", QColor(0x24, 0x24, 0x24), QColor(0xb0, 0x1c, 0x1c)},
        {"no preference on black", QColor(Qt::black), QColor()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QColor chosen = dw::readableTextColor(row.background, row.preferred);
        EXPECT_GE(dw::contrastRatio(chosen, row.background), dw::kReadableContrast);
        // A colour that reads already is kept as it is.
        if (row.preferred.isValid() && dw::contrastRatio(row.preferred, row.background) >= dw::kReadableContrast) {
            EXPECT_EQ(chosen, row.preferred);
        }
    }
    // An error red stays a red when it is lightened for a dark window.
    const QColor red = dw::readableTextColor(QColor(0x24, 0x24, 0x24), QColor(0xb0, 0x1c, 0x1c));
    EXPECT_GT(red.red(), red.green() + 60);
    EXPECT_DOUBLE_EQ(dw::contrastRatio(Qt::black, Qt::white), 21.0);
}

// The design chooser with its grid of thumbnails (what an offscreen display gets): keywords filter
// the designs, the listing's design is found by identity and shown with its layouts.
#include "DesignFixtures.h"

#include "description/DesignChooser/QMDesignFlowUIController.h"
#include "description/DesignChooser/QMFlowGridView.h"
#include "description/DesignChooser/QMFlowViewArrayController.h"
#include "description/DesignChooser/QMKeywordArrayController.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

using TemplatePtr = std::shared_ptr<QMDesignTemplate>;

QStringList names(const QList<TemplatePtr>& designs)
{
    QStringList result;
    for (const TemplatePtr& design : designs)
        result << design->name();
    return result;
}

struct DelegateRecorder : QMDesignFlowUIControllerDelegate
{
    void designFlowUIControllerSelectionChangedTo(QMDesignFlowUIController*, const TemplatePtr& design) override
    {
        chosen.append(design);
    }
    void designFlowUIControllerSelectedLayoutChangedTo(QMDesignFlowUIController*, const QString& layout) override
    {
        layouts.append(layout);
    }
    void designFlowUIControllerSelectedDesignsChangedTo(QMDesignFlowUIController*,
                                                        const QList<TemplatePtr>& designs) override
    {
        filtered.append(names(designs));
    }
    QList<TemplatePtr> chosen;
    QStringList layouts;
    QList<QStringList> filtered;
};

class DesignChooser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        ASSERT_TRUE(designs::test::writeUserDesign(QStringLiteral("Racer"),
                                                   {QStringLiteral("Cars"), QStringLiteral("Racing")}));
        ASSERT_TRUE(designs::test::writeUserDesign(QStringLiteral("Roadster"), {QStringLiteral("Cars")},
                                                   {QStringLiteral("Two Columns"), QStringLiteral("Wide")}));
        ASSERT_TRUE(designs::test::writeUserDesign(QStringLiteral("Teddy"), {QStringLiteral("Toys")}));
        m_manager.registerDesignTemplates();
        m_chooser =
            std::make_unique<QMDesignFlowUIController>(m_manager, nullptr, QMDesignFlowUIController::Display::Grid);
        m_chooser->setDelegate(&m_recorder);
    }

    TemplatePtr design(const char* name) const
    {
        for (const TemplatePtr& candidate : m_manager.designTemplates()) {
            if (candidate->name() == QLatin1String(name))
                return candidate;
        }
        return nullptr;
    }
    QMFlowViewArrayController* carousel() const { return m_chooser->previewFlowView()->arrayController(); }
    QStringList shown() const { return names(carousel()->arrangedObjects()); }
    QStringList selectedKeywords() const { return m_chooser->designKeywordsArrayController()->selectedObjects(); }
    void click(const char* keyword)
    {
        m_chooser->categoriesKeywordView()->userSelectedKeyword(QString::fromLatin1(keyword));
    }

    dw::test::TemporaryXdg m_xdg;
    QMDesignTemplateManager m_manager;
    std::unique_ptr<QMDesignFlowUIController> m_chooser;
    DelegateRecorder m_recorder;
    QMEbayItem m_item;
};

TEST_F(DesignChooser, StartsWithEveryActiveDesignUnderAll)
{
    EXPECT_FALSE(m_chooser->usesCarousel());
    EXPECT_EQ(selectedKeywords(), QStringList{dw::localized("All")});
    EXPECT_EQ(shown(), names(m_manager.activeDesignTemplates()));
    EXPECT_EQ(shown().size(), 9) << "six built-in designs and three of the user's";
    EXPECT_TRUE(m_chooser->designKeywordsArrayController()->arrangedObjects().contains(QStringLiteral("Cars")));
}

TEST_F(DesignChooser, KeywordsFilterTheDesignsAndAllStandsAlone)
{
    click("Cars");
    EXPECT_EQ(selectedKeywords(), QStringList{QStringLiteral("Cars")}) << "Cars replaces All";
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("Racer"), QStringLiteral("Roadster")}));
    click("Racing");
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Racer")}) << "every selected keyword";
    click("Cars");
    EXPECT_EQ(selectedKeywords(), QStringList{QStringLiteral("Racing")});
    click("All");
    EXPECT_EQ(selectedKeywords(), QStringList{dw::localized("All")});
    EXPECT_EQ(shown().size(), 9);
    ASSERT_EQ(m_recorder.filtered.size(), 4) << "the listing's document hears of every new list";
    EXPECT_EQ(m_recorder.filtered.first(), (QStringList{QStringLiteral("Racer"), QStringLiteral("Roadster")}));

    // Where the bar lets the last keyword go, the chooser falls back to All.
    m_chooser->categoriesKeywordView()->setAllowsEmptySelection(true);
    click("Toys");
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Teddy")});
    click("Toys");
    EXPECT_EQ(selectedKeywords(), QStringList{dw::localized("All")});
    EXPECT_EQ(shown().size(), 9);
}

TEST_F(DesignChooser, ListingsDesignIsFoundByIdentityNotByItsIndexInTheGivenList)
{
    // Given in another order than the chooser shows them (by name).
    const QList<TemplatePtr> given{design("Teddy"), design("Racer"), design("Roadster")};
    m_item.setUseDesignTemplate(true);
    m_item.setDesignTemplateIdentifier(QStringLiteral("test.teddy"));
    m_chooser->updateFlowViewForDesignTemplates(given, m_item);
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("Racer"), QStringLiteral("Roadster"), QStringLiteral("Teddy")}));
    EXPECT_EQ(carousel()->objectAtIndex(carousel()->enabledIndex()), design("Teddy"));
    EXPECT_EQ(carousel()->selectedObject(), design("Teddy"));

    auto* grid = dynamic_cast<QMFlowGridView*>(m_chooser->previewFlowView());
    ASSERT_NE(grid, nullptr);
    grid->chooseObjectAtIndex(carousel()->selectionIndex());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_recorder.chosen.isEmpty(); }, 2000));
    EXPECT_EQ(m_recorder.chosen, QList<TemplatePtr>{design("Teddy")}) << "the chosen template is the one set";
}

TEST_F(DesignChooser, UnknownDesignShowsTheFirstWithNothingEnabledAndNoLayouts)
{
    m_item.setUseDesignTemplate(true);
    m_item.setDesignTemplateIdentifier(QStringLiteral("test.roadster"));
    m_chooser->updateFlowViewForDesignTemplates(m_manager.designTemplates(), m_item);
    ASSERT_EQ(m_chooser->layoutKeywordsArrayController()->arrangedObjects().size(), 2);

    for (const char* identifier : {"no.such.design", ""}) {
        SCOPED_TRACE(identifier);
        m_item.setDesignTemplateIdentifier(QString::fromLatin1(identifier));
        EXPECT_NO_THROW(m_chooser->updateFlowViewForDesignTemplates({design("Teddy"), design("Racer")}, m_item));
        EXPECT_EQ(carousel()->selectionIndex(), 0);
        EXPECT_EQ(carousel()->selectedObject(), design("Racer"));
        EXPECT_EQ(carousel()->enabledIndex(), QMFlowViewArrayController::NotFound);
        EXPECT_TRUE(m_chooser->layoutKeywordsArrayController()->arrangedObjects().isEmpty());
    }
    EXPECT_NO_THROW(m_chooser->updateFlowViewForDesignTemplates({}, m_item));
    EXPECT_EQ(carousel()->enabledIndex(), QMFlowViewArrayController::NotFound);
}

TEST_F(DesignChooser, LayoutsOfTheListingsDesignWithItsChoice)
{
    m_item.setUseDesignTemplate(true);
    m_item.setDesignTemplateIdentifier(QStringLiteral("test.roadster"));
    m_chooser->updateFlowViewForDesignTemplates(m_manager.designTemplates(), m_item);
    QMKeywordArrayController* layouts = m_chooser->layoutKeywordsArrayController();
    EXPECT_EQ(layouts->arrangedObjects(), (QStringList{QStringLiteral("Two Columns"), QStringLiteral("Wide")}));
    EXPECT_TRUE(layouts->selectedObjects().isEmpty()) << "the listing names no layout";

    m_item.setDesignLayoutName(QStringLiteral("Wide"));
    m_chooser->updateLayoutKeywordsForDesign(design("Roadster"), m_item);
    EXPECT_EQ(layouts->selectedObjects(), QStringList{QStringLiteral("Wide")});

    m_chooser->layoutsKeywordView()->userSelectedKeyword(QStringLiteral("Two Columns"));
    EXPECT_EQ(m_recorder.layouts, QStringList{QStringLiteral("Two Columns")});
    m_chooser->selectLayoutInKeywordView(QStringLiteral("Wide"), false);
    EXPECT_EQ(m_recorder.layouts.size(), 1) << "set without telling";
    m_chooser->selectLayoutInKeywordView(QStringLiteral("Wide"), true);
    EXPECT_EQ(m_recorder.layouts.last(), QStringLiteral("Wide"));
}

} // namespace

// The attribute set view and its controllers on stores made by qm-mkstore (specifics.json): the
// control chosen per kind, dependencies, the Motors filter, what each kind reports, and a store
// whose dependencies form a cycle.

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWKit/QMLog.h"
#include "platform/core/ConsoleOutput.h"
#include "specifics/QMAttributeSetView.h"
#include "specifics/QMCheckboxAttributeViewController.h"
#include "specifics/QMDateAttributeViewController.h"
#include "specifics/QMPopupAttributeViewController.h"
#include "specifics/QMSingleCheckboxAttributeViewController.h"
#include "specifics/QMTextAreaAttributeViewController.h"
#include "specifics/QMTextFieldAttributeViewController.h"

#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using ValueList = QMAttributeViewController::ValueList;

void installSpecificsStores()
{
    const QString made = QStringLiteral(DW_SPECIFICS_TEST_STORES);
    QDir().mkpath(SQAttributesDatabase::attributesFolderPathNoFolderCreation());
    ASSERT_TRUE(
        QFile::copy(made + QStringLiteral("/Attributes.site0.sqlite"), SQAttributesDatabase::storePathForSiteID(0)));
}

QVariant stored(const QString& identifier, const QString& name)
{
    return dw::archiveValue(std::make_shared<QMEbayAttributeValue>(identifier, name));
}

QVariantMap wrapper(const QVariantMap& values)
{
    return {{QStringLiteral("version"), QStringLiteral("42")}, {QStringLiteral("values"), values}};
}

QStringList names(const ValueList& values)
{
    QStringList list;
    for (const auto& value : values)
        list.append(value.identifier() + u'=' + value.name());
    return list;
}

class AttributeEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        installSpecificsStores();
        store = std::make_shared<SQAttributesDatabase>(0);
        ASSERT_TRUE(store->isOpen());
        QMSetLogLevel(1);
    }
    void TearDown() override { QMResetCachedLogLevel(); }

    // A set view of the set, as the sheet makes one.
    std::unique_ptr<QMAttributeSetView> setView(qint64 setID, int siteID = 0, const QVariantMap& values = {})
    {
        auto view = std::make_unique<QMAttributeSetView>();
        view->resize(600, 400);
        view->setAttributeDataStore(store);
        view->setAttributeSet(store->attributeSetWithIdentifier(setID));
        view->setSiteID(siteID);
        view->setAttributeValuesWrapper(values.isEmpty() ? QVariantMap() : wrapper(values));
        view->installViews();
        return view;
    }

    // A controller of one attribute of a set, loaded.
    std::unique_ptr<QMAttributeViewController> controller(qint64 setID, qint64 attributeID,
                                                          const std::optional<ValueList>& initial = std::nullopt)
    {
        const auto set = store->attributeSetWithIdentifier(setID);
        const auto attribute = store->attributeWithIdentifier(attributeID, set);
        auto made = QMAttributeViewController::controllerForAttribute(
            attribute, store->attributeValuesForAttribute(attribute), initial,
            store->attributePresentationInstructionForAttribute(attribute), set, store);
        if (made)
            made->loadNib();
        return made;
    }

    dw::test::TemporaryXdg xdg;
    std::shared_ptr<SQAttributesDatabase> store;
};

} // namespace

TEST_F(AttributeEditor, ChoosesTheControlByTypeAndInputType)
{
    struct Row
    {
        const char* name;
        qint64 attributeID;
        const char* kind; // class name; null: no row
        const char* nibName;
    };
    const Row rows[] = {
        {"date wins over input type 1", 50, "QMDateAttributeViewController", "DateAttributeView"},
        {"pop-up", 51, "QMPopupAttributeViewController", "PopupAttributeView"},
        {"input type 2 with one value", 52, "QMSingleCheckboxAttributeViewController", "SingleCheckboxAttributeView"},
        {"input type 2 with two values", 53, "QMCheckboxAttributeViewController", "CheckboxAttributeView"},
        {"input type 6", 54, "QMCheckboxAttributeViewController", "CheckboxAttributeView"},
        {"text field", 55, "QMTextFieldAttributeViewController", "TextFieldAttributeView"},
        {"text area", 56, "QMTextAreaAttributeViewController", "TextAreaAttributeView"},
        {"radio with one value", 57, "QMCheckboxAttributeViewController", "CheckboxAttributeView"},
        {"unknown input type", 58, nullptr, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::ScopedConsoleCapture console;
        const auto made = controller(5005, row.attributeID);
        if (!row.kind) {
            EXPECT_EQ(made, nullptr);
            EXPECT_EQ(console.lines(), QStringList{"unknown attribute input type: 9 for attribute Unknown kind"});
            continue;
        }
        ASSERT_NE(made, nullptr);
        EXPECT_STREQ(made->metaObject()->className(), row.kind);
        EXPECT_EQ(made->nibName(), QLatin1String(row.nibName));
        EXPECT_TRUE(console.lines().isEmpty());
    }

    // In a set the unknown kind simply has no row; the others do, in label order.
    dw::ScopedConsoleCapture console;
    const auto view = setView(5005);
    EXPECT_EQ(view->attributeControllers().size(), 9);
    EXPECT_EQ(view->controllerForAttributeWithID(58), nullptr);
    EXPECT_EQ(console.lines().filter(QStringLiteral("unknown attribute input type")).size(), 1);
    // Only input type 5 makes radio buttons.
    EXPECT_TRUE(
        qobject_cast<QMCheckboxAttributeViewController*>(view->controllerForAttributeWithID(57))->isRadioAttribute());
    EXPECT_FALSE(
        qobject_cast<QMCheckboxAttributeViewController*>(view->controllerForAttributeWithID(54))->isRadioAttribute());
}

TEST_F(AttributeEditor, LabelsAndMessages)
{
    const auto view = setView(1785);
    const auto* type = view->controllerForAttributeWithID(10);
    EXPECT_EQ(type->labelTextField()->text(), QStringLiteral("Type*:"));
    EXPECT_EQ(type->bottomMessageField()->text(), QStringLiteral("The kind of camera body."));
    EXPECT_EQ(view->controllerForAttributeWithID(14)->labelTextField()->text(), QStringLiteral("Serial Number:"));
    EXPECT_EQ(view->requiredAttributeControllers().size(), 1);

    // Without the label flag there is no label, whatever the attribute's label says.
    EXPECT_EQ(controller(5005, 59)->labelTextField()->text(), QString());
}

TEST_F(AttributeEditor, ParentValueNarrowsChildrenAndAValueWithoutDependencyDeactivatesThem)
{
    // Stored: an SLR with a Canon FD mount and its adapter.
    const auto view =
        setView(1785, 0,
                {{QStringLiteral("10"), QVariantList{stored(QStringLiteral("101"), QStringLiteral("SLR"))}},
                 {QStringLiteral("11"), QVariantList{stored(QStringLiteral("111"), QStringLiteral("Canon FD"))}},
                 {QStringLiteral("12"), QVariantList{stored(QStringLiteral("121"), QStringLiteral("Included"))}}});
    auto* type = qobject_cast<QMPopupAttributeViewController*>(view->controllerForAttributeWithID(10));
    auto* mount = qobject_cast<QMPopupAttributeViewController*>(view->controllerForAttributeWithID(11));
    auto* adapter = view->controllerForAttributeWithID(12);
    ASSERT_TRUE(type && mount && adapter);
    // A child listed only under its parent follows it.
    EXPECT_EQ(view->attributeControllers().indexOf(mount), view->attributeControllers().indexOf(type) + 1);

    EXPECT_TRUE(mount->isActive());
    EXPECT_TRUE(adapter->isActive());
    EXPECT_EQ(mount->popup()->count(), 2);
    EXPECT_EQ(mount->popup()->currentText(), QStringLiteral("Canon FD"));
    EXPECT_TRUE(adapter->principalControl()->isEnabled());
    EXPECT_EQ(view->selectedAttributeValues().keys(), QStringList({"10", "11", "12", "13"}));

    // A rangefinder allows only the Leica mount; the stored Canon mount is gone, and with it the
    // adapter.
    type->popup()->setCurrentIndex(1);
    type->popupChanged();
    EXPECT_TRUE(mount->isActive());
    EXPECT_EQ(mount->popup()->count(), 1);
    EXPECT_EQ(names(*mount->selectedValues()), QStringList{"113=Leica M"});
    EXPECT_FALSE(adapter->isActive());
    EXPECT_FALSE(adapter->principalControl()->isEnabled());

    // Back to SLR: the child shows the listing's stored value again, and the grandchild returns.
    type->popup()->setCurrentIndex(0);
    type->popupChanged();
    EXPECT_EQ(mount->popup()->currentText(), QStringLiteral("Canon FD"));
    EXPECT_TRUE(adapter->isActive());

    // "Other" has no dependency: child and grandchild go, and leave the result.
    type->popup()->setCurrentIndex(3);
    type->popupChanged();
    EXPECT_FALSE(mount->isActive());
    EXPECT_FALSE(adapter->isActive());
    EXPECT_FALSE(mount->principalControl()->isEnabled());
    EXPECT_EQ(view->selectedAttributeValues().keys(), QStringList({"10", "13"}));
    // The other value is typed beside the pop-up; an empty one still counts as chosen.
    EXPECT_TRUE(type->otherValueField()->isEnabled());
    EXPECT_EQ(names(*type->selectedValues()), QStringList{"-6="});
    type->otherValueField()->setText(QStringLiteral("Box camera"));
    EXPECT_EQ(names(*type->selectedValues()), QStringList{"-6=Box camera"});
    EXPECT_TRUE(view->erroneousAttributeControllers().isEmpty());
}

TEST_F(AttributeEditor, MotorsSiteHidesPassengerVehicleAttributes)
{
    struct Row
    {
        const char* name;
        int siteID;
        QList<qint64> shown;
    };
    const Row rows[] = {
        {"eBay Motors: no make or model, only Motors visibility 1 and 4", 100, {43, 42}},
        {"US site: everything", 0, {43, 39, 42, 41, 44}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto view = setView(1137, row.siteID);
        QList<qint64> shown;
        for (const auto* controller : view->attributeControllers())
            shown.append(controller->attribute()->identifier());
        EXPECT_EQ(shown, row.shown);
    }
}

TEST_F(AttributeEditor, RadioClickReportsExactlyTheClickedValue)
{
    // Stored data naming two values ticks both until the user clicks.
    const auto made = controller(3010, 30,
                                 ValueList{QMEbayAttributeValue(QStringLiteral("301"), QStringLiteral("New")),
                                           QMEbayAttributeValue(QStringLiteral("302"), QStringLiteral("Used"))});
    auto* radio = qobject_cast<QMCheckboxAttributeViewController*>(made.get());
    ASSERT_TRUE(radio && radio->isRadioAttribute());
    EXPECT_EQ(names(*radio->selectedValues()), QStringList({"301=New", "302=Used"}));
    EXPECT_TRUE(radio->buttonForRow(0)->isChecked() && radio->buttonForRow(1)->isChecked());

    radio->buttonForRow(2)->click();
    EXPECT_EQ(names(*radio->selectedValues()), QStringList{"303=For parts or not working"});
    EXPECT_FALSE(radio->buttonForRow(0)->isChecked() || radio->buttonForRow(1)->isChecked());
    // Clicking the chosen button keeps it chosen.
    radio->buttonForRow(2)->click();
    EXPECT_TRUE(radio->buttonForRow(2)->isChecked());
    EXPECT_EQ(radio->selectedValues()->size(), 1);

    // Checkboxes toggle, and report in the order of the values.
    auto features = controller(1785, 13);
    auto* boxes = qobject_cast<QMCheckboxAttributeViewController*>(features.get());
    boxes->buttonForRow(2)->click();
    boxes->buttonForRow(0)->click();
    boxes->buttonForRow(3)->click();
    boxes->buttonForRow(3)->click();
    EXPECT_EQ(names(*boxes->selectedValues()), QStringList({"131=Autofocus", "133=Self-timer"}));
    EXPECT_EQ(boxes->objectValue(QStringLiteral("state"), 2), QVariant(true));
    EXPECT_EQ(boxes->objectValue(QStringLiteral("name"), 1), QVariant(QStringLiteral("Built-in Flash")));
}

TEST_F(AttributeEditor, DatesInTheirFormats)
{
    // "c": day and month pop-ups (long names) and a free year field.
    auto bought = controller(2040, 22);
    auto* date = qobject_cast<QMDateAttributeViewController*>(bought.get());
    ASSERT_TRUE(date);
    EXPECT_EQ(date->dateFormat(), QStringLiteral("D-M-Y"));
    EXPECT_TRUE(date->hasDayPopup() && date->hasMonthPopup() && date->hasYearField());
    EXPECT_FALSE(date->yearField()->isHidden());
    EXPECT_TRUE(date->yearPopup()->isHidden());
    date->yearField()->setText(QStringLiteral("2009"));
    date->monthPopup()->setCurrentIndex(2);
    date->dayPopup()->setCurrentIndex(6);
    const auto chosen = *date->selectedValues();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.first().identifier(), QStringLiteral("0"));
    EXPECT_EQ(chosen.first().name(), QStringLiteral("20090307"));
    EXPECT_EQ(chosen.first().displayName(), QStringLiteral("2009-March-7"));

    // A two-digit year is no year.
    date->yearField()->setText(QStringLiteral("09"));
    EXPECT_TRUE(date->selectedValues()->isEmpty());

    // "Y-m" with years as values: a year pop-up and short month names. A stored "200911" selects
    // 2009 and November; the pop-up's "-" reports nothing.
    auto manufactured =
        controller(2040, 20, ValueList{QMEbayAttributeValue(QStringLiteral("0"), QStringLiteral("200911"))});
    auto* yearMonth = qobject_cast<QMDateAttributeViewController*>(manufactured.get());
    EXPECT_TRUE(yearMonth->yearField()->isHidden());
    EXPECT_TRUE(yearMonth->dayPopup()->isHidden());
    EXPECT_EQ(yearMonth->yearPopup()->currentText(), QStringLiteral("2009"));
    EXPECT_EQ(yearMonth->monthPopup()->currentIndex(), 10);
    EXPECT_EQ(yearMonth->monthPopup()->currentText(), QStringLiteral("Nov"));
    EXPECT_EQ(yearMonth->selectedValues()->first().name(), QStringLiteral("200911"));
    EXPECT_EQ(yearMonth->selectedValues()->first().displayName(), QStringLiteral("2009-Nov"));
    yearMonth->yearPopup()->setCurrentIndex(0);
    EXPECT_TRUE(yearMonth->selectedValues()->isEmpty());

    // A stored month out of range leaves the pop-up as it was.
    auto outOfRange =
        controller(2040, 20, ValueList{QMEbayAttributeValue(QStringLiteral("0"), QStringLiteral("200913"))});
    EXPECT_EQ(qobject_cast<QMDateAttributeViewController*>(outOfRange.get())->monthPopup()->currentIndex(), 0);
}

TEST_F(AttributeEditor, WhatEachKindReports)
{
    // Equal titles are numbered in the pop-up; the choice is read by index.
    auto popupController = controller(5005, 51);
    auto* popup = qobject_cast<QMPopupAttributeViewController*>(popupController.get());
    QStringList titles;
    for (int i = 0; i < popup->popup()->count(); ++i)
        titles.append(popup->popup()->itemText(i));
    EXPECT_EQ(titles, QStringList({"Same", "Same (2)", "Same (3)"}));
    EXPECT_TRUE(popup->otherValueField()->isHidden());
    popup->popup()->setCurrentIndex(2);
    EXPECT_EQ(names(*popup->selectedValues()), QStringList{"513=Other name"});

    // The same text: a text field reports identifier 0 (nothing when empty), a text area -6 (an
    // empty list when empty).
    auto field = controller(5005, 55);
    auto area = controller(5005, 56);
    EXPECT_FALSE(field->selectedValues().has_value());
    EXPECT_TRUE(area->selectedValues().has_value() && area->selectedValues()->isEmpty());
    qobject_cast<QMTextFieldAttributeViewController*>(field.get())->textField()->setText(QStringLiteral("abc"));
    qobject_cast<QMTextAreaAttributeViewController*>(area.get())->textView()->setPlainText(QStringLiteral("abc"));
    EXPECT_EQ(names(*field->selectedValues()), QStringList{"0=abc"});
    EXPECT_EQ(names(*area->selectedValues()), QStringList{"-6=abc"});

    // A single checkbox, also toggled through its name.
    auto single = controller(5005, 52);
    auto* checkbox = qobject_cast<QMSingleCheckboxAttributeViewController*>(single.get());
    EXPECT_EQ(checkbox->nameField()->text(), QStringLiteral("Yes"));
    EXPECT_TRUE(checkbox->selectedValues()->isEmpty());
    checkbox->nameFieldClicked();
    EXPECT_EQ(names(*checkbox->selectedValues()), QStringList{"521=Yes"});
}

TEST_F(AttributeEditor, FailedRulesTurnTheLabelRedUntilTheyPass)
{
    auto features = controller(1785, 13);
    auto* boxes = qobject_cast<QMCheckboxAttributeViewController*>(features.get());
    for (int row = 0; row < 3; ++row)
        boxes->buttonForRow(row)->click();
    features->validateAttributeRules();
    EXPECT_TRUE(features->isErroneous());
    ASSERT_TRUE(features->lastErroneousRule());
    EXPECT_EQ(features->lastErroneousRule()->type(), 9);
    EXPECT_EQ(features->labelTextField()->palette().color(QPalette::WindowText), QColor(Qt::red));

    boxes->buttonForRow(0)->click();
    features->validateAttributeRules();
    EXPECT_FALSE(features->isErroneous());
    EXPECT_EQ(features->lastErroneousRule(), nullptr);
    // Back to the theme's own text colour, which a dark theme makes light.
    EXPECT_FALSE(features->labelColor().isValid());
    EXPECT_NE(features->labelTextField()->palette().color(QPalette::WindowText), QColor(Qt::red));
}

TEST_F(AttributeEditor, DependencyCycleInTheStoreEnds)
{
    // "First" = one activates "Second", whose "uno" activates "First" again.
    dw::ScopedConsoleCapture console;
    const auto view = setView(4004);
    auto* first = qobject_cast<QMPopupAttributeViewController*>(view->controllerForAttributeWithID(40));
    auto* second = qobject_cast<QMPopupAttributeViewController*>(view->controllerForAttributeWithID(45));
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->isActive() && second->isActive());
    EXPECT_FALSE(console.lines().filter(QStringLiteral("dependency cycle")).isEmpty());

    // A change inside the cycle ends too: "dos" deactivates "First", which in turn deactivates
    // "Second" itself.
    second->popup()->setCurrentIndex(1);
    second->popupChanged();
    EXPECT_FALSE(first->isActive());
    EXPECT_FALSE(second->isActive());
    EXPECT_TRUE(view->selectedAttributeValues().isEmpty());
}

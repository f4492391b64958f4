#include "DWKit/widgets/NSMenu+DWExtensions.h"
#include "DWKit/widgets/NSPopUpButton+DWExtensions.h"
#include "DWKit/widgets/NSToolbar+DWExtensions.h"
#include "DWKit/widgets/NSView+DWExtensions.h"
#include "DWKit/widgets/NSWindow+DWExtension.h"
#include "DWKit/widgets/NSWorkspace+DWExtensions.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/KeyValueCoding.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QLabel>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A target for menu items and a bound object for pop-ups.
class Receiver : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qint64 condition READ condition WRITE setCondition NOTIFY conditionChanged)

public:
    qint64 condition() const { return m_condition; }
    void setCondition(qint64 value)
    {
        if (value == m_condition)
            return;
        m_condition = value;
        Q_EMIT conditionChanged();
    }

    QStringList calls;

public Q_SLOTS:
    void showDebugWindow(QObject* sender) { calls << QStringLiteral("showDebugWindow from ") + sender->objectName(); }
    void checkForUpdates() { calls << QStringLiteral("checkForUpdates"); }

Q_SIGNALS:
    void conditionChanged();

private:
    qint64 m_condition = 0;
};

// A model object: key-value coding and a change signal per key.
class Listing : public QObject, public dw::KeyValueCoding
{
    Q_OBJECT

public:
    QVariant valueForKey(const QString& key) const override { return m_values.value(key); }
    bool setValueForKey(const QVariant& value, const QString& key) override
    {
        m_values.insert(key, value);
        Q_EMIT keyChanged(key);
        return true;
    }

Q_SIGNALS:
    void keyChanged(const QString& key);

private:
    QVariantMap m_values;
};

QWidget* childAt(QWidget* parent, QRect geometry, bool hidden = false)
{
    auto* child = new QWidget(parent);
    child->setGeometry(geometry);
    child->setHidden(hidden);
    return child;
}

} // namespace

TEST(ViewExtensions, FindsViewsByClassUpAndDown)
{
    QWidget root;
    auto* label = new QLabel(&root); // a QFrame subclass
    auto* inner = new QWidget(label);

    EXPECT_EQ(dw::enclosingViewOfClass<QFrame>(inner), label);
    EXPECT_EQ(dw::enclosingViewOfClass<QFrame>(label), nullptr) << "the search starts at the parent";
    EXPECT_EQ(dw::firstSubviewOfClass<QFrame>(&root), nullptr) << "subclasses do not match";
    EXPECT_EQ(dw::firstSubviewOfClass<QLabel>(&root), label);
}

TEST(ViewExtensions, AreaOccupiedByVisibleSubviews)
{
    QWidget empty;
    EXPECT_EQ(dw::areaOccupiedBySubviews(&empty), QSize(0, 0));

    QWidget view;
    childAt(&view, QRect(0, 0, 100, 50));
    childAt(&view, QRect(20, 60, 50, 30));
    childAt(&view, QRect(300, 300, 10, 10), true);
    EXPECT_EQ(dw::areaOccupiedBySubviews(&view), QSize(100, 90));
}

TEST(ViewExtensions, CentresInParentAndSnapshots)
{
    QWidget parent;
    parent.resize(200, 100);
    auto* child = childAt(&parent, QRect(0, 0, 50, 20));
    child->setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::red);
    child->setPalette(palette);

    dw::centerInSuperviewFrame(child);
    EXPECT_EQ(child->pos(), QPoint(75, 40));

    const QImage part = dw::snapshotImageFromRect(&parent, QRect(70, 35, 20, 20));
    EXPECT_EQ(part.size(), QSize(20, 20) * part.devicePixelRatio());
    EXPECT_EQ(part.pixelColor(10, 10), QColor(Qt::red));
}

TEST(WindowExtensions, ContentSwapKeepsTopEdgeAndCentre)
{
    QMainWindow window;
    window.addToolBar(QStringLiteral("Panes"));
    auto* general = new QWidget;
    window.setCentralWidget(general);
    window.setGeometry(100, 100, 400, 300);
    window.show();
    const int chrome = dw::toolbarHeight(&window);
    ASSERT_GT(chrome, 0);
    window.setGeometry(100, 100, 400, 300 + chrome);
    ASSERT_TRUE(QTest::qWaitFor([&] { return general->size() == QSize(400, 300); }));
    const QRect before = window.geometry();

    auto* upload = new QWidget;
    upload->resize(500, 200);
    dw::changeContentViewToView(&window, upload, true, false);

    const QRect after = window.geometry();
    EXPECT_EQ(after.left(), before.left() - 50);
    EXPECT_EQ(after.top(), before.top());
    EXPECT_EQ(after.bottom(), before.bottom() - 100);
    EXPECT_EQ(window.centralWidget(), upload);
    EXPECT_EQ(general->parent(), &window) << "the former pane stays owned by the window";
    EXPECT_TRUE(general->isHidden());
    ASSERT_TRUE(QTest::qWaitFor([&] { return upload->size() == QSize(500, 200); }));

    QMainWindow plain;
    plain.setCentralWidget(new QWidget);
    EXPECT_EQ(dw::toolbarHeight(&plain), 0);
}

TEST(ToolbarExtensions, SelectsItemsByTag)
{
    QToolBar toolbar;
    QActionGroup panes(&toolbar);
    for (int tag : {10, 20}) {
        QAction* item = toolbar.addAction(QStringLiteral("Pane %1").arg(tag));
        item->setObjectName(QStringLiteral("pane%1").arg(tag));
        item->setProperty(dw::kTagProperty, tag);
        item->setCheckable(true);
        panes.addAction(item);
    }
    EXPECT_EQ(dw::itemWithIdentifier(&toolbar, QStringLiteral("pane20"))->text(), QStringLiteral("Pane 20"));
    EXPECT_EQ(dw::itemWithIdentifier(&toolbar, QStringLiteral("none")), nullptr);

    EXPECT_TRUE(dw::selectItemWithTag(&toolbar, 20));
    EXPECT_TRUE(dw::itemWithIdentifier(&toolbar, QStringLiteral("pane20"))->isChecked());
    EXPECT_FALSE(dw::selectItemWithTag(&toolbar, 99));
    EXPECT_TRUE(dw::itemWithIdentifier(&toolbar, QStringLiteral("pane20"))->isChecked());
}

TEST(MenuExtensions, AddsTriggersAndRemovesItemsByAction)
{
    QMenu menu;
    EXPECT_EQ(dw::lastItem(&menu), nullptr);

    Receiver controller;
    Receiver other;
    QAction* debug = dw::addItemWithTitle(&menu, QStringLiteral("Debug"), QStringLiteral("showDebugWindow:"),
                                          QStringLiteral("D"), 7, &controller, 1);
    debug->setObjectName(QStringLiteral("debugItem"));
    dw::addItemWithTitle(&menu, QStringLiteral("Updates"), QStringLiteral("checkForUpdates:"), QString(), 8, &other, 0);
    dw::addItemWithTitle(&menu, QStringLiteral("Updates"), QStringLiteral("checkForUpdates:"), QString(), 9,
                         &controller, 0);
    EXPECT_EQ(dw::lastItem(&menu)->property(dw::kTagProperty).toLongLong(), 9);
    EXPECT_EQ(debug->property(dw::kIndentationLevelProperty).toInt(), 1);
    EXPECT_EQ(debug->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+D")));

    debug->trigger();
    dw::lastItem(&menu)->trigger();
    EXPECT_EQ(controller.calls,
              QStringList({QStringLiteral("showDebugWindow from debugItem"), QStringLiteral("checkForUpdates")}));

    dw::ScopedConsoleCapture console;
    dw::removeItemsWithTarget(&menu, &controller, {QStringLiteral("checkForUpdates:"), QStringLiteral("revert:")});
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(menu.actions().at(1)->property(dw::kTagProperty).toLongLong(), 8) << "only the controller's item went";
    EXPECT_TRUE(console.contains(QStringLiteral("could not find menu item with action: revert:")));

    dw::removeItemsWithActions(&menu, {QStringLiteral("checkForUpdates:")});
    EXPECT_EQ(menu.actions().size(), 1);
}

TEST(PopUpExtensions, SelectsByRepresentedObject)
{
    QComboBox popUp;
    popUp.addItem(QStringLiteral("Germany"));
    popUp.setItemData(0, QStringLiteral("DE"), dw::kRepresentedObjectRole);
    popUp.addItem(QStringLiteral("Austria"));
    popUp.setItemData(1, QStringLiteral("AT"), dw::kRepresentedObjectRole);

    dw::selectItemRepresentingObject(&popUp, QStringLiteral("AT"));
    EXPECT_EQ(popUp.currentIndex(), 1);
    dw::selectItemRepresentingObject(&popUp, QStringLiteral("CH"));
    EXPECT_EQ(popUp.currentIndex(), -1);
}

TEST(PopUpExtensions, UpdatedBindingShowsTheBoundValueAfterRebuilding)
{
    QComboBox popUp;
    Receiver listing;
    listing.setCondition(3000);
    auto fill = [&](std::initializer_list<int> tags) {
        popUp.clear();
        for (int tag : tags)
            popUp.addItem(QString::number(tag), tag);
    };

    fill({1000, 3000});
    dw::bind(&popUp, QStringLiteral("selectedTag"), &listing, QStringLiteral("condition"));
    EXPECT_EQ(popUp.currentText(), QStringLiteral("3000"));

    fill({1500, 2000, 3000});
    EXPECT_EQ(popUp.currentIndex(), 0) << "a rebuilt pop-up shows its first item until the binding is updated";
    dw::updateBinding(&popUp, QStringLiteral("selectedTag"));
    EXPECT_EQ(popUp.currentText(), QStringLiteral("3000"));

    Q_EMIT popUp.activated(1);
    EXPECT_EQ(listing.condition(), 2000) << "the user's choice goes to the bound object";
    listing.setCondition(1500);
    EXPECT_EQ(popUp.currentText(), QStringLiteral("1500")) << "a change of the object shows in the pop-up";

    const auto info = dw::infoForBinding(&popUp, QStringLiteral("selectedTag"));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->observedObject, &listing);
    EXPECT_EQ(info->keyPath, QStringLiteral("condition"));

    try {
        dw::updateBinding(&popUp, QString());
        ADD_FAILURE() << "an empty binding name was accepted";
    } catch (const dw::InternalInconsistency& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid parameter not satisfying: 0 < [inBinding length]"));
    }
}

TEST(PopUpExtensions, BindingToAModelObjectFollowsItsKey)
{
    QComboBox popUp;
    for (int tag : {0, 1000, 3000})
        popUp.addItem(QString::number(tag), tag);
    Listing listing;
    listing.setValueForKey(1000, QStringLiteral("conditionID"));
    dw::bind(&popUp, QStringLiteral("selectedTag"), &listing, QStringLiteral("conditionID"));
    EXPECT_EQ(popUp.currentIndex(), 1);

    listing.setValueForKey(3000, QStringLiteral("conditionID"));
    EXPECT_EQ(popUp.currentIndex(), 2);
    Q_EMIT popUp.activated(0);
    EXPECT_EQ(listing.valueForKey(QStringLiteral("conditionID")).toInt(), 0);
}

TEST(WorkspaceExtensions, ProcessTableListsThisProcess)
{
    const QVariantList processes = dw::launchedBSDProcessInformations();
    const QString ownId = QString::number(::getpid());
    const auto own = std::find_if(processes.begin(), processes.end(),
                                  [&](const QVariant& p) { return p.toMap().value(QStringLiteral("id")) == ownId; });
    ASSERT_NE(own, processes.end());
    EXPECT_EQ(own->toMap().value(QStringLiteral("name")).toString(),
              QCoreApplication::applicationFilePath().section(u'/', -1).left(15));
    EXPECT_FALSE(dw::amIAlreadyRunning());
    EXPECT_FALSE(dw::iconForAppWithBundleIdentifier(QStringLiteral("no.such.application")).isNull());
}

#include "ViewAndWindowExtensionsTest.moc"

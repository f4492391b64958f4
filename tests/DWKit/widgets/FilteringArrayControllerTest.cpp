#include "DWKit/widgets/FilteringArrayController.h"

#include <QLineEdit>
#include <QStandardItemModel>
#include <gtest/gtest.h>

namespace {

class Titled : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString title MEMBER m_title)

public:
    explicit Titled(QString title) : m_title(std::move(title)) {}

private:
    QString m_title;
};

class KeepNumbers : public FilteringArrayControllerDelegate
{
public:
    bool arrayController(FilteringArrayController*, const QVariant& item) override
    {
        return item.typeId() == QMetaType::Int;
    }
};

QStringList shown(const FilteringArrayController& controller)
{
    QStringList result;
    for (int row = 0; row < controller.rowCount(); ++row)
        result << controller.index(row, 0).data(Qt::DisplayRole).toString();
    return result;
}

} // namespace

TEST(FilteringArrayController, SearchKeepsStringsAndTitlesThatContainTheText)
{
    Titled camping(QStringLiteral("CAMPING gear"));
    Titled stove(QStringLiteral("Stove"));
    QStandardItemModel objects;
    auto add = [&](const QString& label, const QVariant& object) {
        auto* item = new QStandardItem(label);
        item->setData(object, Qt::UserRole);
        objects.appendRow(item);
    };
    add(QStringLiteral("Camera"), QStringLiteral("Camera"));
    add(QStringLiteral("camping"), QVariant::fromValue<QObject*>(&camping));
    add(QStringLiteral("Webcam stand"), QStringLiteral("Webcam stand"));
    add(QStringLiteral("stove"), QVariant::fromValue<QObject*>(&stove));
    add(QStringLiteral("five"), 5);

    FilteringArrayController controller;
    controller.setObjectRole(Qt::UserRole);
    controller.setSourceModel(&objects);
    EXPECT_EQ(controller.rowCount(), 5);

    controller.setSearchString(QStringLiteral("cAm"));
    controller.search(nullptr);
    EXPECT_EQ(shown(controller), QStringList({"Camera", "camping", "Webcam stand"}))
        << "plain substrings in any case; untitled objects go without a delegate";

    KeepNumbers delegate;
    controller.setDelegate(&delegate);
    controller.search(nullptr);
    EXPECT_EQ(shown(controller), QStringList({"Camera", "camping", "Webcam stand", "five"}));

    controller.setSearchString(QString());
    controller.search(nullptr);
    EXPECT_EQ(controller.rowCount(), 5);
    EXPECT_EQ(controller.arrangeObjects({QStringLiteral("a"), 1}).size(), 2);
}

TEST(FilteringArrayController, SearchFieldKeepsItsInsertionPoint)
{
    QStandardItemModel objects;
    objects.appendRow(new QStandardItem(QStringLiteral("Lens")));
    FilteringArrayController controller;
    controller.setSourceModel(&objects);
    QLineEdit field;
    field.setText(QStringLiteral("len"));
    field.setCursorPosition(2);

    controller.setSearchString(field.text());
    controller.search(&field);
    EXPECT_EQ(field.cursorPosition(), 2);
    EXPECT_FALSE(field.hasSelectedText());
    EXPECT_EQ(controller.rowCount(), 1);
}

#include "FilteringArrayControllerTest.moc"

// Every generated class against the checked-in catalogue it was generated from.
#include "DWEBay2/types/EBayTypes.h"
#include "DWGeneratedObject/DWGeneratedObject.h"

#include <QFile>
#include <QSet>
#include <QTextStream>

#include <gtest/gtest.h>

#include <map>

namespace {

struct CatalogueRow
{
    QString kind, xmlName, key, type;
};

struct CatalogueClass
{
    QString name, superclass, kind, elementName;
    bool simple = false;
    QList<CatalogueRow> rows;
};

struct Catalogue
{
    std::map<QString, CatalogueClass> classes;
    QSet<QString> textTypes;
    int rowCount = 0;
};

const Catalogue& catalogue()
{
    static const Catalogue result = [] {
        Catalogue c;
        QFile file(QStringLiteral(DW_EBAY_CATALOGUE));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return c;
        QTextStream in(&file);
        CatalogueClass* current = nullptr;
        while (!in.atEnd()) {
            const QString line = in.readLine();
            if (line.trimmed().isEmpty() || line.startsWith(u'#'))
                continue;
            const QStringList cells = line.split(u'\t');
            if (cells.at(0) == QStringLiteral("text")) {
                c.textTypes.insert(cells.at(1));
            } else if (cells.at(0) == QStringLiteral("class")) {
                CatalogueClass cls;
                cls.name = cells.at(1);
                cls.superclass = cells.at(2);
                cls.kind = cells.at(3);
                cls.elementName = cells.at(4) == QStringLiteral("-") ? QString() : cells.at(4);
                cls.simple = cells.mid(5).contains(QStringLiteral("simple"));
                current = &c.classes.emplace(cls.name, cls).first->second;
            } else {
                current->rows.append({cells.at(0), cells.at(1), cells.at(2), cells.at(3)});
                ++c.rowCount;
            }
        }
        return c;
    }();
    return result;
}

QString lowerFirst(const QString& text)
{
    return text.left(1).toLower() + text.mid(1);
}

const QSet<QString>& builtInTypes()
{
    static const QSet<QString> types{QStringLiteral("NSString"), QStringLiteral("NSDate"), QStringLiteral("NSData"),
                                     QStringLiteral("BOOL"),     QStringLiteral("int"),    QStringLiteral("long long"),
                                     QStringLiteral("float"),    QStringLiteral("double")};
    return types;
}

// A value for every field, nested records filled down to a depth, so that writing and reading
// pass every generated accessor.
void fill(DWGeneratedObject& object, int depth)
{
    const DWGeneratedClass& cls = object.generatedClass();
    for (int i = 0; i < cls.fieldCount(); ++i) {
        const DWFieldRow& row = cls.field(i);
        auto itemValue = [&](int n) -> QVariant {
            switch (row.valueType) {
            case DWValueType::Text:
                return QStringLiteral("%1 %2 <&>").arg(QString::fromLatin1(row.key)).arg(n);
            case DWValueType::Date:
                return QDateTime(QDate(2024, 2, 29), QTime(12, 0, 0, i), Qt::UTC).addDays(n);
            case DWValueType::Data:
                return QByteArray(QByteArray("\x00\xff", 2) + QByteArray::number(i + n));
            case DWValueType::Bool:
                return true;
            case DWValueType::Integer:
                return qlonglong(i + 1) * 1000000007LL;
            case DWValueType::Double:
                return i + 0.25;
            case DWValueType::Object: {
                DWGeneratedObjectPtr nested = row.objectClass().create();
                if (depth < 2)
                    fill(*nested, depth + 1);
                return DWGeneratedObject::variantFromObject(nested);
            }
            }
            return {};
        };
        const QVariant value =
            row.kind == DWFieldKind::Repeated ? QVariant(QVariantList{itemValue(1), itemValue(2)}) : itemValue(0);
        ASSERT_TRUE(object.setFieldValue(i, value)) << cls.name().toStdString() << "." << row.key;
        EXPECT_TRUE(object.fieldValue(i).isValid()) << cls.name().toStdString() << "." << row.key;
    }
}

} // namespace

TEST(EBayCatalogue, CountsOfClassesRowsAndTextTypes)
{
    const Catalogue& c = catalogue();
    ASSERT_FALSE(c.classes.empty()) << "catalogue not found at " << DW_EBAY_CATALOGUE;
    int catalogueData = 0, catalogueMessages = 0, catalogueElementNames = 0;
    QSet<QString> catalogueCalls;
    for (const auto& [name, entry] : c.classes) {
        (entry.kind == QStringLiteral("message") ? catalogueMessages : catalogueData)++;
        if (entry.elementName.isEmpty())
            continue;
        ++catalogueElementNames;
        catalogueCalls.insert(entry.elementName.endsWith(QStringLiteral("Request")) ? entry.elementName.chopped(7)
                                                                                    : entry.elementName.chopped(8));
    }

    const auto& registered = EBayTypes::registry().allClasses();
    EXPECT_EQ(registered.size(), qsizetype(c.classes.size()));
    int data = 0, messages = 0, withElementName = 0, rows = 0;
    QSet<QString> calls, textTypes;
    for (const DWGeneratedClass* cls : registered) {
        (cls->kind() == DWGeneratedClass::DataType ? data : messages)++;
        rows += int(cls->ownFields().size());
        for (const DWFieldRow& row : cls->ownFields()) {
            const QString type = QString::fromLatin1(row.typeName);
            if (row.valueType == DWValueType::Text && !builtInTypes().contains(type))
                textTypes.insert(type);
        }
        const QString elementName = cls->elementName();
        if (elementName.isEmpty())
            continue;
        ++withElementName;
        calls.insert(elementName.endsWith(QStringLiteral("Request")) ? elementName.chopped(7) : elementName.chopped(8));
    }
    EXPECT_EQ(data, catalogueData);
    EXPECT_EQ(messages, catalogueMessages);
    EXPECT_EQ(withElementName, catalogueElementNames);
    EXPECT_EQ(rows, c.rowCount);
    EXPECT_EQ(calls, catalogueCalls);
    // Every call has both of its messages.
    for (const QString& call : std::as_const(calls)) {
        EXPECT_TRUE(EBayTypes::registry().requestClassForCall(call)) << call.toStdString();
        EXPECT_TRUE(EBayTypes::registry().responseClassForCall(call)) << call.toStdString();
    }
    // Every declared text type is in use, as the generator demands.
    EXPECT_EQ(textTypes, c.textTypes);
}

TEST(EBayCatalogue, EveryClassAnswersItsRowsThroughItsTables)
{
    for (const auto& [name, entry] : catalogue().classes) {
        SCOPED_TRACE(name.toStdString());
        const DWGeneratedClass* cls = EBayTypes::registry().classNamed(name);
        ASSERT_TRUE(cls);
        EXPECT_EQ(cls->superclass()->name(), entry.superclass);
        EXPECT_EQ(cls->kind() == DWGeneratedClass::Message, entry.kind == QStringLiteral("message"));
        EXPECT_EQ(cls->elementName(), entry.elementName);
        EXPECT_EQ(cls->hasSimpleContent(), entry.simple);
        EXPECT_EQ(cls->create()->xmlNamespace(), QStringLiteral("urn:ebay:apis:eBLBaseComponents"));
        ASSERT_EQ(cls->ownFields().size(), size_t(entry.rows.size()));

        QStringList ownBooleans, ownBooleanAttributes;
        for (const CatalogueRow& row : entry.rows) {
            SCOPED_TRACE(row.xmlName.toStdString());
            // The key rules, independently of the generator.
            QString expectedKey = lowerFirst(row.xmlName);
            if (row.kind == QStringLiteral("repeated"))
                expectedKey += u's';
            if (row.kind == QStringLiteral("attribute") && row.xmlName == QStringLiteral("id"))
                expectedKey = QStringLiteral("identifier");
            EXPECT_EQ(row.key, expectedKey);
            EXPECT_TRUE(builtInTypes().contains(row.type) || catalogue().textTypes.contains(row.type) ||
                        catalogue().classes.count(row.type));
            EXPECT_GE(cls->fieldIndexForKey(row.key), cls->firstOwnField());

            if (row.kind == QStringLiteral("repeated")) {
                EXPECT_EQ(cls->multiElements().value(row.xmlName), row.key);
                EXPECT_EQ(cls->multiElementsTypes().value(row.xmlName), row.type);
                EXPECT_FALSE(cls->elements().contains(row.xmlName));
            } else if (row.kind == QStringLiteral("attribute")) {
                EXPECT_EQ(cls->attributeKeys().value(row.xmlName), row.key);
                EXPECT_EQ(cls->attributeTypes().value(row.xmlName), row.type);
            } else {
                EXPECT_EQ(cls->elements().value(row.xmlName), row.key);
                EXPECT_EQ(cls->elementTypes().value(row.xmlName), row.type);
            }
            if (row.type == QStringLiteral("BOOL"))
                (row.kind == QStringLiteral("attribute") ? ownBooleanAttributes : ownBooleans).append(row.xmlName);
        }

        // booleanElements: the BOOL rows in order (elements, then attributes), then the base's.
        const DWGeneratedClass* base = cls->superclass();
        EXPECT_EQ(cls->booleanElements(), ownBooleans + ownBooleanAttributes + base->booleanElements());
        // Message tables include their base's rows; no class's key collides with its base's.
        const auto includesBase = [](const DWGeneratedClass::Table& table, const DWGeneratedClass::Table& inherited) {
            for (auto it = inherited.cbegin(); it != inherited.cend(); ++it) {
                if (table.value(it.key()) != it.value())
                    return false;
            }
            return true;
        };
        EXPECT_TRUE(includesBase(cls->elements(), base->elements()));
        EXPECT_TRUE(includesBase(cls->elementTypes(), base->elementTypes()));
        EXPECT_TRUE(includesBase(cls->multiElements(), base->multiElements()));
        EXPECT_TRUE(includesBase(cls->multiElementsTypes(), base->multiElementsTypes()));
        EXPECT_TRUE(includesBase(cls->attributeKeys(), base->attributeKeys()));
        EXPECT_EQ(cls->fieldCount(), base->fieldCount() + int(entry.rows.size()));
        EXPECT_EQ(cls->elements().size() + cls->multiElements().size() + cls->attributeKeys().size(),
                  cls->fieldCount());
    }
}

TEST(EBayCatalogue, EveryClassRoundTripsWithEveryFieldSet)
{
    for (const DWGeneratedClass* cls : EBayTypes::registry().allClasses()) {
        SCOPED_TRACE(cls->name().toStdString());
        DWGeneratedObjectPtr object = cls->create();
        ASSERT_EQ(&object->generatedClass(), cls);
        fill(*object, 0);
        const QByteArray xml = object->xmlRequestData();
        QString error;
        DWGeneratedObjectPtr back = cls->requestWithXMLData(xml, &error);
        ASSERT_TRUE(back) << error.toStdString();
        EXPECT_TRUE(back->isEqual(*object)) << xml.toStdString();

        object->clear();
        EXPECT_TRUE(object->isEqual(*cls->create()));
    }
}

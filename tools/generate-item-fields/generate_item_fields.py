#!/usr/bin/env python3
"""Generates the field code of the listing (QMEbayItem) from its field table.

The table (model/QMEbayItemFields.tsv) is the one place that names the listing's fields. From it
come three files, all included by the listing's own sources:

  QMEbayItemAccessors.inc  getters and setter declarations (inside the class, public)
  QMEbayItemMembers.inc    the members (inside the class, private)
  QMEbayItemFields.inc     the generated setters, the defaults of a new listing, the key-value
                           table, the writing and direct reading of the archive keys and
                           takeFieldValuesFromItem() (compiled through QMEbayItem+Fields.cpp)

The table is checked first: unknown types or archive kinds, a type that a kind cannot carry, names
that are no C++ identifiers or that appear twice fail the build with the line that is wrong.
Only files whose text changes are rewritten. Python standard library only.
"""

import os
import sys

# The build never writes into the source tree, compiled modules included.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "generator-common"))
from generator_common import Row, TableError, check_identifier, read_table, run  # noqa: E402
import generator_common  # noqa: E402

# type: C++ type, how a getter returns it, how a setter takes it, the archive kind
# ("bool", "int", "object" or None), and the expressions of the key-value table and the archive.
# {x} is the stored value, {v} a QVariant, {key} the key literal.
TYPES = {
    "text": dict(cpp="QString", ret="const QString&", param="const QString&", kind="object",
                 get="qm::archive::textValue({x})", conv="{v}.toString()",
                 enc="qm::archive::textValue({x})",
                 dec="qm::archive::decodeText(coder, {key}, owner)"),
    "amount": dict(cpp="QString", ret="const QString&", param="const QString&", kind="object",
                   get="qm::archive::textValue({x})", conv="{v}.toString()",
                   enc="qm::archive::textValue({x})",
                   dec="decodeAmount(coder, {key})"),
    "flag": dict(cpp="bool", ret="bool", param="bool", kind="bool", init="false",
                 get="QVariant({x})", conv="{v}.toBool()",
                 dec="coder.decodeBoolForKey({key})"),
    "int": dict(cpp="int", ret="int", param="int", kind="int", init="0",
                get="QVariant({x})", conv="{v}.toInt()",
                dec="coder.decodeIntForKey({key})"),
    "texts": dict(cpp="QStringList", ret="const QStringList&", param="const QStringList&", kind="object",
                  get="QVariant({x})", conv="qm::fields::texts({v})",
                  enc="QVariant({x})",
                  dec="qm::archive::decodeTexts(coder, {key}, owner).value_or(QStringList())"),
    "data": dict(cpp="QByteArray", ret="const QByteArray&", param="const QByteArray&", kind="object",
                 get="qm::archive::dataValue({x})", conv="{v}.toByteArray()",
                 enc="qm::archive::dataValue({x})",
                 dec="qm::archive::decodeData(coder, {key}, owner)"),
    "map": dict(cpp="QVariantMap", ret="const QVariantMap&", param="const QVariantMap&", kind="object",
                get="QVariant({x})", conv="{v}.toMap()",
                enc="QVariant({x})",
                dec="qm::archive::decodeMap(coder, {key}, owner).value_or(QVariantMap())"),
    "list": dict(cpp="QVariantList", ret="const QVariantList&", param="const QVariantList&", kind="object",
                 get="QVariant({x})", conv="{v}.toList()",
                 enc="QVariant({x})",
                 dec="qm::archive::decodeList(coder, {key}, owner).value_or(QVariantList())"),
    "object": dict(cpp="QVariant", ret="const QVariant&", param="const QVariant&", kind="object",
                   get="{x}", conv="{v}", enc="{x}", dec="coder.decodeObjectForKey({key})"),
    "date": dict(cpp="QDateTime", ret=None, param="const QDateTime&", kind=None,
                 get="qm::fields::dateValue({x})", conv="{v}.toDateTime()"),
    "styled": dict(cpp="std::optional<dw::StyledText>", ret=None, param="const dw::StyledText&", kind=None,
                   mutable=True, get="qm::fields::styledValue(item.itemDescriptionString())",
                   conv="qm::fields::styledText({v})"),
    "pictures": dict(cpp="QList<std::shared_ptr<QMEbayImage>>", ret="const QList<std::shared_ptr<QMEbayImage>>&",
                     param="const QList<std::shared_ptr<QMEbayImage>>&", kind="object",
                     get="qm::fields::objectsValue({x})", setter_from_value="setImagesFromValue",
                     enc="qm::fields::archiveList({x})",
                     dec="qm::archive::decodeObjects<QMEbayImage>(coder, {key}, owner)"
                         ".value_or(QList<std::shared_ptr<QMEbayImage>>())"),
    "shipping": dict(cpp="std::shared_ptr<QMItemShippingOptions>",
                     ret="const std::shared_ptr<QMItemShippingOptions>&",
                     param="const std::shared_ptr<QMItemShippingOptions>&", kind="object",
                     get="dw::archiveValue({x})", conv="dw::archivedObjectCast<QMItemShippingOptions>({v})",
                     enc="dw::archiveValue({x})",
                     dec="qm::archive::decodeObject<QMItemShippingOptions>(coder, {key}, owner)"),
    "videos": dict(cpp="QList<std::shared_ptr<QMYTVideo>>", ret="const QList<std::shared_ptr<QMYTVideo>>&",
                   param="const QList<std::shared_ptr<QMYTVideo>>&", kind="object",
                   get="qm::fields::objectsValue({x})", conv="qm::fields::objects<QMYTVideo>({v})",
                   enc="qm::fields::archiveList({x})",
                   dec="qm::archive::decodeObjects<QMYTVideo>(coder, {key}, owner)"
                       ".value_or(QList<std::shared_ptr<QMYTVideo>>())"),
}
ARCHIVES = {"key", "step", "read", "own", "-"}
SETTERS = {"plain", "money", "tax", "own"}
TAKES = {"yes", "-"}
PREVIEWS = {"reload", "inplace", "observe", "auction", "-"}


class Field:
    def __init__(self, cells, where):
        self.name, self.type, self.archive, self.setter, self.take, self.default, self.preview, self.meaning = cells
        self.where = where
        self.info = TYPES[self.type]
        self.setter_name = "set" + self.name[:1].upper() + self.name[1:]
        self.member = "m_" + self.name
        self.key = 'QStringLiteral("%s")' % self.name


COLUMNS = ("field", "type", "archive", "setter", "take", "default", "preview", "meaning")


def parse_table(path):
    fields = []
    seen = set()
    for row in read_table(path, COLUMNS):
        if not isinstance(row, Row):
            continue
        where = row.where
        name, type_name, archive, setter, take, _default, preview, meaning = row.cells
        check_identifier(name, where)
        if name in seen:
            raise TableError("%s: field %s named twice" % (where, name))
        seen.add(name)
        if type_name not in TYPES:
            raise TableError("%s: unknown type %r" % (where, type_name))
        if archive not in ARCHIVES:
            raise TableError("%s: unknown archive kind %r" % (where, archive))
        if setter not in SETTERS:
            raise TableError("%s: unknown setter kind %r" % (where, setter))
        if take not in TAKES:
            raise TableError("%s: the take column is yes or -, not %r" % (where, take))
        if preview not in PREVIEWS:
            raise TableError("%s: the preview column is reload, inplace, observe, auction or -, not %r"
                             % (where, preview))
        if archive in ("key", "step", "read") and TYPES[type_name]["kind"] is None:
            raise TableError("%s: a %s field is not archived by key" % (where, type_name))
        if setter in ("money", "tax") and type_name not in ("amount", "text"):
            raise TableError("%s: a %s setter stores text" % (where, setter))
        if type_name == "styled" and (setter != "own" or archive != "own"):
            raise TableError("%s: the styled description is written and read by hand" % where)
        if not meaning.strip():
            raise TableError("%s: say in one line what the field means" % where)
        fields.append(Field(row.cells, where))
    return fields


def header_line(source):
    return generator_common.header_line("generate-item-fields", source)


def accessors(fields, source):
    out = [header_line(source)]
    for f in fields:
        out.append("\n    // %s\n" % f.meaning)
        if f.info["ret"] is not None:
            out.append("    %s %s() const { return %s; }\n" % (f.info["ret"], f.name, f.member))
        elif f.type == "styled":
            out.append("    const dw::StyledText& %s() const;\n" % f.name)
        out.append("    void %s(%s value);\n" % (f.setter_name, f.info["param"]))
    return "".join(out)


def members(fields, source):
    out = [header_line(source)]
    for f in fields:
        init = f.info.get("init")
        mutable = "mutable " if f.info.get("mutable") else ""
        out.append("    %s%s %s%s;\n" % (mutable, f.info["cpp"], f.member, " = %s" % init if init else ""))
    return "".join(out)


def setter_body(f):
    if f.setter == "money":
        store = "    %s = formatMoneyText(value);\n" % f.member
    elif f.setter == "tax":
        store = "    %s = formatTaxOrVATValue(value);\n" % f.member
    else:
        store = "    %s = value;\n" % f.member
    return "void QMEbayItem::%s(%s value)\n{\n%s    didChangeValueForKey(%s);\n}\n" % (
        f.setter_name, f.info["param"], store, f.key)


def kvc_set(f):
    if "setter_from_value" in f.info:
        return "item.%s(v)" % f.info["setter_from_value"]
    return "item.%s(%s)" % (f.setter_name, f.info["conv"].format(v="v"))


def kvc_get(f):
    return f.info["get"].format(x="item." + f.member)


def source_file(fields, source):
    out = [header_line(source), """
#include "model/QMEbayItem.h"

#include "model/QMArchiveValues_p.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItemFieldValues_p.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMYTVideo.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QHash>

"""]
    for f in fields:
        if f.setter != "own":
            out.append(setter_body(f) + "\n")

    out.append("void QMEbayItem::applyInitDefaults()\n{\n")
    for f in fields:
        if f.default != "-":
            out.append("    %s = %s;\n" % (f.member, f.default))
    out.append("}\n\n")

    out.append("const QList<QMEbayItemField>& QMEbayItem::fields()\n{\n"
               "    static const QList<QMEbayItemField> list = {\n")
    for f in fields:
        out.append('        {QStringLiteral("%s"), QStringLiteral("%s"), QStringLiteral("%s"), %s, QStringLiteral("%s")},\n'
                   % (f.name, f.type, f.archive, "true" if f.take == "yes" else "false", f.preview))
    out.append("    };\n    return list;\n}\n\n")

    out.append("""namespace {

struct FieldAccess
{
    QVariant (*get)(const QMEbayItem& item);
    void (*set)(QMEbayItem& item, const QVariant& v);
};

} // namespace

""")
    out.append("QVariant QMEbayItem::fieldValueForKey(const QString& key) const\n{\n"
               "    static const QHash<QString, QVariant (*)(const QMEbayItem&)> table = {\n")
    for f in fields:
        out.append("        {%s, [](const QMEbayItem& item) -> QVariant { return %s; }},\n" % (f.key, kvc_get(f)))
    out.append("    };\n"
               "    const auto it = table.constFind(key);\n"
               "    if (it == table.constEnd())\n"
               "        return QVariant();\n"
               "    return (*it)(*this);\n}\n\n")

    out.append("bool QMEbayItem::setFieldValueForKey(const QVariant& value, const QString& key)\n{\n"
               "    static const QHash<QString, void (*)(QMEbayItem&, const QVariant&)> table = {\n")
    for f in fields:
        out.append("        {%s, [](QMEbayItem& item, const QVariant& v) { %s; }},\n" % (f.key, kvc_set(f)))
    out.append("    };\n"
               "    const auto it = table.constFind(key);\n"
               "    if (it == table.constEnd())\n"
               "        return false;\n"
               "    (*it)(*this, value);\n"
               "    return true;\n}\n\n")

    out.append("void QMEbayItem::encodeFields(dw::KeyedArchiver& coder) const\n{\n")
    for f in fields:
        if f.archive not in ("key", "step"):
            continue
        kind = f.info["kind"]
        if kind == "bool":
            out.append("    coder.encodeBool(%s, %s);\n" % (f.member, f.key))
        elif kind == "int":
            out.append("    coder.encodeInt(%s, %s);\n" % (f.member, f.key))
        else:
            out.append("    coder.encodeObject(%s, %s);\n" % (f.info["enc"].format(x=f.member), f.key))
    out.append("}\n\n")

    out.append("void QMEbayItem::decodeFields(dw::KeyedUnarchiver& coder)\n{\n"
               "    const QString owner = archiveClassName();\n")
    for f in fields:
        if f.archive in ("key", "read"):
            out.append("    %s = %s;\n" % (f.member, f.info["dec"].format(key=f.key)))
    out.append("}\n\n")

    out.append("void QMEbayItem::takeFieldValuesFromItem(const QMEbayItem& other)\n{\n")
    for f in fields:
        if f.take != "yes":
            continue
        if f.type == "styled":
            out.append("    %s(other.%s());\n" % (f.setter_name, f.name))
        else:
            out.append("    %s(other.%s);\n" % (f.setter_name, f.member))
    out.append("}\n")
    return "".join(out)


OUTPUTS = ("model/QMEbayItemAccessors.inc", "model/QMEbayItemMembers.inc", "model/QMEbayItemFields.inc")


def generate(table, source, _args):
    fields = parse_table(table)
    return (accessors(fields, source), members(fields, source), source_file(fields, source))


if __name__ == "__main__":
    sys.exit(run(__doc__.splitlines()[0], OUTPUTS, generate))

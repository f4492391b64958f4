#!/usr/bin/env python3
"""Generates the C++ classes of a type catalogue (such as DWEBay2/types/EBayTypes.tsv).

Each catalogue class becomes a class on DWGeneratedObject: a header of its own with the typed
accessors, and its class object, field rows and key access in one of several translation units,
so that a build can compile them in parallel. A registry unit lists every class.

The catalogue is checked first; the build fails on a type that is neither a scalar, NSString,
NSDate, NSData, a catalogue class nor a declared text type, on a key that breaks the key rules,
and on names that would clash in C++.

Only files whose text changes are rewritten, so an unchanged class is not compiled again.
"""

import argparse
import os
import string
import sys
import zlib

# The build never writes into the source tree, compiled modules included.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "generator-common"))
from generator_common import IDENTIFIER, TableError, write_if_changed  # noqa: E402

SCALARS = {
    "BOOL": ("Bool", "bool", "false"),
    "int": ("Integer", "qint64", "0"),
    "long long": ("Integer", "qint64", "0"),
    "float": ("Double", "double", "0.0"),
    "double": ("Double", "double", "0.0"),
}
OBJECT_TYPES = {
    "NSString": ("Text", "QString"),
    "NSDate": ("Date", "QDateTime"),
    "NSData": ("Data", "QByteArray"),
}

# Words that cannot name a C++ function, or that a header included beside ours defines as a macro.
# A key among them keeps its text in the tables; only its getter gets a trailing underscore.
RESERVED = set("""
alignas alignof and and_eq asm auto bitand bitor bool break case catch char char8_t char16_t
char32_t class compl concept const consteval constexpr constinit const_cast continue co_await
co_return co_yield decltype default delete do double dynamic_cast else enum explicit export extern
false float for friend goto if inline int long mutable namespace new noexcept not not_eq nullptr
operator or or_eq private protected public register reinterpret_cast requires return short signed
sizeof static static_assert static_cast struct switch template this thread_local throw true try
typedef typeid typename union unsigned using virtual void volatile wchar_t while xor xor_eq
final override import module
signals slots emit foreach forever
errno assert major minor unix linux stdin stdout stderr
""".split())

# Members of DWGeneratedObject that a generated accessor must not hide.
BASE_MEMBERS = set("""
staticClass generatedClass elements elementTypes multiElements multiElementsTypes attributeKeys
attributeTypes booleanElements hasSimpleContent elementName xmlNamespace requiredNumberElements
valueForKey setValueForKey valueForKeyPath setValueForKeyPath fieldValue setFieldValue
appendFieldValue xmlRequest initWithXMLRequest initWithXMLRequestData initWithXMLBytes requestWithXMLData isEqual
clear variantFromObject objectFromVariant textVariant dateVariant dataVariant boolVariant
integerVariant doubleVariant objectVariant arrayVariant assignText assignDate assignData assignBool
assignInteger assignDouble assignObject assignArray appendArrayItem addArrayItem assertItemPresent
objectOfClass objectsOfClass fieldStorage
kMaxNestingDepth
""".split())
# Members of DWGeneratedObject that a key may take over (see "description" below).
OVERRIDABLE = {"description"}

class CatalogueError(TableError):
    pass


class Row:
    def __init__(self, kind, xml_name, key, type_name, no_add, line):
        self.kind = kind
        self.xml_name = xml_name
        self.key = key
        self.type_name = type_name
        self.no_add = no_add
        self.line = line


class Klass:
    def __init__(self, name, superclass, kind, element_name, simple, additions, line):
        self.name = name
        self.superclass = superclass
        self.kind = kind
        self.element_name = element_name
        self.simple = simple
        self.additions = additions
        self.line = line
        self.rows = []


def lower_first(text):
    return text[:1].lower() + text[1:]


def upper_first(text):
    return text[:1].upper() + text[1:]


def parse_catalogue(path):
    classes = {}
    order = []
    text_types = {}
    current = None
    with open(path, encoding="utf-8") as handle:
        for number, raw in enumerate(handle, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            cells = line.split("\t")
            where = "%s:%d" % (path, number)
            kind = cells[0]
            if kind == "text":
                if len(cells) != 2 or not IDENTIFIER.match(cells[1]):
                    raise CatalogueError("%s: a text line names one type" % where)
                if cells[1] in text_types:
                    raise CatalogueError("%s: text type %s declared twice" % (where, cells[1]))
                text_types[cells[1]] = where
                current = None
            elif kind == "class":
                if len(cells) < 5:
                    raise CatalogueError("%s: a class line has name, superclass, kind and element name" % where)
                name, superclass, class_kind, element_name = cells[1:5]
                simple = False
                additions = None
                for option in cells[5:]:
                    if option == "simple":
                        simple = True
                    elif option.startswith("additions="):
                        additions = option[len("additions="):]
                    else:
                        raise CatalogueError("%s: unknown class option %r" % (where, option))
                if not IDENTIFIER.match(name) or not IDENTIFIER.match(superclass):
                    raise CatalogueError("%s: class and superclass must be identifiers" % where)
                if class_kind not in ("data", "message"):
                    raise CatalogueError("%s: class kind is data or message, not %r" % (where, class_kind))
                if element_name != "-" and not IDENTIFIER.match(element_name):
                    raise CatalogueError("%s: bad element name %r" % (where, element_name))
                if name in classes:
                    raise CatalogueError("%s: class %s defined twice" % (where, name))
                current = Klass(name, superclass, class_kind, None if element_name == "-" else element_name,
                                simple, additions, where)
                classes[name] = current
                order.append(current)
            elif kind in ("element", "repeated", "attribute", "content"):
                if current is None:
                    raise CatalogueError("%s: a row outside a class" % where)
                no_add = False
                if len(cells) == 5 and cells[4] == "noadd" and kind == "repeated":
                    no_add = True
                elif len(cells) != 4:
                    raise CatalogueError("%s: a row has kind, XML name, key and type" % where)
                row = Row(kind, cells[1], cells[2], cells[3], no_add, where)
                current.rows.append(row)
            else:
                raise CatalogueError("%s: unknown line kind %r" % (where, kind))
    return order, classes, text_types


def chain(klass, classes):
    result = []
    seen = set()
    while klass is not None:
        if klass.name in seen:
            raise CatalogueError("%s: class %s is its own superclass" % (klass.line, klass.name))
        seen.add(klass.name)
        result.append(klass)
        klass = classes.get(klass.superclass)
    return result


def value_type(type_name, classes, text_types):
    if type_name in SCALARS:
        return SCALARS[type_name][0]
    if type_name in OBJECT_TYPES:
        return OBJECT_TYPES[type_name][0]
    if type_name in classes:
        return "Object"
    if type_name in text_types:
        return "Text"
    return None


def check(order, classes, text_types, prefix):
    used_text = set()
    for name, where in text_types.items():
        if name in classes or name in SCALARS or name in OBJECT_TYPES:
            raise CatalogueError("%s: %s is declared as text but names a class or a built-in type" % (where, name))
    for klass in order:
        if not klass.name.startswith(prefix) or len(klass.name) == len(prefix):
            raise CatalogueError("%s: class %s does not start with %s" % (klass.line, klass.name, prefix))
        if klass.superclass != "DWGeneratedObject" and klass.superclass not in classes:
            raise CatalogueError("%s: unknown superclass %s of %s" % (klass.line, klass.superclass, klass.name))
        lineage = chain(klass, classes)
        contents = [row for row in klass.rows if row.kind == "content"]
        if klass.simple:
            if len(contents) != 1 or any(row.kind in ("element", "repeated") for row in klass.rows):
                raise CatalogueError("%s: a simple-content class has one content row and no elements" % klass.line)
        elif contents:
            raise CatalogueError("%s: only a simple-content class has a content row" % contents[0].line)
        for row in klass.rows:
            if not IDENTIFIER.match(row.xml_name):
                raise CatalogueError("%s: bad XML name %r" % (row.line, row.xml_name))
            vtype = value_type(row.type_name, classes, text_types)
            if vtype is None:
                raise CatalogueError("%s: unknown type %r (neither a scalar, NSString, NSDate, NSData, a class of "
                                     "the catalogue nor a declared text type)" % (row.line, row.type_name))
            if row.type_name in text_types:
                used_text.add(row.type_name)
            if row.kind == "repeated":
                expected = lower_first(row.xml_name) + "s"
                if vtype in ("Bool", "Integer", "Double"):
                    raise CatalogueError("%s: a repeated element holds no scalars" % row.line)
            elif row.kind == "attribute" and row.xml_name == "id":
                expected = "identifier"  # the one exception to the key rule
            elif row.kind == "content":
                if row.xml_name != "contents" or vtype == "Object":
                    raise CatalogueError("%s: simple content is \"contents\" of a plain type" % row.line)
                expected = "contents"
            else:
                expected = lower_first(row.xml_name)
            if row.key != expected:
                raise CatalogueError("%s: key %r of %s breaks the key rules (expected %r)"
                                     % (row.line, row.key, row.xml_name, expected))
            if row.kind == "attribute" and vtype == "Object":
                raise CatalogueError("%s: an attribute holds a plain value, not a %s" % (row.line, row.type_name))
            if row.key in OVERRIDABLE and vtype != "Text":
                raise CatalogueError("%s: a %s key must be text" % (row.line, row.key))
        # Names must be unique over the class and its superclasses.
        element_names, attribute_names, keys, members = {}, {}, {}, {}
        factories = {lower_first(owner.name[len(prefix):]) for owner in lineage}
        for owner in reversed(lineage):
            for row in owner.rows:
                table = attribute_names if row.kind == "attribute" else element_names
                for names, name in ((table, row.xml_name), (keys, row.key)):
                    if name in names:
                        raise CatalogueError("%s: %s of %s clashes with %s" % (row.line, name, owner.name, names[name]))
                    names[name] = row.line
                for member in accessor_names(row):
                    if member in members:
                        raise CatalogueError("%s: accessor %s clashes with %s" % (row.line, member, members[member]))
                    if member in BASE_MEMBERS or member in factories:
                        raise CatalogueError("%s: accessor %s hides a member of the class" % (row.line, member))
                    members[member] = row.line
    unused = sorted(set(text_types) - used_text)
    if unused:
        raise CatalogueError("%s: text type %s is never used" % (text_types[unused[0]], unused[0]))


def getter_name(row):
    return row.key + "_" if row.key in RESERVED else row.key


def accessor_names(row):
    names = [getter_name(row), "set" + upper_first(row.key)]
    if row.kind == "repeated" and not row.no_add:
        names.append("add" + row.xml_name)
    return names


# ---------------------------------------------------------------------------------------------
# Templates. Each looks like the code it becomes.

HEADER = string.Template("""\
// Generated by $generator from $catalogue; do not edit.
#pragma once

$includes
${forwards}class $export$name : public $superclass
{
public:
    $name() = default;
    ~$name() override;

    static std::shared_ptr<$name> $factory();
    static std::shared_ptr<$name> requestWithXMLData(const QByteArray& data, QString* error = nullptr);
    static const DWGeneratedClass& staticClass();
    const DWGeneratedClass& generatedClass() const override;
$accessors$generic$additions$members};
""")

GENERIC_DECLARATIONS = string.Template("""
    QVariant fieldValue(int index) const override;
    bool setFieldValue(int index, const QVariant& value) override;
$append
protected:
    void* fieldStorage(int index) override;

public:""")

CLASS_SOURCE = string.Template("""\
// $name

namespace {

constexpr int k${name}FirstField = $first_field;
$rows
} // namespace

$name::~$name() = default;

const DWGeneratedClass& $name::staticClass()
{
    static const DWGeneratedClass cls("$name", &$superclass::staticClass(), k${name}FirstField, $element_name,
                                      DWGeneratedClass::$kind, $simple, $rows_span,
                                      [] { return DWGeneratedObjectPtr(std::make_shared<$name>()); });
    return cls;
}

const DWGeneratedClass& $name::generatedClass() const
{
    return staticClass();
}

std::shared_ptr<$name> $name::$factory()
{
    return std::make_shared<$name>();
}

std::shared_ptr<$name> $name::requestWithXMLData(const QByteArray& data, QString* error)
{
    return std::static_pointer_cast<$name>(staticClass().requestWithXMLData(data, error));
}
$generic""")

ROWS = string.Template("""
const DWFieldRow k${name}Fields[] = {
$rows};
""")

GENERIC_SOURCE = string.Template("""
QVariant $name::fieldValue(int index) const
{
    switch (index - k${name}FirstField) {
$get_cases    default:
        return $superclass::fieldValue(index);
    }
}

bool $name::setFieldValue(int index, const QVariant& value)
{
    switch (index - k${name}FirstField) {
$set_cases    default:
        return $superclass::setFieldValue(index, value);
    }
}

void* $name::fieldStorage(int index)
{
    switch (index - k${name}FirstField) {
$storage_cases    default:
        return $superclass::fieldStorage(index);
    }
}
$append""")

APPEND_SOURCE = string.Template("""
bool $name::appendFieldValue(int index, const QVariant& item)
{
    switch (index - k${name}FirstField) {
$append_cases    default:
        return $superclass::appendFieldValue(index, item);
    }
}
""")

REGISTRY_HEADER = string.Template("""\
// Generated by $generator from $catalogue; do not edit.
#pragma once

$export_include#include "DWGeneratedObject/DWGeneratedClassRegistry.h"

namespace $registry {

// Every generated class of the catalogue, by class name, root element name and call name.
${export}const DWGeneratedClassRegistry& registry();

} // namespace $registry
""")

REGISTRY_SOURCE = string.Template("""\
// Generated by $generator from $catalogue; do not edit.
#include "$header_dir/$registry.h"

$includes
namespace $registry {

const DWGeneratedClassRegistry& registry()
{
    static const DWGeneratedClassRegistry registry({
$classes    });
    return registry;
}

} // namespace $registry
""")

UNIT_SOURCE = string.Template("""\
// Generated by $generator from $catalogue; do not edit.
$includes
$classes""")


class Generator:
    def __init__(self, args, order, classes):
        self.args = args
        self.order = order
        self.classes = classes
        self.text_types = args.text_types
        self.catalogue = os.path.relpath(args.catalogue, args.root)
        self.generator = os.path.relpath(os.path.abspath(__file__), args.root)

    def header_path(self, name):
        return "%s/%s.h" % (self.args.header_dir, name)

    def cpp_type(self, row):
        if row.type_name in SCALARS:
            item = SCALARS[row.type_name][1]
        elif row.type_name in OBJECT_TYPES:
            item = OBJECT_TYPES[row.type_name][1]
        elif row.type_name in self.classes:
            item = "std::shared_ptr<%s>" % row.type_name
        else:
            item = "QString"
        if row.kind == "repeated":
            return "DWArray<%s>" % item, item
        return item, item

    def vtype(self, row):
        return value_type(row.type_name, self.classes, self.text_types)

    def first_field(self, klass):
        return sum(len(owner.rows) for owner in chain(klass, self.classes)[1:])

    # -- headers

    def header(self, klass):
        includes = []
        if self.args.export_header:
            includes.append('#include "%s"' % self.args.export_header)
        if klass.superclass in self.classes:
            includes.append('#include "%s"' % self.header_path(klass.superclass))
        else:
            includes.append('#include "DWGeneratedObject/DWGeneratedObject.h"')
        forwards = sorted({row.type_name for row in klass.rows if row.type_name in self.classes} - {klass.name})
        accessors = []
        members = []
        for row in klass.rows:
            ctype, item = self.cpp_type(row)
            scalar = row.type_name in SCALARS and row.kind != "repeated"
            returned = ctype if scalar else "const %s&" % ctype
            parameter = ctype if scalar else "const %s&" % ctype
            getter = getter_name(row)
            member = "m_" + row.key
            schema = "  // %s%s" % ("array of " if row.kind == "repeated" else "", row.type_name)
            if row.key in OVERRIDABLE:
                accessors.append("    %s %s() const override { return %s; }%s" % (ctype, getter, member, schema))
            else:
                accessors.append("    %s %s() const { return %s; }%s" % (returned, getter, member, schema))
            accessors.append("    void set%s(%s value) { %s = value; }" % (upper_first(row.key), parameter, member))
            if row.kind == "repeated" and not row.no_add:
                item_parameter = "const %s&" % item
                accessors.append("    void add%s(%s item) { addArrayItem(%s, item); }" % (row.xml_name, item_parameter, member))
            initial = " = %s" % SCALARS[row.type_name][2] if scalar else ""
            members.append("    %s %s%s;" % (ctype, member, initial))
        generic = ""
        if klass.rows:
            append = ""
            if any(row.kind == "repeated" for row in klass.rows):
                append = "    bool appendFieldValue(int index, const QVariant& item) override;\n"
            generic = GENERIC_DECLARATIONS.substitute(append=append)
        additions = ""
        if klass.additions:
            additions = "\n    // Hand-written additions.\n#include \"%s\"\n" % klass.additions
        return HEADER.substitute(
            generator=self.generator, catalogue=self.catalogue,
            includes="\n".join(includes) + "\n",
            forwards="".join("class %s;\n" % name for name in forwards) + ("\n" if forwards else ""),
            export=(self.args.export_macro + " ") if self.args.export_macro else "",
            name=klass.name, superclass=klass.superclass,
            factory=lower_first(klass.name[len(self.args.prefix):]),
            accessors=("\n" + "\n".join(accessors) + "\n") if accessors else "",
            generic=generic, additions=additions,
            members=("\nprivate:\n" + "\n".join(members) + "\n") if members else "")

    # -- sources

    def class_source(self, klass):
        name = klass.name
        rows = ""
        if klass.rows:
            lines = []
            for row in klass.rows:
                kind = {"element": "Element", "repeated": "Repeated", "attribute": "Attribute",
                        "content": "Content"}[row.kind]
                is_object = self.vtype(row) == "Object"
                object_class = "&%s::staticClass" % row.type_name if is_object else "nullptr"
                object_slot = "&DWObjectSlotOf<%s>::slot" % row.type_name if is_object else "nullptr"
                lines.append('    {DWFieldKind::%s, DWValueType::%s, "%s", "%s", "%s", %s, %s},\n'
                             % (kind, self.vtype(row), row.xml_name, row.key, row.type_name, object_class,
                                object_slot))
            rows = ROWS.substitute(name=name, rows="".join(lines))
        generic = ""
        if klass.rows:
            get_cases, set_cases, append_cases, storage_cases = [], [], [], []
            for index, row in enumerate(klass.rows):
                member = "m_" + row.key
                vtype = self.vtype(row)
                if row.kind == "repeated":
                    getter, setter = "arrayVariant(%s)" % member, "assignArray(%s, value)" % member
                    append_cases.append("    case %d:\n        return appendArrayItem(%s, item);\n" % (index, member))
                elif vtype == "Bool":
                    getter, setter = "boolVariant(%s)" % member, "assignBool(%s, value)" % member
                elif vtype == "Integer":
                    getter, setter = "integerVariant(%s)" % member, "assignInteger(%s, value)" % member
                elif vtype == "Double":
                    getter, setter = "doubleVariant(%s)" % member, "assignDouble(%s, value)" % member
                else:
                    stem = vtype.lower()
                    getter = "%sVariant(%s)" % (stem, member)
                    setter = "assign%s(%s, value)" % (vtype, member)
                get_cases.append("    case %d:\n        return %s;\n" % (index, getter))
                storage_cases.append("    case %d:\n        return &%s;\n" % (index, member))
                set_cases.append("    case %d:\n        return %s;\n" % (index, setter))
            append = ""
            if append_cases:
                append = APPEND_SOURCE.substitute(name=name, superclass=klass.superclass,
                                                  append_cases="".join(append_cases))
            generic = GENERIC_SOURCE.substitute(name=name, superclass=klass.superclass,
                                                get_cases="".join(get_cases), set_cases="".join(set_cases),
                                                storage_cases="".join(storage_cases), append=append)
        return CLASS_SOURCE.substitute(
            name=name, superclass=klass.superclass, first_field=self.first_field(klass), rows=rows,
            element_name='"%s"' % klass.element_name if klass.element_name else "nullptr",
            kind="Message" if klass.kind == "message" else "DataType",
            simple="true" if klass.simple else "false",
            rows_span="k%sFields" % name if klass.rows else "{}",
            factory=lower_first(name[len(self.args.prefix):]), generic=generic)

    def unit_of(self, klass):
        return zlib.crc32(klass.name.encode("ascii")) % self.args.units + 1

    def unit_source(self, unit):
        members = [klass for klass in self.order if self.unit_of(klass) == unit]
        headers = set()
        for klass in members:
            headers.add(klass.name)
            headers.update(row.type_name for row in klass.rows if row.type_name in self.classes)
        includes = "".join('#include "%s"\n' % self.header_path(name) for name in sorted(headers))
        return UNIT_SOURCE.substitute(generator=self.generator, catalogue=self.catalogue, includes=includes,
                                      classes="\n".join(self.class_source(klass) for klass in members))

    def registry_header(self):
        return REGISTRY_HEADER.substitute(
            generator=self.generator, catalogue=self.catalogue, registry=self.args.registry,
            export_include=('#include "%s"\n' % self.args.export_header) if self.args.export_header else "",
            export=(self.args.export_macro + " ") if self.args.export_macro else "")

    def registry_source(self):
        names = sorted(klass.name for klass in self.order)
        return REGISTRY_SOURCE.substitute(
            generator=self.generator, catalogue=self.catalogue, registry=self.args.registry,
            header_dir=self.args.header_dir,
            includes="".join('#include "%s"\n' % self.header_path(name) for name in names),
            classes="".join("        &%s::staticClass(),\n" % name for name in names))

    def outputs(self):
        base = os.path.join(self.args.output, self.args.header_dir)
        files = {}
        for klass in self.order:
            files[os.path.join(base, klass.name + ".h")] = lambda klass=klass: self.header(klass)
        files[os.path.join(base, self.args.registry + ".h")] = self.registry_header
        files[os.path.join(base, self.args.registry + ".cpp")] = self.registry_source
        for unit in range(1, self.args.units + 1):
            files[os.path.join(base, "%s_%d.cpp" % (self.args.registry, unit))] = \
                lambda unit=unit: self.unit_source(unit)
        return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--catalogue", required=True)
    parser.add_argument("--output", required=True, help="root of the generated include tree")
    parser.add_argument("--root", default=".", help="source root; generated files name their sources from it")
    parser.add_argument("--header-dir", required=True, help="include path of the generated headers")
    parser.add_argument("--prefix", default="EBay", help="class name prefix, dropped in factory names")
    parser.add_argument("--registry", required=True, help="namespace and file name of the registry")
    parser.add_argument("--export-macro", default="")
    parser.add_argument("--export-header", default="")
    parser.add_argument("--units", type=int, default=12, help="translation units to spread the classes over")
    parser.add_argument("--list-outputs", action="store_true", help="print the generated files and stop")
    args = parser.parse_args()
    if args.units < 1:
        parser.error("--units must be at least 1")
    try:
        order, classes, text_types = parse_catalogue(args.catalogue)
        check(order, classes, text_types, args.prefix)
    except (CatalogueError, OSError) as error:
        print("error: %s" % error, file=sys.stderr)
        return 1
    args.text_types = text_types
    generator = Generator(args, order, classes)
    outputs = generator.outputs()
    if args.list_outputs:
        print(";".join(path.replace(os.sep, "/") for path in outputs))
        return 0
    for path, make in outputs.items():
        write_if_changed(path, make())
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Generates the plain accessors of the preferences store (QMPreferencesManager) from its key table.

The table (model/QMPreferenceKeys.tsv) names each user default that the store reads and writes
as it is: the accessor, the key, the type and the registered default. From it come two files:

  QMPreferenceKeysAccessors.inc  the getter and setter declarations (inside the class, public)
  QMPreferenceKeys.inc           their definitions (compiled through QMPreferencesManager+Keys.cpp)

The table is checked first: names that are no C++ identifiers, an accessor or key named twice, an
unknown type or setter kind fail the build with the line that is wrong. The default column must
say what the registered defaults (--registered, resources/defaults.plist and
localized_defaults.plist) hold for the key, "-" when they hold nothing; so a key misspelt in the
table or a default of the wrong type fails the build too. Only files whose text changes are
rewritten. Python standard library only.
"""

import os
import plistlib
import sys

# The build never writes into the source tree, compiled modules included.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "generator-common"))
from generator_common import Row, Section, TableError, check_identifier, read_table, run  # noqa: E402
import generator_common  # noqa: E402

COLUMNS = ("accessor", "key", "type", "setter", "default", "meaning")

# type: C++ type of the getter, the setter's parameter, how the getter reads the key ({key} is
# the key as a C string), how the setter stores {v}, and which registered values fit.
TYPES = {
    "flag": dict(ret="bool", param="bool", get="boolFor({key})",
                 set="defaults().setBool({v}, QString::fromLatin1({key}))", fits=(bool,)),
    "integer": dict(ret="qint64", param="qint64", get="integerFor({key})",
                    set="defaults().setInteger({v}, QString::fromLatin1({key}))", fits=(int,)),
    # Text only: a value of another kind reads as nil; a nil text removes the key.
    "text": dict(ret="QString", param="const QString&", get="stringFor({key})",
                 set="setObjectFor({v}.isNull() ? QVariant() : QVariant({v}), {key})", fits=(str,)),
    "object": dict(ret="QVariant", param="const QVariant&", get="objectFor({key})",
                   set="setObjectFor({v}, {key})", fits=None),
    "list": dict(ret="QVariantList", param="const QVariantList&",
                 get="defaults().arrayForKey(QString::fromLatin1({key}))",
                 set="setObjectFor({v}, {key})", fits=(list,)),
    "map": dict(ret="QVariantMap", param="const QVariantMap&",
                get="defaults().dictionaryForKey(QString::fromLatin1({key}))",
                set="setObjectFor({v}, {key})", fits=(dict,)),
    "texts": dict(ret="QStringList", param="const QStringList&",
                  get="defaults().stringArrayForKey(QString::fromLatin1({key}))",
                  set="setObjectFor(QVariant({v}).toList(), {key})", fits=(list,)),
}
# "-": no setter; "set": a setter; "sync": a setter that also writes the defaults to disk at once.
SETTERS = {"-", "set", "sync"}


def render(value):
    """A registered value as the default column writes it."""
    if isinstance(value, bool):
        return "YES" if value else "NO"
    if isinstance(value, (int, float)):
        return repr(value)
    if isinstance(value, str):
        return '"%s"' % value
    if isinstance(value, list):
        return "(%s)" % ", ".join(render(v) for v in value)
    if isinstance(value, dict):
        return "{%s}" % ", ".join("%s = %s" % (k, render(v)) for k, v in sorted(value.items()))
    if isinstance(value, bytes):
        return "<%d bytes>" % len(value)
    return str(value)


class Key:
    def __init__(self, row):
        self.name, self.key, self.type, self.setter, self.default, self.meaning = row.cells
        self.where = row.where
        self.info = TYPES[self.type]
        self.setter_name = "set" + self.name[:1].upper() + self.name[1:]
        self.literal = '"%s"' % self.key


def registered_defaults(paths):
    values = {}
    for path in paths:
        with open(path, "rb") as handle:
            values.update(plistlib.load(handle))
    return values


def parse_table(path, registered):
    entries = []
    names = set()
    keys = set()
    for entry in read_table(path, COLUMNS):
        if isinstance(entry, Section):
            entries.append(entry)
            continue
        name, key, type_name, setter, default, meaning = entry.cells
        where = entry.where
        check_identifier(name, where)
        if name in names:
            raise TableError("%s: accessor %s named twice" % (where, name))
        names.add(name)
        if not key or any(c in key for c in ' "\\'):
            raise TableError("%s: %r is no key" % (where, key))
        if key in keys:
            raise TableError("%s: key %s named twice" % (where, key))
        keys.add(key)
        if type_name not in TYPES:
            raise TableError("%s: unknown type %r" % (where, type_name))
        if setter not in SETTERS:
            raise TableError("%s: the setter column is set, sync or -, not %r" % (where, setter))
        if not meaning.strip():
            raise TableError("%s: say in one line what the key means" % where)
        if key in registered:
            value = registered[key]
            fits = TYPES[type_name]["fits"]
            if fits is not None and (not isinstance(value, fits) or (int in fits and isinstance(value, bool))):
                raise TableError("%s: the registered default of %s is no %s value" % (where, key, type_name))
            expected = render(value)
        else:
            expected = "-"
        if default != expected:
            raise TableError("%s: the registered default of %s is %s, not %s" % (where, key, expected, default))
        entries.append(Key(entry))
    return entries


def accessors(entries, source):
    out = [generator_common.header_line("generate-preference-keys", source)]
    for entry in entries:
        if isinstance(entry, Section):
            out.append("\n    // %s\n" % entry.title)
            continue
        sync = " The setter synchronizes." if entry.setter == "sync" else ""
        meaning = entry.meaning[:1].upper() + entry.meaning[1:]
        out.append("    // %s (\"%s\").%s\n" % (meaning, entry.key, sync))
        out.append("    %s %s() const;\n" % (entry.info["ret"], entry.name))
        if entry.setter != "-":
            out.append("    void %s(%s value);\n" % (entry.setter_name, entry.info["param"]))
    return "".join(out)


def definitions(entries, source):
    out = [generator_common.header_line("generate-preference-keys", source), """
#include "model/QMPreferencesManager.h"

#include "platform/core/UserDefaults.h"
"""]
    for entry in entries:
        if isinstance(entry, Section):
            continue
        out.append("\n%s QMPreferencesManager::%s() const\n{\n    return %s;\n}\n"
                   % (entry.info["ret"], entry.name, entry.info["get"].format(key=entry.literal)))
        if entry.setter == "-":
            continue
        body = "    %s;\n" % entry.info["set"].format(v="value", key=entry.literal)
        if entry.setter == "sync":
            body += "    synchronize();\n"
        out.append("\nvoid QMPreferencesManager::%s(%s value)\n{\n%s}\n"
                   % (entry.setter_name, entry.info["param"], body))
    return "".join(out)


OUTPUTS = ("model/QMPreferenceKeysAccessors.inc", "model/QMPreferenceKeys.inc")


def add_arguments(parser):
    parser.add_argument("--registered", nargs="+", default=[],
                        help="property lists of the registered defaults, later ones winning")


def generate(table, source, args):
    entries = parse_table(table, registered_defaults(args.registered))
    return (accessors(entries, source), definitions(entries, source))


if __name__ == "__main__":
    sys.exit(run(__doc__.splitlines()[0], OUTPUTS, generate, add_arguments))

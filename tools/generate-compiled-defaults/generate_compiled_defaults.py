#!/usr/bin/env python3
"""Compiles the registered defaults (resources/defaults.plist, localized_defaults.plist) into C++.

Every program registers these property lists at start; parsing their XML was a good part of a
command-line tool's start-up. The generated file holds, for each list, its exact bytes and a
function that builds the same values directly. At run time a resource file that still holds
exactly those bytes is registered from the function; any other file (an edited or replaced
resources folder) is parsed as before, so the XML stays the only source of the values.

A list whose top level is no dictionary, or that holds a value this generator does not write
(dates), gets no compiled form and is always parsed. Only a changed text rewrites the output.
Python standard library only.

    generate_compiled_defaults.py --output FILE.cpp LIST.plist...
"""

import argparse
import datetime
import os
import plistlib
import sys

# The build never writes into the source tree, compiled modules included.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "generator-common"))
import generator_common  # noqa: E402


class Unsupported(Exception):
    pass


def text_literal(value):
    """A QStringLiteral of the text: printable ASCII as it is, everything else escaped."""
    out = []
    for char in value:
        code = ord(char)
        if 0x20 <= code < 0x7F and char not in '"\\':
            out.append(char)
        elif char in '"\\':
            out.append("\\" + char)
        elif code < 0xA0:
            out.append("\\%03o" % code)  # octal: at most three digits, whatever follows
        elif code <= 0xFFFF:
            out.append("\\u%04x" % code)
        else:
            out.append("\\U%08x" % code)
    return 'QStringLiteral("%s")' % "".join(out)


def bytes_literal(data):
    return 'QByteArray("%s", %d)' % ("".join("\\%03o" % byte for byte in data), len(data))


def value_expression(value):
    """A C++ expression of type QVariant holding what dw::plist::read gives for the value."""
    if isinstance(value, bool):  # before int: a bool is an int in Python
        return "QVariant(%s)" % ("true" if value else "false")
    if isinstance(value, int):
        if not -(1 << 63) <= value < (1 << 64):
            raise Unsupported("integer out of range")
        if value >= 1 << 63:  # read back as its two's complement
            value -= 1 << 64
        return "QVariant(qlonglong(Q_INT64_C(%d)))" % value if value != -(1 << 63) else \
            "QVariant(std::numeric_limits<qlonglong>::min())"
    if isinstance(value, float):
        return "QVariant(double(%s))" % float.hex(value)
    if isinstance(value, str):
        return "QVariant(%s)" % text_literal(value)
    if isinstance(value, bytes):
        return "QVariant(%s)" % bytes_literal(value)
    if isinstance(value, list):
        return "QVariant(QVariantList{%s})" % ", ".join(value_expression(v) for v in value)
    if isinstance(value, dict):
        return "QVariant(%s)" % map_expression(value)
    if isinstance(value, (datetime.datetime, plistlib.UID)):
        raise Unsupported(type(value).__name__)
    raise Unsupported(type(value).__name__)


def map_expression(values):
    entries = ",\n        ".join("{%s, %s}" % (text_literal(key), value_expression(values[key]))
                                for key in sorted(values))
    return "QVariantMap{\n        %s}" % entries


def generate(paths, output):
    compiled = []
    notes = []
    for index, path in enumerate(paths):
        with open(path, "rb") as handle:
            data = handle.read()
        name = os.path.basename(path)
        try:
            values = plistlib.loads(data, fmt=plistlib.FMT_XML)
            if not isinstance(values, dict):
                raise Unsupported("top level is no dictionary")
            compiled.append((index, name, data, map_expression(values)))
        except (Unsupported, plistlib.InvalidFileException, ValueError) as problem:
            notes.append("%s: parsed at run time (%s)" % (name, problem))
    lines = [generator_common.header_line("generate-compiled-defaults",
                                          ", ".join("resources/" + os.path.basename(p) for p in paths)),
             '#include "model/QMApplicationDefaults_p.h"', "",
             "#include <QVariantList>", "#include <limits>", "", "namespace {", ""]
    for index, name, data, expression in compiled:
        lines.append("// The bytes of %s, to recognise the file they were compiled from." % name)
        lines.append("const char kSource%d[] = \"%s\";" % (index, "".join("\\%03o" % b for b in data)))
        lines.append("")
        lines.append("QVariantMap values%d()" % index)
        lines.append("{")
        lines.append("    return %s;" % expression)
        lines.append("}")
        lines.append("")
    lines.append("const QMCompiledDefaults kCompiled[] = {")
    for index, name, data, _ in compiled:
        lines.append('    {"%s", QByteArrayView(kSource%d, %d), values%d},' % (name, index, len(data), index))
    if not compiled:
        lines.append("    {nullptr, QByteArrayView(), nullptr},")
    lines.append("};")
    lines.append("")
    lines.append("} // namespace")
    lines.append("")
    lines.append("std::span<const QMCompiledDefaults> compiledDefaults()")
    lines.append("{")
    lines.append("    return std::span(kCompiled, %d);" % len(compiled))
    lines.append("}")
    generator_common.write_if_changed(output, "\n".join(lines) + "\n")
    for note in notes:
        print("generate-compiled-defaults: " + note)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", required=True)
    parser.add_argument("lists", nargs="+")
    arguments = parser.parse_args()
    generate(arguments.lists, arguments.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())

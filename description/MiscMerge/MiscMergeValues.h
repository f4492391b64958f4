#pragma once
// The values that templates see, and the one key-value facade through which the engine reads them.
//
// A value is a QVariant: nil (invalid), text, a boolean, an integer, a real, a date, data, a list
// (QVariantList or QStringList), a map (QVariantMap) or one of our objects (a dw::KeyValueCodingPtr
// as dw::objectValue() wraps it). A key reaches a map's entry or an object's value; a key applied
// to a list is applied to each element and gives the list of their answers, so "pictures.caption"
// is the list of every picture's caption.
//
//     QVariant captions = miscmerge::valueForKeyPath(item, QStringLiteral("pictures.caption"), &unknown);
//     QString text = miscmerge::textOf(price);      // "12.5", a BOOL "1", a list "(\n    a\n)"
//
// Whether an object has a key decides where in the context stack a field is found. A map has the
// keys it holds; an object that knows its keys says so through MiscMergeKeyedObject (computed keys
// included) or through a test added with addKeyPresenceTest(); any other object has a key when it
// answers a value for it. Pure functions; any thread, as far as the objects asked allow it.

#include "platform/core/KeyValueCoding.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

// Implemented by merge objects that answer computed or named keys: the engine asks it whether a
// key is theirs before it reads the key, so a key whose value is nil still hides the same name
// further down the context stack.
class MiscMergeKeyedObject
{
public:
    virtual ~MiscMergeKeyedObject() = default;
    virtual bool hasMiscMergeKey(const QString& key) const = 0;
};

namespace miscmerge {

// A test for objects of classes that do not implement MiscMergeKeyedObject (the model's classes
// with their field tables): an answer, or nullopt for an object it does not cover.
using KeyPresenceTest = std::function<std::optional<bool>(const dw::KeyValueCoding& object, const QString& key)>;
// Adds a test, asked before the fallback; main thread, at start-up.
void addKeyPresenceTest(KeyPresenceTest test);

// Whether the value (a map or an object) has `key`; anything else has no keys.
bool hasKey(const QVariant& value, const QString& key);

// The value for a "."-separated path. A path component that an object does not know, or that is
// asked of a text, number or date, yields nil and is named in `unknownKey` (the first such key).
// A map without the key yields nil quietly, as does nil itself.
QVariant valueForKeyPath(const QVariant& value, const QString& keyPath, QString* unknownKey = nullptr);

// The text a value prints as: text itself, booleans "1"/"0", integers in decimal, reals as the
// shortest form of up to 16 significant digits, dates "2026-12-10 15:40:24 +0000", data as hex
// words "<48656c6c 6f>", lists "(\n    a,\n    b\n)" and maps "{\n    key = value;\n}" with
// texts quoted where a property list needs quotes; nil gives the null text.
QString textOf(const QVariant& value);

// Text in property-list quoting: as it is when it is made only of letters, digits and "_$/:.-",
// else in double quotes with backslash escapes.
QString quotedText(const QString& text);

// True for numbers and booleans, and for text that begins (after blanks) with a decimal number.
bool isNumeric(const QVariant& value);
// The double of a numeric value (the leading number of a text).
double doubleOf(const QVariant& value);

bool isText(const QVariant& value);
bool isList(const QVariant& value);

// -1, 0 or 1: nil before anything; numbers (and numeric texts) compared as single-precision
// floats, so that 1.0 and 1.00000001 are equal; equal values 0; texts and dates by their own
// order; anything else by its text.
int compare(const QVariant& left, const QVariant& right);

} // namespace miscmerge

// Feeds arbitrary templates to the parser and the merge engine, with and without a merge object,
// and checks that running a parsed template again gives the same text (unless it sets global
// values or prints the date). Templates that repeat (while, loop, call) are only parsed: a run
// of theirs takes up to the engine's bound of passes, which the tests check, and would slow the
// fuzzer down to a few inputs a second.
//
// Input: one byte of switches (bit 0: parse with the merge object; bit 1: "{{" "}}" delimiters),
// then the template text in UTF-8.

#include "description/MiscMerge/MiscMergeEngine.h"
#include "description/MiscMerge/MiscMergeTemplate.h"

#include "platform/core/ConsoleOutput.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QVariant mergeObject()
{
    static const QVariantMap object{
        {QStringLiteral("title"), QStringLiteral("Lamp")},
        {QStringLiteral("price"), QStringLiteral("10.5")},
        {QStringLiteral("yes"), true},
        {QStringLiteral("count"), 3},
        {QStringLiteral("pictures"), QStringList{QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("item"), QVariantMap{{QStringLiteral("title"), QStringLiteral("Inner")},
                                             {QStringLiteral("list"), QVariantList{1, 2.5, QStringLiteral("x")}}}},
    };
    return object;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        dw::setConsoleSink([](const QString&) {});
        MiscMergeTemplate::setIncludeFolders({});
        return true;
    }();
    (void)quiet;
    if (size < 1)
        return 0;
    const uint8_t switches = data[0];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QVariant object = mergeObject();

    auto mergeTemplate = std::make_shared<MiscMergeTemplate>();
    if (switches & 2)
        mergeTemplate->setStartDelimiter(QStringLiteral("{{"), QStringLiteral("}}"));
    else
        mergeTemplate->setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
    mergeTemplate->parseString(text, (switches & 1) ? object : QVariant());
    (void)mergeTemplate->treeDescription();

    for (const char* word : {"while", "loop", "call"})
        if (text.contains(QLatin1String(word), Qt::CaseInsensitive))
            return 0;
    MiscMergeEngine engine(mergeTemplate);
    const QString first = engine.executeWithObject(object);
    if (first.size() > MiscMergeEngine::kMaxOutputLength)
        abort();
    bool repeatable = true;
    for (const char* word : {"set", "date"})
        repeatable = repeatable && !text.contains(QLatin1String(word), Qt::CaseInsensitive);
    const QString second = engine.executeWithObject(object);
    if (repeatable && first != second)
        abort();
    for (const QString& key : MiscMergeEngine::globalSymbolsDictionary().keys())
        MiscMergeEngine::removeGlobalValueForKey(key);
    return 0;
}

// Reading keyed archives and property lists. libplist finds an array item by index by walking the
// array from its start, so a reader that fetched archive objects by index grew with the square of
// their number; ours walks each array once. Each reading is set beside libplist's own parse and
// walk of the same bytes, the least any reader on it can take.
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/archive/PropertyList.h"

#include <benchmark/benchmark.h>
#include <plist/plist.h>

namespace {

QString text(int64_t i)
{
    return QStringLiteral("entry %1 of the listing").arg(i);
}

// A document-like archive of some n objects: a list of records, each a dictionary with a text and a
// number (three objects), and the shared keys and classes.
QByteArray archiveOf(int64_t objects)
{
    QVariantList list;
    for (int64_t i = 0; i < objects / 3; ++i)
        list.append(QVariantMap{{QStringLiteral("title"), text(i)}, {QStringLiteral("quantity"), qlonglong(i)}});
    return dw::KeyedArchiver::archivedDataWithRootObject(list);
}

int64_t walk(plist_t node)
{
    int64_t count = 1;
    if (plist_get_node_type(node) == PLIST_ARRAY) {
        plist_array_iter it = nullptr;
        plist_array_new_iter(node, &it);
        for (plist_t item = nullptr;;) {
            plist_array_next_item(node, it, &item);
            if (!item)
                break;
            count += walk(item);
        }
        free(it);
    } else if (plist_get_node_type(node) == PLIST_DICT) {
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, it, &key, &item);
            free(key);
            if (!item)
                break;
            count += walk(item);
        }
        free(it);
    } else if (plist_get_node_type(node) == PLIST_STRING) {
        uint64_t length = 0;
        benchmark::DoNotOptimize(plist_get_string_ptr(node, &length));
    }
    return count;
}

void libplistParseAndWalk(benchmark::State& state, const QByteArray& bytes)
{
    for (auto _ : state) {
        plist_t root = nullptr;
        plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &root);
        benchmark::DoNotOptimize(walk(root));
        plist_free(root);
    }
}

void keyedArchiveDecode(benchmark::State& state)
{
    const QByteArray bytes = archiveOf(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(dw::KeyedUnarchiver::unarchiveObjectWithData(bytes));
    state.SetComplexityN(state.range(0));
}

void keyedArchiveLibplistWalk(benchmark::State& state)
{
    libplistParseAndWalk(state, archiveOf(state.range(0)));
    state.SetComplexityN(state.range(0));
}

QByteArray stringList(int64_t count)
{
    QVariantList list;
    for (int64_t i = 0; i < count; ++i)
        list.append(text(i));
    return dw::plist::write(list, dw::plist::Format::Binary);
}

void propertyListArrayRead(benchmark::State& state)
{
    const QByteArray bytes = stringList(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(dw::plist::read(bytes));
}

void propertyListArrayLibplistWalk(benchmark::State& state)
{
    libplistParseAndWalk(state, stringList(state.range(0)));
}

} // namespace

BENCHMARK(keyedArchiveDecode)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(keyedArchiveLibplistWalk)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(propertyListArrayRead)->Arg(64000)->Unit(benchmark::kMillisecond);
BENCHMARK(propertyListArrayLibplistWalk)->Arg(64000)->Unit(benchmark::kMillisecond);

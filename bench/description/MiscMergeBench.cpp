// A description-sized merge: a design body of about 40 KB with 300 placeholders, layout
// conditions, a picture loop and the seller's text, parsed with its merge object (pruning) and
// run, as every preview reload and every listing does twice. The same merge with a design body 10
// and 100 times as long shows how the time grows: the ratio to 10 and 100 times the time of the
// smallest stays near 1 while it grows linearly.

#include "description/MiscMerge/MiscMergeEngine.h"
#include "description/MiscMerge/MiscMergeTemplate.h"

#include "platform/core/ConsoleOutput.h"
#include "support/BenchRatios.h"

#include <QStringList>
#include <benchmark/benchmark.h>

namespace {

QString designBody(int scale = 1)
{
    QString body = QStringLiteral("<html><head><style>body { font-family: Helvetica; }</style></head><body>\n");
    for (int section = 0; section < 30 * scale; ++section) {
        body +=
            QStringLiteral("<div class=\"section%1\">\n"
                           "  <h1>[[item.title]]</h1><h2>[[item.subtitle]]</h2>\n"
                           "  [[if QMLayoutEnabled_Two_Columns]]<table><tr><td>[[description]]</td></tr></table>\n"
                           "  [[elseif QMLayoutNotDefined]]<div>[[description]]</div>\n"
                           "  [[else]]<p>[[description]]</p>[[endif]]\n"
                           "  [[foreach picture auctionImageURLs]]<img src=\"[[picture]]\" alt=\"[[pictureIndex]]\">"
                           "[[endforeach]]\n"
                           "  [[if item.price > 100]]<span class=\"premium\">[[item.price]] [[item.currency]]</span>"
                           "[[else]]<span>[[item.price]] [[item.currency]]</span>[[endif]]\n"
                           "  <p class=\"shipping\">Shipping to [[item.country]] within [[item.handlingTime]] days. "
                           "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt "
                           "ut labore et dolore magna aliqua.</p>\n"
                           "</div>\n")
                .arg(section);
    }
    return body + QStringLiteral("</body></html>\n");
}

QVariantMap mergeObject()
{
    QStringList pictures;
    for (int i = 0; i < 12; ++i)
        pictures << QStringLiteral("https://i.example.com/images/%1.jpg").arg(i);
    return {
        {QStringLiteral("item"), QVariantMap{{QStringLiteral("title"), QStringLiteral("Vintage camera")},
                                             {QStringLiteral("subtitle"), QStringLiteral("Boxed, with manual")},
                                             {QStringLiteral("price"), QStringLiteral("149.00")},
                                             {QStringLiteral("currency"), QStringLiteral("EUR")},
                                             {QStringLiteral("country"), QStringLiteral("Germany")},
                                             {QStringLiteral("handlingTime"), 2}}},
        {QStringLiteral("description"), QString(2000, u'x')},
        {QStringLiteral("auctionImageURLs"), pictures},
        {QStringLiteral("QMLayoutEnabled_Two_Columns"), false},
        {QStringLiteral("QMLayoutNotDefined"), true},
    };
}

void mergeDescription(benchmark::State& state)
{
    dw::setConsoleSink([](const QString&) {});
    const int scale = int(state.range(0));
    const QString body = designBody(scale);
    const QVariant object = mergeObject();
    qsizetype length = 0;
    for (auto _ : state) {
        auto mergeTemplate = std::make_shared<MiscMergeTemplate>();
        mergeTemplate->setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
        mergeTemplate->parseString(body, object);
        const QString output = MiscMergeEngine(mergeTemplate).executeWithObject(object);
        length = output.size();
        benchmark::DoNotOptimize(length);
    }
    state.SetBytesProcessed(state.iterations() * body.size() * qsizetype(sizeof(QChar)));
    state.counters["output_chars"] = double(length);
}
// Warmed up: the first merges of a size take their memory fresh from the system.
BENCHMARK(mergeDescription)->Arg(1)->Arg(10)->Arg(100)->MinWarmUpTime(0.5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return dw::bench::runWithRatios(argc, argv,
                                    {{"mergeDescription/10", "mergeDescription/1", 1.5, 10},
                                     {"mergeDescription/100", "mergeDescription/1", 1.5, 100}});
}

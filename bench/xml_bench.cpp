// The XML reader base, the HTML query and Beta Code against the plain
// library or loop they are built on; prints the ratios at the end.
//
//   xml_bench [--benchmark_filter=...]   (TS_SHARED_DIR names the shared folder)

#include "foundation/HXDocument.h"
#include "bench/EmptySax.h"
#include "foundation/RKXMLFileParser.h"

#include <QFile>
#include <QString>

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

QByteArray readShared(const char* relative) {
    const QByteArray dir = qgetenv("TS_SHARED_DIR");
    QFile f(QString::fromLocal8Bit(dir.isEmpty() ? QByteArray("/work/shared") : dir) + QStringLiteral("/") +
            QLatin1String(relative));
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll();
}

// The real dictionary file with its entries repeated inside its one body
// until the document reaches about 30 MB.
const QByteArray& bigTei() {
    static const QByteArray doc = [] {
        const QByteArray src = readShared("data/tei/ls-subset.xml");
        const qsizetype first = src.indexOf("<entryFree");
        const qsizetype last = src.lastIndexOf("</entryFree>");
        if (first < 0 || last < 0) return QByteArray();
        const qsizetype end = last + qsizetype(sizeof("</entryFree>") - 1);
        const QByteArray entries = src.mid(first, end - first) + "\n";
        QByteArray out = src.left(first);
        const qsizetype target = 30 * 1024 * 1024;
        while (out.size() < target) out += entries;
        out += src.mid(end);
        return out;
    }();
    return doc;
}

// A page of about 5 MB: sections of paragraphs with links and inline markup.
const QByteArray& bigPage() {
    static const QByteArray page = [] {
        QByteArray out = "<html><head><title>Caesar</title></head><body>";
        int i = 0;
        while (out.size() < 5 * 1024 * 1024) {
            out += "<div class=\"section\"><h2>Liber " + QByteArray::number(i) + "</h2>";
            for (int k = 0; k < 10; ++k)
                out += "<p>Gallia est omnis divisa in partes <b>tres</b>, quarum unam incolunt "
                       "<a href=\"belgae.html\">Belgae</a>, aliam <i>Aquitani</i>, tertiam qui ipsorum "
                       "lingua Celtae, nostra Galli appellantur.</p>";
            out += "</div>";
            ++i;
        }
        out += "</body></html>";
        return out;
    }();
    return page;
}

const QByteArray& deepPage() {
    static const QByteArray page = "<html><body>" + QByteArray("<div>x").repeated(10000) +
                                   QByteArray("</div>").repeated(10000) + "</body></html>";
    return page;
}

const QString& betaText() {
    static const QString text = [] {
        const QString words = QStringLiteral("*)/anqrwpos lo/gos h(me/ra a)/|dw oi)=kos yuxh/ qeo/s e)pi\\ ou)k pai=s "
                                             "w(s a)i+/dios th=| r(h/twr ca/nqos zw|=on *(omh/rou, *)aqh=nai. ");
        QString out;
        out.reserve(10 * 1024 * 1024 + words.size());
        while (out.size() < 10 * 1024 * 1024) out += words;
        return out;
    }();
    return text;
}

// The reader base with every hook doing what a real reader's hooks begin
// with: looking at the names, the attributes and the text.
class CountingReader : public ts::RKXMLFileParser {
public:
    qint64 elements = 0;
    qint64 attributeChars = 0;
    qint64 textChars = 0;
    void parserDidStartElement(ts::XMLEventParser&, const QString& name, const QString&, const QString&,
                               const ts::XMLAttributes& attributes) override {
        ++elements;
        attributeChars += name.size();
        for (const auto& a : attributes) attributeChars += a.first.size() + a.second.size();
    }
    void parserFoundCharacters(ts::XMLEventParser&, const QString& text) override { textChars += text.size(); }
    void parserDidEndElement(ts::XMLEventParser&, const QString& name, const QString&, const QString&) override {
        attributeChars += name.size();
    }
};

void BM_SaxReaderBase(benchmark::State& state) {
    const QByteArray& doc = bigTei();
    for (auto _ : state) {
        CountingReader reader;
        reader.parseData(doc);
        benchmark::DoNotOptimize(reader.textChars);
        if (reader.elements == 0) state.SkipWithError("nothing parsed");
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}

void BM_RawLibxmlSax(benchmark::State& state) {
    const QByteArray& doc = bigTei();
    for (auto _ : state) bench::emptySaxRead(doc);
    state.SetBytesProcessed(state.iterations() * doc.size());
}

void htmlBodyQuery(benchmark::State& state, const QByteArray& page) {
    for (auto _ : state) {
        auto result = ts::htmlQuery(page, QStringLiteral("//body"));
        if (!result || result->empty()) state.SkipWithError("no body");
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}

void htmlReadAndXPath(benchmark::State& state, const QByteArray& page) {
    for (auto _ : state) {
        htmlDocPtr doc = htmlReadMemory(page.constData(), int(page.size()), "", nullptr, 96 | HTML_PARSE_NONET);
        xmlXPathContextPtr ctx = xmlXPathNewContext(doc);
        xmlXPathObjectPtr obj = xmlXPathEvalExpression(BAD_CAST "//body", ctx);
        benchmark::DoNotOptimize(obj);
        xmlXPathFreeObject(obj);
        xmlXPathFreeContext(ctx);
        xmlFreeDoc(doc);
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}

void BM_BodyQuery5MB(benchmark::State& state) { htmlBodyQuery(state, bigPage()); }
void BM_HtmlReadXPath5MB(benchmark::State& state) { htmlReadAndXPath(state, bigPage()); }
void BM_BodyQueryDeep(benchmark::State& state) { htmlBodyQuery(state, deepPage()); }
void BM_HtmlReadXPathDeep(benchmark::State& state) { htmlReadAndXPath(state, deepPage()); }

void BM_BetaCode10MB(benchmark::State& state) {
    const QString& text = betaText();
    for (auto _ : state) {
        QString out = ts::RKXMLFileParser::convertBetacode(text);
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}

void BM_TableCopy10MB(benchmark::State& state) {
    const QString& text = betaText();
    char16_t table[128];
    for (int i = 0; i < 128; ++i) table[i] = char16_t(0x0370 + i);
    for (auto _ : state) {
        QString out(text.size(), Qt::Uninitialized);
        const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
        char16_t* o = reinterpret_cast<char16_t*>(out.data());
        for (qsizetype i = 0, n = text.size(); i < n; ++i) o[i] = in[i] < 128 ? table[in[i]] : in[i];
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}

BENCHMARK(BM_SaxReaderBase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawLibxmlSax)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodyQuery5MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlReadXPath5MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodyQueryDeep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlReadXPathDeep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BetaCode10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableCopy10MB)->Unit(benchmark::kMillisecond);

// Keeps each run's CPU time per iteration so the ratios can be printed; CPU
// time, because wall time on a shared machine measures the other jobs too.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                seconds[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

void printRatio(const RatioReporter& r, const char* what, const char* a, const char* b, double limit) {
    auto ia = r.seconds.find(a), ib = r.seconds.find(b);
    if (ia == r.seconds.end() || ib == r.seconds.end() || ib->second <= 0) return;
    const double ratio = ia->second / ib->second;
    if (limit > 0)
        std::printf("%-40s %6.2fx  (limit %.1fx: %s)\n", what, ratio, limit, ratio <= limit ? "ok" : "OVER");
    else
        std::printf("%-40s %6.2fx\n", what, ratio);
}

}  // namespace

int main(int argc, char** argv) {
    xmlInitParser();
    benchmark::Initialize(&argc, argv);
    if (bigTei().isEmpty()) {
        std::fprintf(stderr, "ls-subset.xml not found; set TS_SHARED_DIR\n");
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratios of CPU time; sizes: TEI %.1f MB, page %.1f MB, deep page %.1f KB, Beta Code %.1f M characters\n",
                bigTei().size() / 1048576.0, bigPage().size() / 1048576.0, deepPage().size() / 1024.0,
                betaText().size() / 1048576.0);
    printRatio(reporter, "SAX reader base / raw libxml2 SAX", "BM_SaxReaderBase", "BM_RawLibxmlSax", 2.0);
    printRatio(reporter, "//body 5 MB / htmlReadMemory+XPath", "BM_BodyQuery5MB", "BM_HtmlReadXPath5MB", 0);
    printRatio(reporter, "//body deep / htmlReadMemory+XPath", "BM_BodyQueryDeep", "BM_HtmlReadXPathDeep", 0);
    printRatio(reporter, "Beta Code / table copy", "BM_BetaCode10MB", "BM_TableCopy10MB", 2.0);
    benchmark::Shutdown();
    return 0;
}

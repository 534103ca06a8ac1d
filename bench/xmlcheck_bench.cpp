// The XML checking window's two hot paths over the Lewis and Short source
// made of the staged letter files:
// - the test run at every keystroke (put the current entry together, parse
//   it) against libxml2 reading the same entry string;
// - the match count of the window's pattern over the whole text against
//   counting a fixed literal over the same text.
// Then one count on the thread pool while a timer pings the event loop, to
// show the loop keeps answering.

#include "bench/BenchSupport.h"

#include "dictsource/LewisShortSource.h"
#include "dictsource/XMLCheckSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThreadPool>
#include <QTimer>

#include <libxml/parser.h>

#include <atomic>
#include <cstdio>

#ifndef TS_SOURCE_DIR_DEFAULT
#define TS_SOURCE_DIR_DEFAULT "."
#endif

namespace {

// The first pair of the bundle's Find/Replace list.
const QString kPattern = QStringLiteral("<itype>([^<,]*?)\\s*,\\s*([^<]*?)</itype>");
const QString kTemplate = QStringLiteral("<itype>$1, $2</itype>");

struct Fixture {
    XMLCheckSession session;
    QString proposed;
    QByteArray entryUtf8;
    bool ok = false;
};

Fixture& fixture() {
    static Fixture f = [] {
        Fixture x;
        QString source = QString::fromLocal8Bit(qgetenv("TS_SOURCE_DIR"));
        if (source.isEmpty()) source = QStringLiteral(TS_SOURCE_DIR_DEFAULT);
        QString error;
        const QByteArray bytes = LewisShortSource::assembleLetterFiles(source + QStringLiteral("/resources/lexica"), &error);
        if (bytes.isEmpty()) {
            std::fprintf(stderr, "%s\n", error.toUtf8().constData());
            return x;
        }
        x.session.setFileText(QString::fromUtf8(bytes));
        x.session.setSearchAndReplace(kPattern, kTemplate);
        // An ordinary entry some way into the text.
        for (int i = 0; i < 200 && x.session.startCheck(); ++i) {
        }
        x.proposed = x.session.suggestedString();
        x.entryUtf8 = x.session.curEntryString(x.proposed).toUtf8();
        x.ok = !x.entryUtf8.isEmpty() && x.session.checkForErrors(x.proposed);
        return x;
    }();
    return f;
}

void BM_KeystrokeCheck(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) {
        state.SkipWithError("no entry");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(f.session.checkForErrors(f.proposed));
}
BENCHMARK(BM_KeystrokeCheck)->Unit(benchmark::kMicrosecond);

void BM_Libxml2EntryParse(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) {
        state.SkipWithError("no entry");
        return;
    }
    for (auto _ : state) {
        xmlDocPtr doc = xmlReadMemory(f.entryUtf8.constData(), int(f.entryUtf8.size()), nullptr, "UTF-8",
                                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        benchmark::DoNotOptimize(doc);
        xmlFreeDoc(doc);
    }
}
BENCHMARK(BM_Libxml2EntryParse)->Unit(benchmark::kMicrosecond);

void BM_MatchCount(benchmark::State& state) {
    Fixture& f = fixture();
    const QString text = f.session.fileString();
    for (auto _ : state) benchmark::DoNotOptimize(XMLCheckSession::countMatches(*f.session.regex(), text));
}
BENCHMARK(BM_MatchCount)->Unit(benchmark::kMillisecond);

void BM_LiteralCount(benchmark::State& state) {
    Fixture& f = fixture();
    const QString text = f.session.fileString();
    const QString literal = QStringLiteral("<itype>");
    for (auto _ : state) benchmark::DoNotOptimize(text.count(literal));
}
BENCHMARK(BM_LiteralCount)->Unit(benchmark::kMillisecond);

// The longest gap between 5 ms timer pings while one count runs on the pool.
double longestPingDuringCount() {
    Fixture& f = fixture();
    std::atomic<bool> done{false};
    const QString text = f.session.fileString();
    const QRegularExpression regex = *f.session.regex();
    QThreadPool::globalInstance()->start([&done, text, regex] {
        benchmark::DoNotOptimize(XMLCheckSession::countMatches(regex, text));
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    QTimer ping;
    ping.setInterval(5);
    QObject::connect(&ping, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = qMax(longest, now - last);
        last = now;
        if (done) QCoreApplication::quit();
    });
    ping.start();
    QCoreApplication::exec();
    QThreadPool::globalInstance()->waitForDone();
    return double(longest);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::initialize(argc, argv, 5);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.times;
    auto ratio = [&](const char* a, const char* b, const char* bound) {
        if (t.count(a) && t.count(b) && t.at(b) > 0)
            std::printf("%s / %s = %.2f (%s)\n", a, b, t.at(a) / t.at(b), bound);
    };
    ratio("BM_KeystrokeCheck", "BM_Libxml2EntryParse", "at most 3");
    ratio("BM_MatchCount", "BM_LiteralCount", "at most 5");
    std::printf("entry: %lld bytes; text: %lld characters\n", static_cast<long long>(fixture().entryUtf8.size()),
                static_cast<long long>(fixture().session.fileString().size()));
    std::printf("longest event-loop ping gap during a count: %.0f ms (at most 50)\n", longestPingDuringCount());
    benchmark::Shutdown();
    return 0;
}

// The analyser dictionary against a bare QProcess loop: 200 Latin look-ups
// through DictionaryController (queue, pager handling, parsing into entry
// trees) and the same 200 lines written to the same program, set up the same
// way, by a loop that only waits for each prompt. Prints the ratio first.

#include "dictionaries/DictionaryController.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <future>

namespace {

const QStringList& queries() {
    static const QStringList list = [] {
        const QStringList words = QStringLiteral(
            "arma virum cano troiae qui primus ab oris italiam fato profugus laviniaque venit litora multum ille et "
            "terris iactatus alto vi superum saevae memorem iunonis ob iram multa quoque bello passus dum conderet "
            "urbem inferretque deos latio genus unde latinum albanique patres atque altae moenia romae")
                                        .split(QLatin1Char(' '));
        QStringList out;
        while (out.size() < 200) out << words.at(out.size() % words.size());
        return out;
    }();
    return list;
}

// ---- Through the controller ----

DictionaryControllerPtr controller() {
    static DictionaryControllerPtr c = [] {
        auto d = std::make_shared<DictionaryController>();
        d->startLatinProcess();
        d->loadDictionaryPrefs();
        return d;
    }();
    return c;
}

// Queues every look-up at once and waits for the last answer.
qint64 controllerRound() {
    auto d = controller();
    std::vector<std::future<TSDictionaryResult>> answers;
    answers.reserve(queries().size());
    QElapsedTimer t;
    t.start();
    for (const QString& q : queries()) {
        auto p = std::make_shared<std::promise<TSDictionaryResult>>();
        answers.push_back(p->get_future());
        d->translateToEnglish(q, 0, 0, [p](const TSDictionaryResult& r) { p->set_value(r); });
    }
    size_t entries = 0;
    for (auto& a : answers) entries += TSDictionary::parsedWords(a.get()).size();
    benchmark::DoNotOptimize(entries);
    return t.nsecsElapsed();
}

// ---- The bare loop ----

struct BareAnalyser {
    QTemporaryDir dir;
    QProcess process;
    QByteArray buffer;

    BareAnalyser() {
        process.setProgram(DictionaryController::findAnalyserProgram(QString()));
        process.setWorkingDirectory(dir.path());
        process.start();
        process.waitForStarted();
        readUntil("=>");
        for (const auto& step : DictionaryController::setUpScript()) {
            process.write(step.line.toLatin1());
            readUntil("=>");
        }
    }
    ~BareAnalyser() {
        process.closeWriteChannel();
        if (!process.waitForFinished(1000)) process.kill();
        process.waitForFinished(1000);
    }
    // Reads up to the prompt, answering the pager; answers the text.
    QByteArray readUntil(const QByteArray& prompt) {
        static const QByteArray pager =
            QByteArray(26, ' ') + QByteArrayLiteral("MORE - hit RETURN/ENTER to continue\n");
        buffer.clear();
        while (process.waitForReadyRead(5000)) {
            buffer += process.readAllStandardOutput();
            qsizetype at;
            while ((at = buffer.indexOf(pager)) >= 0) {
                buffer.remove(at, pager.size());
                process.write("\n");
            }
            if (buffer.endsWith(prompt)) break;
        }
        return buffer;
    }
};

BareAnalyser& bare() {
    static BareAnalyser b;
    return b;
}

qint64 bareRound() {
    BareAnalyser& b = bare();
    QElapsedTimer t;
    t.start();
    size_t bytes = 0;
    for (const QString& q : queries()) {
        b.process.write(q.toLatin1() + '\n');
        bytes += b.readUntil("\n=>").size();
    }
    benchmark::DoNotOptimize(bytes);
    return t.nsecsElapsed();
}

void BM_ControllerLatinLookUps(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(controllerRound() / 1e9);
    state.SetItemsProcessed(state.iterations() * qint64(queries().size()));
}
BENCHMARK(BM_ControllerLatinLookUps)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_BareQProcessLoop(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(bareRound() / 1e9);
    state.SetItemsProcessed(state.iterations() * qint64(queries().size()));
}
BENCHMARK(BM_BareQProcessLoop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

qint64 median(std::vector<qint64> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (DictionaryController::findAnalyserProgram(QString()).isEmpty()) {
        std::fprintf(stderr, "whitakers-words is not installed\n");
        return 1;
    }
    // Warm both (start-up and set-up are not measured), then alternate rounds.
    controllerRound();
    bareRound();
    std::vector<qint64> viaController, viaBare;
    for (int i = 0; i < 7; ++i) {
        viaController.push_back(controllerRound());
        viaBare.push_back(bareRound());
    }
    const double c = median(viaController) / 1e6, b = median(viaBare) / 1e6;
    std::printf("200 Latin look-ups: controller %.1f ms, bare QProcess loop %.1f ms, ratio %.2f (limit 1.50)\n", c, b,
                c / b);
    std::fflush(stdout);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    controller()->terminate();
    return 0;
}

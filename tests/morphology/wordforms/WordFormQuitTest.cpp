// What happens to the word-form list when the program ends: the process does
// not stay behind for a load or a cache write, and a write given up leaves the
// old cache whole. Each case runs in a child process of its own, since giving
// up writes lasts for the rest of a process.
#include "WordFormTestSupport.h"
#include "morphology/TSWordFormDictionary.h"
#include "support/CaptureLogger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <sys/syscall.h>
#include <unistd.h>

using namespace wordformtest;

namespace {

// The kernel's word on a thread: sleeping ('S') once it waits.
char threadState(long tid) {
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    if (!stat.open(QIODevice::ReadOnly)) return '?';
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && close + 2 < text.size() ? text.at(close + 2) : '?';
}

template <typename Condition>
bool pollUntil(Condition condition, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

QString manyLines(int count) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("uerbum%1\tn-s---nn-\tuerbum%1\tue_rbu_m%1\n").arg(i);
    return text;
}

// A load held in its source preparer and a reader waiting for it; the
// process then ends as main() ending would. The preparer is let go only when
// the exit never came, and then ends the process with another code.
[[noreturn]] void exitWhileALoadIsWaitedFor() {
    Places places;
    std::mutex mutex;
    std::condition_variable never;
    bool preparing = false;
    TSWordFormDictionary::setSourcePreparer([&] {
        std::unique_lock<std::mutex> lock(mutex);
        preparing = true;
        if (!never.wait_for(lock, std::chrono::seconds(120), [] { return false; })) ::_exit(3);
        return QString();
    });
    long waiterTid = 0;
    std::thread([&] {
        {
            std::lock_guard<std::mutex> lock(mutex);
            waiterTid = long(::syscall(SYS_gettid));
        }
        TSWordFormDictionary::waitForInitialisation();
    }).detach();
    const bool waiting = pollUntil(
        [&] {
            std::lock_guard<std::mutex> lock(mutex);
            return preparing && waiterTid != 0 && threadState(waiterTid) == 'S';
        },
        std::chrono::seconds(60));
    std::exit(waiting ? 0 : 4);
}

// A cache write under way when writes are given up: afterwards the cache is
// either the old one, byte for byte, or the whole new one, with no other file
// beside it; a write asked for later changes nothing and says why.
[[noreturn]] void abandonAWriteUnderWay() {
    Places places;
    const QString cache = TSWordFormDictionary::saveFile();
    TSWordFormDictionary small;
    small.loadFromString(QStringLiteral("arma\tn-p---nn-\tarma\tarma\n"));
    if (!small.saveToDefaultLocation()) std::exit(5);
    QFile old(cache);
    if (!old.open(QIODevice::ReadOnly)) std::exit(6);
    const QByteArray oldBytes = old.readAll();
    old.close();

    TSWordFormDictionary big;
    big.loadFromString(manyLines(200000));
    CaptureLogger::Scope capture;
    bool written = false;
    std::thread writer([&] { written = big.saveToDefaultLocation(); });
    // Encoded by now: the file is being written, or about to be.
    pollUntil([&] { return capture->contains(QStringLiteral("Serialize time")); }, std::chrono::seconds(120));
    TSWordFormDictionary::abandonCacheWrites();
    writer.join();

    QFile now(cache);
    if (!now.open(QIODevice::ReadOnly)) std::exit(7);
    const QByteArray bytes = now.readAll();
    if (written) {
        const TSWordFormDictionaryPtr read = TSWordFormDictionary::importFromPListData(bytes);
        if (!read || read->recordCount() != 200000) std::exit(8);
    } else if (bytes != oldBytes) {
        std::exit(9);
    }
    if (QDir(QFileInfo(cache).absolutePath()).entryList(QDir::Files | QDir::Hidden) != QStringList{"Macrons.dat"})
        std::exit(10);

    capture->clear();
    if (small.saveToDefaultLocation()) std::exit(11);
    if (!capture->contains(QStringLiteral("the program quit first"))) std::exit(12);
    QFile after(cache);
    if (!after.open(QIODevice::ReadOnly) || after.readAll() != bytes) std::exit(13);
    std::exit(0);
}

}  // namespace

TEST(WordFormQuit, ProcessEndsWithoutWaitingForTheLoad) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exitWhileALoadIsWaitedFor(), testing::ExitedWithCode(0), "");
}

TEST(WordFormQuit, AbandonedWriteLeavesTheOldCacheWhole) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(abandonAWriteUnderWay(), testing::ExitedWithCode(0), "");
}

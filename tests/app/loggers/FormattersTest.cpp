#include "app/logging/LGAtomicCounter.h"
#include "app/logging/LGContextFilterLogFormatter.h"
#include "app/logging/LGDispatchQueueLogFormatter.h"
#include "app/logging/LGMultiFormatter.h"

#include "LoggerTestSupport.h"

#include "platform/Dispatch.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

LGLogMessagePtr messageHere(const QString& text, qint64 context = 0) {
    return makeMessage(text, ts::Date::now(), 1, context);
}

// Appends its suffix; a null suffix drops the message.
struct Suffix : LGLogFormatter {
    explicit Suffix(QString s) : suffix(std::move(s)) {}
    QString formatLogMessage(const LGLogMessage& m) override { return ++calls, suffix.isNull() ? QString() : m.message() + suffix; }
    QString suffix;
    int calls = 0;
};

}  // namespace

TEST(LGContextFilters, AllowListPassesOnlyListedContextsAndDenyListTheRest) {
    LGContextAllowlistFilterLogFormatter allow;
    LGContextDenylistFilterLogFormatter deny;
    EXPECT_TRUE(allow.formatLogMessage(*messageHere("x", 0)).isNull());
    EXPECT_EQ(deny.formatLogMessage(*messageHere("x", 0)), QStringLiteral("x"));

    allow.addToAllowlist(7);
    allow.addToWhitelist(-2);
    deny.addToDenylist(7);
    EXPECT_EQ(allow.formatLogMessage(*messageHere("seven", 7)), QStringLiteral("seven"));
    EXPECT_EQ(allow.formatLogMessage(*messageHere("minus", -2)), QStringLiteral("minus"));
    EXPECT_TRUE(allow.formatLogMessage(*messageHere("eight", 8)).isNull());
    EXPECT_TRUE(deny.formatLogMessage(*messageHere("seven", 7)).isNull());
    EXPECT_TRUE(deny.isOnBlacklist(7));

    QList<qint64> listed = allow.allowlist();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (QList<qint64>{-2, 7}));
    allow.removeFromWhitelist(7);
    EXPECT_FALSE(allow.isOnAllowlist(7));
}

TEST(LGDispatchQueueLogFormatter, ShowsTheOriginQueueOrThread) {
    LGDispatchQueueLogFormatter formatter;
    // Logged on a serial queue: its label.
    auto queue = ts::DispatchQueue::createSerial(QStringLiteral("analysis queue for words"));
    LGLogMessagePtr onQueue;
    queue->sync([&] { onQueue = messageHere("q"); });
    EXPECT_EQ(formatter.queueThreadLabelForLogMessage(*onQueue), QStringLiteral("analysis queue for words"));

    auto onMain = messageHere("m");  // the test's main thread
    EXPECT_EQ(formatter.queueThreadLabelForLogMessage(*onMain), QStringLiteral("main"));

    // Logged on the global queue from an unnamed thread: the thread id.
    LGLogMessagePtr onGlobal;
    ts::DispatchQueue::global()->sync([&] { onGlobal = messageHere("g"); });
    if (onGlobal->threadName().isEmpty()) {
        EXPECT_EQ(formatter.queueThreadLabelForLogMessage(*onGlobal), onGlobal->threadID());
    }

    formatter.setMaxQueueLength(5);
    EXPECT_EQ(formatter.queueThreadLabelForLogMessage(*onQueue), QStringLiteral("analy"));
    formatter.setMaxQueueLength(0);
    formatter.setMinQueueLength(8);
    EXPECT_EQ(formatter.queueThreadLabelForLogMessage(*onMain), QStringLiteral("main    "));
    formatter.setMinQueueLength(0);

    formatter.setReplacementString(QStringLiteral("analyser"), QStringLiteral("analysis queue for words"));
    EXPECT_EQ(formatter.queueThreadLabelForLogMessage(*onQueue), QStringLiteral("analyser"));
    formatter.setReplacementString(QString(), QStringLiteral("analysis queue for words"));
    EXPECT_TRUE(formatter.replacementStringForQueueLabel(QStringLiteral("analysis queue for words")).isNull());

    QString line = formatter.formatLogMessage(*onMain);
    EXPECT_TRUE(line.endsWith(QStringLiteral(" [main (QOS:UN)] m"))) << line.toStdString();
    EXPECT_EQ(line.indexOf(QLatin1Char('[')), 24);
    EXPECT_EQ(LGDispatchQueueLogFormatter::serviceClassAbbreviation(33), QStringLiteral("UI"));
    EXPECT_EQ(LGDispatchQueueLogFormatter::serviceClassAbbreviation(9), QStringLiteral("BG"));
}

TEST(LGDispatchQueueLogFormatter, TimeShowsTheExactMillisecond) {
    // Many exact milliseconds are a hair below themselves as a double; each
    // must still show as itself, not as the one before.
    LGDispatchQueueLogFormatter formatter;
    const QDateTime base(QDate(2026, 12, 5), QTime(18, 43, 21), Qt::LocalTime);
    for (int ms = 0; ms < 1000; ++ms) {
        const QDateTime when = base.addMSecs(ms);
        EXPECT_EQ(formatter.stringFromDate(ts::Date::fromDateTime(when)),
                  when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss:zzz")));
    }
}

TEST(LGMultiFormatter, ChainsFormattersAndStopsAtTheFirstDrop) {
    LGMultiFormatter multi;
    auto original = messageHere("text");
    EXPECT_EQ(multi.formatLogMessage(*original), QStringLiteral("text"));

    auto a = std::make_shared<Suffix>(QStringLiteral(" a"));
    auto dropper = std::make_shared<Suffix>(QString());
    auto c = std::make_shared<Suffix>(QStringLiteral(" c"));
    multi.addFormatter(a);
    multi.addFormatter(c);
    EXPECT_EQ(multi.formatLogMessage(*original), QStringLiteral("text a c"));
    EXPECT_EQ(original->message(), QStringLiteral("text"));  // the original is untouched

    multi.removeAllFormatters();
    multi.addFormatter(a);
    multi.addFormatter(dropper);
    multi.addFormatter(c);
    c->calls = 0;
    EXPECT_TRUE(multi.formatLogMessage(*original).isNull());
    EXPECT_EQ(c->calls, 0);
    EXPECT_TRUE(multi.isFormattingWithFormatter(dropper));
    multi.removeFormatter(dropper);
    EXPECT_EQ(multi.formatters().size(), 2u);

    auto copy = LGMultiFormatter::logMessageForLine(QStringLiteral("other"), *original);
    EXPECT_EQ(copy->message(), QStringLiteral("other"));
    EXPECT_EQ(copy->timestamp(), original->timestamp());
    EXPECT_EQ(copy->threadID(), original->threadID());
}

TEST(LGAtomicCounter, CountsExactlyAcrossThreads) {
    LGAtomicCounter counter(5);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) counter.increment();
            for (int i = 0; i < 5000; ++i) counter.decrement();
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter.value(), 5 + 8 * 5000);
    EXPECT_EQ(counter.increment(), 40006);
}

#include "app/logging/LGLogMessage.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class Tag : public ts::Object {
    TS_OBJECT(Tag, ts::Object)
public:
    explicit Tag(int v = 0) : value(v) {}
    bool isEqual(const ts::Object& other) const override {
        return dynamic_cast<const Tag*>(&other) && static_cast<const Tag&>(other).value == value;
    }
    size_t hash() const override { return size_t(value); }
    int value;
};

LGLogMessage make(const QString& text, ts::ObjectPtr tag = nullptr, ts::Date when = ts::Date{100.5},
                  const QString& file = "/src/app/Thing.cpp") {
    return LGLogMessage(text, 3, 1, 0, file, "void Thing::go()", 42, std::move(tag), 0, when);
}

}  // namespace

TEST(LGLogMessage, FileNameWithoutExtension) {
    const struct {
        const char *path, *expected;
    } cases[] = {
        {"/work/app/AppController.mm", "AppController"},
        {"/work/app/Makefile", "Makefile"},
        {"/work/app/archive.tar.gz", "archive.tar"},
        {"Plain.cpp", "Plain"},
        {"NoSlashNoDot", "NoSlashNoDot"},
        {"/dotted.dir/File", "File"},  // a dot before the last slash is not an extension
        {"/work/", ""},
        {"/work/.hidden", ""},
        {"/latin/Verbum\xc3\xa4.m", "Verbum\xc3\xa4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LGExtractFileNameWithoutExtension(c.path, true), QString::fromUtf8(c.expected)) << c.path;
        EXPECT_EQ(LGExtractFileNameWithoutExtension(c.path, false), QString::fromUtf8(c.expected)) << c.path;
    }
    EXPECT_TRUE(LGExtractFileNameWithoutExtension(nullptr, true).isNull());
}

TEST(LGLogMessage, DerivedFileNameAndTheCurrentTimeByDefault) {
    EXPECT_EQ(make("text", nullptr, ts::Date{1}, "/a.b/src/two.ext.cpp").fileName(), QStringLiteral("two.ext"));
    LGLogMessage now(QStringLiteral("t"), 3, 1, 0, QString(), QString(), 0, nullptr, 0);
    EXPECT_NEAR(now.timestamp().seconds, ts::Date::now().seconds, 5.0);
}

TEST(LGLogMessage, EqualityComparesTheListedFieldsOnly) {
    auto tag = std::make_shared<Tag>(1);
    LGLogMessage a = make("x", tag);
    LGLogMessage b = make("x", std::make_shared<Tag>(1));  // equal, not identical, tag
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.hash(), b.hash());

    EXPECT_FALSE(a == make("y", tag));
    EXPECT_FALSE(a == make("x", std::make_shared<Tag>(2)));
    EXPECT_FALSE(a == make("x", nullptr));
    EXPECT_FALSE(a == make("x", tag, ts::Date{100.25}));
    // The file takes part, though its file name is derived from it.
    EXPECT_FALSE(a == make("x", tag, ts::Date{100.5}, "/other/Thing.cpp"));

    // Options are not compared.
    EXPECT_TRUE(a == LGLogMessage("x", 3, 1, 0, "/src/app/Thing.cpp", "void Thing::go()", 42, tag, LGLogMessageCopyFile,
                                  ts::Date{100.5}));

    // Made on another thread: the thread identifier differs.
    std::optional<LGLogMessage> elsewhere;
    std::thread([&] { elsewhere = make("x", tag); }).join();
    EXPECT_FALSE(a == *elsewhere);

    // The same call a moment later: a later, unequal message.
    auto makeNow = [] { return LGLogMessage("same", 3, 1, 0, "/f.cpp", "f", 1, nullptr, 0); };
    LGLogMessage first = makeNow();
    std::this_thread::sleep_for(std::chrono::microseconds(50));
    LGLogMessage second = makeNow();
    EXPECT_LT(first.timestamp().seconds, second.timestamp().seconds);
    EXPECT_FALSE(first == second);
}

TEST(LGLogMessage, CopySharesFieldsAndLeavesTheOriginalAlone) {
    LGLogMessage original = make("original", std::make_shared<Tag>(3));
    auto copy = original.copy();
    EXPECT_TRUE(*copy == original);
    EXPECT_EQ(copy->tag(), original.tag());  // shared, not copied deeply
    copy->setMessage(QStringLiteral("reformatted"));
    EXPECT_EQ(original.message(), QStringLiteral("original"));
    EXPECT_FALSE(*copy == original);
}

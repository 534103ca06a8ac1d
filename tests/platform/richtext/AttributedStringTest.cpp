#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Rtf.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <algorithm>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

using namespace ts;

namespace {

Attributes bold() { return {{AttributeName::Font, Value(Font::make("Helvetica-Bold", 12))}}; }
Attributes red() { return {{AttributeName::ForegroundColor, Value(Color::redColor())}}; }

// Runs must cover the text exactly, never be empty and never repeat their
// neighbour's attributes; every edit is checked against that.
void expectWellFormed(const AttributedString& s) {
    qsizetype total = 0;
    for (size_t i = 0; i < s.runs().size(); ++i) {
        EXPECT_GT(s.runs()[i].length, 0);
        if (i > 0) {
            EXPECT_FALSE(s.runs()[i].attributes == s.runs()[i - 1].attributes);
        }
        total += s.runs()[i].length;
    }
    EXPECT_EQ(total, s.length());
}

}  // namespace

TEST(AttributedString, AddAndRemoveAttributesSplitAndMergeRuns) {
    AttributedString s(QStringLiteral("Gallia est omnis"), bold());
    s.addAttribute(AttributeName::ForegroundColor, Value(Color::redColor()), {7, 3});
    expectWellFormed(s);
    ASSERT_EQ(s.runs().size(), 3u);
    TextRange r;
    Attributes a = s.attributes(8, &r);
    EXPECT_EQ(r, (TextRange{7, 3}));
    EXPECT_TRUE(a.count(AttributeName::ForegroundColor));
    EXPECT_TRUE(a.count(AttributeName::Font));

    // The font spans all three runs: its effective range is the whole text.
    s.attribute(AttributeName::Font, 8, &r);
    EXPECT_EQ(r, (TextRange{0, 16}));

    s.removeAttribute(AttributeName::ForegroundColor, {0, 16});
    expectWellFormed(s);
    EXPECT_EQ(s.runs().size(), 1u);
}

// Runs share their attribute sets with copies of the text and with other
// texts read alike; every kind of edit changes only the text edited.
TEST(AttributedString, EditsNeverReachTextsThatShareTheirAttributes) {
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}{\\colortbl;\\red255\\green0\\blue0;}"
                           "\\f0\\fs24 \\cf1 Gallia \\b est\\b0  omnis}";
    const AttributedString original = readRtf(rtf).text;
    ASSERT_EQ(original.runs().size(), 3u);
    const struct {
        const char* what;
        std::function<void(AttributedString&)> edit;
    } edits[] = {
        {"add", [](AttributedString& t) { t.addAttribute(AttributeName::Underline, Value(1), {0, 9}); }},
        {"add several", [](AttributedString& t) { t.addAttributes(bold(), {3, 6}); }},
        {"set", [](AttributedString& t) { t.setAttributes(bold(), {0, 16}); }},
        {"remove", [](AttributedString& t) { t.removeAttribute(AttributeName::ForegroundColor, {0, 16}); }},
        {"change", [](AttributedString& t) { t.changeAttributes([](Attributes& a) { a.erase(AttributeName::Font); }); }},
        {"add where missing", [](AttributedString& t) { t.addAttributeWhereMissing(AttributeName::Strikethrough, Value(1)); }},
        {"replace", [](AttributedString& t) { t.replaceCharacters({0, 6}, QStringLiteral("Italia")); }},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.what);
        AttributedString copy = original;
        AttributedString again = readRtf(rtf).text;
        ASSERT_TRUE(again.isEqualToAttributedString(original));
        e.edit(copy);
        e.edit(again);
        expectWellFormed(copy);
        EXPECT_TRUE(copy.isEqualToAttributedString(again)) << "the same edit gives the same text";
        EXPECT_FALSE(copy.isEqualToAttributedString(original));
        const AttributedString fresh = readRtf(rtf).text;
        EXPECT_TRUE(original.isEqualToAttributedString(fresh)) << "the original and later reads are untouched";
    }
}

// One run is held in place, more in a list of their own: texts move
// between the two forms through edits, copies and moves without change.
TEST(AttributedString, RunsMoveBetweenOneAndSeveral) {
    AttributedString s(QStringLiteral("Gallia est omnis"), bold());
    const AttributedString one = s;
    s.addAttribute(AttributeName::ForegroundColor, Value(Color::redColor()), {7, 3});
    ASSERT_EQ(s.runs().size(), 3u);
    AttributedString several = s;
    EXPECT_TRUE(several.isEqualToAttributedString(s));
    AttributedString moved = std::move(s);
    EXPECT_TRUE(moved.isEqualToAttributedString(several));
    moved.removeAttribute(AttributeName::ForegroundColor, {0, 16});
    moved.squeeze();
    expectWellFormed(moved);
    EXPECT_TRUE(moved.isEqualToAttributedString(one));
    // Each form assigned over the other, and emptied.
    AttributedString a = one, b = several;
    a = several;
    b = one;
    EXPECT_TRUE(a.isEqualToAttributedString(several));
    EXPECT_TRUE(b.isEqualToAttributedString(one));
    a.deleteCharacters({0, 16});
    EXPECT_TRUE(a.runs().empty());
    a.append(QStringLiteral("est"), red());
    a.insert(one, 0);
    expectWellFormed(a);
    EXPECT_EQ(a.string(), QStringLiteral("Gallia est omnisest"));
    EXPECT_EQ(a.runs().size(), 2u);
    EXPECT_EQ(one.runs().size(), 1u);
}

TEST(AttributedString, ReplaceInheritsAttributesLikeTheTextSystem) {
    AttributedString s(QStringLiteral("ab"), bold());
    s.append(QStringLiteral("cd"), red());
    // Replacing takes the first replaced character's attributes.
    s.replaceCharacters({2, 1}, QStringLiteral("XY"));
    EXPECT_EQ(s.string(), QStringLiteral("abXYd"));
    EXPECT_TRUE(s.attributes(2).count(AttributeName::ForegroundColor));
    // Inserting takes the attributes of the character before.
    s.replaceCharacters({2, 0}, QStringLiteral("_"));
    EXPECT_TRUE(s.attributes(2).count(AttributeName::Font));
    EXPECT_FALSE(s.attributes(2).count(AttributeName::ForegroundColor));
    // At the very start, of the character after.
    s.replaceCharacters({0, 0}, QStringLiteral(">"));
    EXPECT_TRUE(s.attributes(0).count(AttributeName::Font));
    expectWellFormed(s);
}

TEST(AttributedString, OutOfRangeEditsAreClippedNotFatal) {
    AttributedString s(QStringLiteral("abc"));
    s.addAttributes(red(), {2, 100});
    s.removeAttribute(AttributeName::Font, {-5, 2});
    s.replaceCharacters({10, 4}, QStringLiteral("d"));
    EXPECT_EQ(s.string(), QStringLiteral("abcd"));
    EXPECT_TRUE(s.attributes(99).empty());
    expectWellFormed(s);
}

TEST(AttributedString, ReplacingWithItselfKeepsBothCopies) {
    AttributedString s(QStringLiteral("ab"), bold());
    s.append(QStringLiteral("c"), red());
    s.replaceCharacters({1, 1}, s);
    EXPECT_EQ(s.string(), QStringLiteral("aabcc"));
    ASSERT_EQ(s.runs().size(), 2u);
    EXPECT_EQ(s.runs()[0].length, 3);
    EXPECT_EQ(s.attributes(2), bold());
    EXPECT_EQ(s.attributes(3), red());
    s.insert(s, 0);
    EXPECT_EQ(s.string(), QStringLiteral("aabccaabcc"));
    expectWellFormed(s);
}

TEST(AttributedString, SelfAppendAndSubstring) {
    AttributedString s(QStringLiteral("ab"), bold());
    s.append(QStringLiteral("c"), red());
    s.append(s);
    EXPECT_EQ(s.string(), QStringLiteral("abcabc"));
    EXPECT_EQ(s.runs().size(), 4u);
    const AttributedString sub = s.attributedSubstring({1, 3});
    EXPECT_EQ(sub.string(), QStringLiteral("bca"));
    ASSERT_EQ(sub.runs().size(), 3u);
    EXPECT_EQ(sub.runs()[0].length, 1);
    expectWellFormed(sub);

    int count = 0;
    s.enumerateAttributes({1, 4}, [&](const Attributes&, TextRange r) {
        EXPECT_GE(r.location, 1);
        EXPECT_LE(r.end(), 5);
        ++count;
        return true;
    });
    EXPECT_EQ(count, 3);  // "b", "c", then "ab" clipped from the third run
}

// Sets made from a dictionary, built pair by pair (in order or not), or
// changed one attribute at a time read the same as the dictionary; the
// dictionary a set makes on request is one, however many threads ask first.
TEST(AttributedString, AttributeSetsReadLikeTheirDictionaries) {
    const Value font(Font::make("Helvetica", 12)), color(Color::redColor());
    const Attributes cases[] = {
        {},
        {{AttributeName::Font, font}},
        {{AttributeName::BackgroundColor, color}, {AttributeName::ForegroundColor, color}, {AttributeName::Font, font},
         {AttributeName::Underline, Value(1)}},
    };
    for (const Attributes& map : cases) {
        SCOPED_TRACE(map.size());
        const AttributeSet fromMap(map);
        AttributeSet::Builder inOrder(map.size());
        for (const auto& [k, v] : map) inOrder.add(k, v);
        AttributeSet::Builder reversed(1);
        for (auto it = map.rbegin(); it != map.rend(); ++it) reversed.add(it->first, Value(0));
        for (auto it = map.rbegin(); it != map.rend(); ++it) reversed.add(it->first, it->second);
        const AttributeSet sets[] = {fromMap, inOrder.finish(), reversed.finish()};
        for (const AttributeSet& set : sets) {
            EXPECT_TRUE(set == fromMap);
            EXPECT_TRUE(set == map);
            EXPECT_EQ(set.size(), map.size());
            EXPECT_TRUE(std::equal(set.begin(), set.end(), map.begin(), map.end())) << "pairs in the order of their names";
            for (const auto& [k, v] : map) {
                EXPECT_EQ(set.at(k), v);
                EXPECT_EQ(set.count(k), 1u);
            }
            EXPECT_EQ(set.find(AttributeName::Link), set.end());
            EXPECT_TRUE(set.value(AttributeName::Link).isNull());
        }
        Attributes changed = map;
        changed[AttributeName::Font] = Value(Font::make("Times-Roman", 10));
        changed[AttributeName::Link] = Value("footnote:1");
        const AttributeSet with = fromMap.with(AttributeName::Font, changed[AttributeName::Font])
                                      .with(AttributeName::Link, changed[AttributeName::Link]);
        EXPECT_TRUE(with == changed);
        EXPECT_FALSE(with == fromMap);
        EXPECT_TRUE(fromMap == map) << "the set it came from is unchanged";

        std::vector<const Attributes*> seen(4);
        std::vector<std::thread> threads;
        for (size_t i = 0; i < seen.size(); ++i) threads.emplace_back([&, i] { seen[i] = &with.get(); });
        for (std::thread& t : threads) t.join();
        for (const Attributes* m : seen) EXPECT_EQ(m, seen.front());
        EXPECT_EQ(*seen.front(), changed);
    }
}

// A reader's runs with no length, of negative length, short of the text or
// beyond it (also by a sum that overflows): the text made is always sound,
// equal to one built by edits when the runs were good, plain when not.
TEST(AttributedString, TextsFromRunsAreSoundWhateverTheRuns) {
    using Run = AttributedString::Run;
    const QString text = QStringLiteral("Gallia est");
    AttributedString styled(QStringLiteral("Gallia"), bold());
    styled.append(QStringLiteral(" est"), red());
    const AttributedString plain(text);
    const AttributedString allBold(text, bold());
    const qsizetype huge = std::numeric_limits<qsizetype>::max();
    struct Case { std::vector<Run> runs; const AttributedString* expected; };
    const Case cases[] = {
        {{{6, bold()}, {4, red()}}, &styled},
        {{{0, red()}, {6, bold()}, {0, bold()}, {4, red()}, {0, bold()}}, &styled},
        {{{6, bold()}, {0, red()}, {4, bold()}}, &allBold},  // equal neighbours once the empty run is gone
        {{{0, bold()}, {3, bold()}, {0, red()}, {0, red()}, {3, bold()}, {0, plain.runs()[0].attributes}, {4, bold()}}, &allBold},
        {{{8, bold()}, {-2, red()}, {4, red()}}, &plain},
        {{{12, bold()}, {-2, red()}}, &plain},
        {{{6, bold()}}, &plain},
        {{{6, bold()}, {5, red()}}, &plain},
        {{}, &plain},
        {{{huge, bold()}, {huge, red()}, {12, bold()}}, &plain},  // wraps round to the text's length
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runs.size());
        const AttributedString s = AttributedString::withRuns(text, c.runs);
        expectWellFormed(s);
        EXPECT_TRUE(s.isEqualToAttributedString(*c.expected)) << s.description().toStdString();
        for (qsizetype i = 0; i < s.length(); ++i) EXPECT_EQ(s.attributes(i, nullptr), c.expected->attributes(i, nullptr)) << i;
        AttributedString edited = s;
        edited.append(QStringLiteral(" omnis"), red());
        expectWellFormed(edited);
        EXPECT_EQ(edited.string(), text + QStringLiteral(" omnis"));
    }
    for (const std::vector<Run>& runs : {std::vector<Run>{}, std::vector<Run>{{0, bold()}}, std::vector<Run>{{3, bold()}}}) {
        const AttributedString empty = AttributedString::withRuns(QString(), runs);
        EXPECT_EQ(empty.length(), 0);
        EXPECT_TRUE(empty.runs().empty());
    }
}

// The run list, one run held in place or many in a vector, behaves as a
// vector through a long random sequence of its operations.
TEST(AttributedString, RunListBehavesAsAVector) {
    using Run = AttributedString::Run;
    const AttributeSet sets[] = {AttributeSet(), AttributeSet(bold()), AttributeSet(red())};
    QRandomGenerator random(5);
    auto someRun = [&] { return Run{qsizetype(1 + random.bounded(9)), sets[random.bounded(3)]}; };
    AttributedString::RunList list, other;
    std::vector<Run> model, otherModel;
    for (int step = 0; step < 5000; ++step) {
        const int at = model.empty() ? 0 : int(random.bounded(int(model.size()) + 1));
        switch (random.bounded(model.size() > 3 ? 12 : 9)) {
        case 0: case 1: { const Run r = someRun(); list.push_back(r); model.push_back(r); break; }
        case 2: { const Run r = someRun(); list.insert(list.begin() + at, r); model.insert(model.begin() + at, r); break; }
        case 3: {
            const std::vector<Run> more = {someRun(), someRun()};
            const size_t n = random.bounded(3);
            list.insert(list.begin() + at, more.data(), more.data() + n);
            model.insert(model.begin() + at, more.begin(), more.begin() + qsizetype(n));
            break;
        }
        case 4: list.shrink_to_fit(); break;
        case 5: std::swap(list, other), std::swap(model, otherModel); break;
        case 6: list = other, model = otherModel; break;
        case 7: { std::vector<Run> v(random.bounded(3), someRun()); model = v; list = std::move(v); break; }
        case 8: if (random.bounded(4) == 0) list.clear(), model.clear(); break;
        default: {
            const int from = int(random.bounded(int(model.size()) + 1));
            const int to = from + int(random.bounded(int(model.size()) - from + 1));
            list.erase(list.begin() + from, list.begin() + to);
            model.erase(model.begin() + from, model.begin() + to);
        }
        }
        ASSERT_EQ(list.size(), model.size()) << step;
        ASSERT_GE(list.capacity(), list.size());
        ASSERT_TRUE(std::equal(list.begin(), list.end(), model.begin(), model.end())) << step;
        ASSERT_TRUE(std::equal(other.begin(), other.end(), otherModel.begin(), otherModel.end())) << step;
        if (!model.empty()) {
            ASSERT_TRUE(list.back() == model.back());
        }
    }
}

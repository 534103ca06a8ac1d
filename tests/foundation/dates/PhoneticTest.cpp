#include "foundation/PhoneticExtensions.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <random>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace StringExtensions;

namespace {

struct KeyCase {
    const char* word;
    const char* key;
};

TEST(Metaphone, KeysFollowTheLetterRules)
{
    const KeyCase cases[] = {
        {"", ""},
        {"   ", ""},
        {"knight", "nikt"},      // initial kn; gh not at the end gives k
        {"wright", "rikt"},      // initial wr
        {"x", "s"},              // a word of only x
        {"xx", "s"},             // collapsed to one x first
        {"a", "a"},              // any other single letter goes through
        {"thomas", "0ms"},       // th
        {"philo", "fl"},         // ph, then h after p is silent
        {"lamb", "lm"},          // final b after m
        {"cicero", "ssr"},       // c before i and e
        {"schola", "sxl"},       // ch gives x, sch leaves the h silent
        {"laugh", "lh"},         // gh at the end is silent; a final h after g is kept
        {"back", "bkk"},         // the previous-letter window is empty at the end
        {"nation", "nxn"},       // tio
        {"dodge", "tj"},         // dge: d gives j, g is silent
        {"white", "wit"},        // initial wh
        {"aeneas", "ens"},       // initial ae; vowels after the first position are silent
        {"gnome", "nom"},        // initial gn
        {"\xc3\xa9t\xc3\xa9", "et"},  // diacritics folded away
        {"Ab Cd", "abkt"},       // lower-cased, blanks removed
        {"r2d2", "r2t2"},        // digits pass through
        {"ratio", "rx"},         // tio after the first letter
        {"vox", "fks"},
        {"quiz", "ks"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(metaphone(QString::fromUtf8(c.word)), QString::fromUtf8(c.key)) << c.word;
    EXPECT_TRUE(metaphone(QString()).isNull());
}

TEST(Metaphone, DoubledLettersCountOnce)
{
    EXPECT_EQ(metaphone("cassius"), metaphone("casius"));
    EXPECT_EQ(metaphone("Gallia"), metaphone("galia"));
}

TEST(Metaphone, LatinKeyIsLowerCaseWithoutDiacritics)
{
    EXPECT_EQ(latinMetaphone(QString::fromUtf8("R\xc5\x8dma")), "roma");
    EXPECT_TRUE(latinMetaphone(QString()).isNull());
}

TEST(Similarity, SymmetricAndMissingStringsNeverMatch)
{
    const std::pair<const char*, const char*> pairs[] = {
        {"cassius", "casius"}, {"thomas", "tomas"}, {"philo", "filo"}, {"amo", "amor"},
    };
    for (const auto& [a, b] : pairs)
        EXPECT_EQ(similarToString(a, b), similarToString(b, a)) << a << " " << b;
    EXPECT_TRUE(similarToString("philo", "filo"));
    EXPECT_FALSE(similarToString("amo", "amor"));
    EXPECT_FALSE(similarToString(QString(), QString()));
    EXPECT_FALSE(similarToString(QString(), ""));
}

TEST(Similarity, SoundsLikeStoresZeroOrTheDistanceOfTheStrings)
{
    float distance = -1;
    EXPECT_TRUE(soundsLikeString("cassius", "casius", &distance));
    EXPECT_EQ(distance, 0.0f);
    EXPECT_FALSE(soundsLikeString("amor", "roma", &distance));
    EXPECT_EQ(distance, 3.0f);
    EXPECT_TRUE(soundsLikeString("philo", "filo", nullptr));
}

struct DistanceCase {
    const char* a;
    const char* b;
    float distance;
};

TEST(EditDistance, Cases)
{
    const DistanceCase cases[] = {
        {"amo", "amor", 1},
        {"amor", "roma", 3},
        {"ab", "ba", 1},               // one swap of neighbours
        {"Amo", "  amo \n", 0},        // trimmed and lower-cased
        {"", "amo", 3},
        {"amo", "", 3},
        {"", "", 0},
        {"ca", "abc", 3},              // a swapped pair is not edited again
        {"kitten", "sitting", 3},
        {"abcdef", "badcfe", 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(levenshteinDistance(c.a, c.b), c.distance) << c.a << " / " << c.b;
        EXPECT_EQ(levenshteinDistance(c.b, c.a), c.distance) << c.b << " / " << c.a;
    }
    EXPECT_EQ(levenshteinDistance(QString(), "amo"), 3.0f);
}

// The distance as a whole (n+1) x (m+1) table, written out plainly.
qint64 fullMatrixDistance(QString a, QString b)
{
    a = a.trimmed().toLower();
    b = b.trimmed().toLower();
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    if (n == 0 || m == 0)
        return std::max(n, m);
    std::vector<std::vector<qint64>> d(size_t(n + 1), std::vector<qint64>(size_t(m + 1)));
    for (qsizetype i = 0; i <= n; ++i)
        d[i][0] = i;
    for (qsizetype j = 0; j <= m; ++j)
        d[0][j] = j;
    for (qsizetype i = 1; i <= n; ++i) {
        for (qsizetype j = 1; j <= m; ++j) {
            const qint64 cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i >= 2 && j >= 2 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + cost);
        }
    }
    return d[n][m];
}

TEST(EditDistance, AgreesWithTheFullTableOnRandomPairs)
{
    std::mt19937 random(20241207);
    // A small alphabet makes repeats and swapped neighbours common; the
    // accented letter and the capital exercise lower-casing and code units.
    const QString alphabet = QString::fromUtf8("abcdA\xc3\xa9 ");
    const auto randomString = [&] {
        const int length = std::uniform_int_distribution<int>(0, 14)(random);
        QString s;
        for (int i = 0; i < length; ++i)
            s += alphabet[std::uniform_int_distribution<int>(0, int(alphabet.size()) - 1)(random)];
        return s;
    };
    for (int k = 0; k < 1000; ++k) {
        const QString a = randomString();
        const QString b = randomString();
        ASSERT_EQ(levenshteinDistance(a, b), float(fullMatrixDistance(a, b))) << qPrintable(a) << " / " << qPrintable(b);
    }
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TS_ADDRESS_LIMITS_UNRELIABLE 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TS_ADDRESS_LIMITS_UNRELIABLE 1
#endif
#endif

TEST(EditDistance, LongStringsNeedLittleMemory)
{
#ifdef TS_ADDRESS_LIMITS_UNRELIABLE
    GTEST_SKIP() << "sanitizers reserve address space of their own";
#else
    // Strings of 100,000 and 3,000 characters: a whole table would take
    // 2.4 GB; the child may only grow by 256 MB.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        long pages = 0;
        if (FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(f);
        }
        limit.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(256) << 20);
        setrlimit(RLIMIT_AS, &limit);
        const QString a(100000, u'a');
        QString b(3000, u'a');
        b[10] = u'b';
        const float d = levenshteinDistance(a, b);
        _exit(d == 97001.0f ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ran out of memory or crashed";
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

}  // namespace

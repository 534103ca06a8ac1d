// The page ripper and the page parser over small pages written here, read
// through files and through an injected fetcher (never the network).

#include "foundation/TSPageRipper.h"
#include "foundation/ZHPageParser.h"

#include "support/CaptureLogger.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ts;

namespace {

// Serves pages from memory for http URLs; anything else is unreadable.
class FakeWeb {
public:
    FakeWeb() {
        setPageFetcher([this](const QUrl& url) -> std::optional<QByteArray> {
            requests << url.toString();
            auto it = pages.constFind(url.toString());
            if (it == pages.constEnd()) return std::nullopt;
            return *it;
        });
    }
    ~FakeWeb() { setPageFetcher(nullptr); }
    QHash<QString, QByteArray> pages;
    QStringList requests;
};

QStringList strings(const Value& v) {
    QStringList out;
    for (const Value& s : v.array()) out << s.toString();
    return out;
}

QString writePage(const QTemporaryDir& dir, const QString& name, const QByteArray& html) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(html);
    return path;
}

}  // namespace

TEST(PageRipper, TitleAndTextPieces) {
    FakeWeb web;
    web.pages["http://lib.example/texts/a.html"] =
        "<html><head><title>Head title</title></head><body>"
        "<p>arma virumque cano</p>"
        "<p class=\"pagehead\">liber primus</p>"
        "<div>Troiae <span>qui</span> primus</div>"
        "</body></html>";
    CaptureLogger::Scope capture;
    TSPageRipper ripper;
    ValueDictionary page = ripper.parsePageAtURL(QUrl(QStringLiteral("http://lib.example/texts/a.html")));

    EXPECT_EQ(page[QStringLiteral("title")], Value("liber primus"));
    // The paragraph's text child does not add it twice; the pagehead's does,
    // since it differs from the last piece.
    EXPECT_EQ(strings(page[QStringLiteral("text")]),
              (QStringList{"arma virumque cano", "liber primus", "Troiae", "qui", "primus"}));
    EXPECT_FALSE(page.count(QStringLiteral("links")));
    EXPECT_TRUE(capture->contains(QStringLiteral("div: Troiae")));
    EXPECT_FALSE(capture->contains(QStringLiteral("span:")));
    EXPECT_EQ(ripper.curURL(), QUrl(QStringLiteral("http://lib.example/texts/a.html")));
    EXPECT_TRUE(ripper.stackList().isEmpty());
}

TEST(PageRipper, TitleFromHeadOrNone) {
    FakeWeb web;
    web.pages["http://x.example/h.html"] = "<html><head><title> From head </title></head><body><p>t</p></body></html>";
    web.pages["http://x.example/n.html"] = "<html><body><p>t</p></body></html>";
    TSPageRipper withHead;
    EXPECT_EQ(withHead.parsePageAtURL(QUrl(QStringLiteral("http://x.example/h.html")))[QStringLiteral("title")],
              Value("From head"));

    CaptureLogger::Scope capture;
    TSPageRipper none;
    ValueDictionary page = none.parsePageAtURL(QUrl(QStringLiteral("http://x.example/n.html")));
    EXPECT_FALSE(page.count(QStringLiteral("title")));
    EXPECT_EQ(capture->messages().filter(QStringLiteral("No title for /n.html")).size(), 1);

    // An unreadable page answers neither text nor links, only why.
    TSPageRipper missing;
    ValueDictionary empty = missing.parsePageAtURL(QUrl(QStringLiteral("http://x.example/missing.html")));
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_FALSE(empty[QStringLiteral("error")].toString().isEmpty());
    EXPECT_EQ(lastPageFetchError(), empty[QStringLiteral("error")].toString());
}

TEST(PageRipper, LinksAreFilteredAndResolved) {
    FakeWeb web;
    web.pages["http://lib.example/texts/part1.html"] =
        "<html><head><title>t</title></head><body>"
        "<a href=\"#top\">a</a><a href=\"/home.html\">b</a><a href=\"index2.html\">c</a>"
        "<a href=\"classics.html\">d</a><a href=\"christian.html\">e</a>"
        "<a href=\"part2.shtml\">f</a><a href=\"sub/part3.html?x=1#y\">g</a>"
        "<a href=\"javascript:alert(1)\">h</a><a href=\"mailto:a@b.c\">i</a><a href=\"file:///etc/passwd\">j</a>"
        "<a href=\"https://other.example/z.html\">k</a><a href=\"//proto.example/p\">l</a><a>no href</a>"
        "</body></html>";
    TSPageRipper ripper;
    ValueDictionary page = ripper.parsePageAtURL(QUrl(QStringLiteral("http://lib.example/texts/part1.html")));
    EXPECT_EQ(strings(page[QStringLiteral("links")]),
              (QStringList{"http://lib.example/texts/part2.shtml", "http://lib.example/texts/sub/part3.html?x=1#y",
                           "https://other.example/z.html"}));
    EXPECT_EQ(web.requests, QStringList{"http://lib.example/texts/part1.html"});  // links are not followed
}

TEST(PageRipper, LocalFilesHaveNoBaseForRelativeLinks) {
    QTemporaryDir dir;
    const QString path = writePage(dir, QStringLiteral("p.html"),
                                   "<body><p>Gallia</p><a href=\"next.html\">n</a>"
                                   "<a href=\"http://a.example/x\">x</a></body>");
    TSPageRipper ripper;
    ripper.parsePageAtLocation(path);
    // Link texts are text pieces too; only the links themselves are filtered.
    EXPECT_EQ(ripper.stackStrings(), (QStringList{"Gallia", "n", "x"}));
    EXPECT_TRUE(ripper.curURL().isEmpty());
    ASSERT_EQ(ripper.links().size(), 1);
    EXPECT_EQ(ripper.links()[0], QUrl(QStringLiteral("http://a.example/x")));

    // The default fetcher reads file URLs and refuses the network.
    TSPageRipper fromURL;
    ValueDictionary page = fromURL.parsePageAtURL(QUrl::fromLocalFile(path));
    EXPECT_EQ(strings(page[QStringLiteral("links")]).size(), 2);
    EXPECT_FALSE(fetchPage(QUrl(QStringLiteral("http://127.0.0.1:9/never"))).has_value());
}

TEST(PageParser, LeavesOutsideLinksAndHeadings) {
    FakeWeb web;
    web.pages["http://x.example/1.html"] =
        "<html><head><title>not body</title></head><body>"
        "<h1>Title</h1><h2>Sub <b>bold</b></h2><h3>three</h3><h4>four</h4>"
        "<p>Gallia <a href=\"x\">link <b>deep</b></a>est <i>omnis</i></p><!--note-->"
        "</body></html>";
    web.pages["http://x.example/2.html"] = "<body><p>divisa in partes</p></body>";
    ZHPageParser parser;
    EXPECT_EQ(parser.parsePageAtURL(QUrl(QStringLiteral("http://x.example/1.html"))),
              QStringLiteral("fourGallia est omnisnote"));
    EXPECT_EQ(parser.parsePageAtURL(QUrl(QStringLiteral("http://x.example/2.html"))),
              QStringLiteral("divisa in partes"));
    EXPECT_EQ(parser.parsePageAtURL(QUrl(QStringLiteral("http://x.example/none.html"))), QString(""));
    EXPECT_TRUE(parser.stack().isEmpty());
}

TEST(PageParser, LocationsKeepTheirText) {
    QTemporaryDir dir;
    const QString a = writePage(dir, QStringLiteral("a.html"), "<body><p>quarum </p></body>");
    const QString b = writePage(dir, QStringLiteral("b.html"), "<body><p>unam</p></body>");
    ZHPageParser parser;
    parser.parsePageAtLocation(a);
    parser.parsePageAtLocation(b);
    EXPECT_EQ(parser.contents(), QStringLiteral("quarum unam"));

    // "~" expands to the home folder.
    QTemporaryDir home(QDir::homePath() + QStringLiteral("/zh-test-XXXXXX"));
    if (home.isValid()) {
        writePage(home, QStringLiteral("c.html"), "<body>tres</body>");
        const QString tilde = QStringLiteral("~") + home.path().mid(QDir::homePath().size()) + QStringLiteral("/c.html");
        ZHPageParser p2;
        p2.parsePageAtLocation(tilde);
        EXPECT_EQ(p2.contents(), QStringLiteral("tres"));
    }
}

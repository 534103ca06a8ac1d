// XPath over HTML and XML: node dictionaries, element accessors, console
// lines on failure, hostile input and the bounded "raw" markup.

#include "foundation/HXDocument.h"
#include "foundation/HXElement.h"

#include "XmlTestSupport.h"
#include "../ConsoleCapture.h"

#include <QElapsedTimer>
#include <QSet>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <gtest/gtest.h>

#include <mutex>

using namespace ts;

namespace {

// libxml2's own serialisation of the page's body (or of its first child).
QString libxmlDump(const QByteArray& page, const char* encoding, bool firstChild) {
    htmlDocPtr doc = htmlReadMemory(page.constData(), int(page.size()), "", encoding, 96);
    if (!doc) return QString();
    xmlNodePtr body = xmlDocGetRootElement(doc)->children;
    while (body && !xmlStrEqual(body->name, BAD_CAST "body")) body = body->next;
    QString out;
    if (body) {
        xmlBufferPtr buf = xmlBufferCreate();
        xmlNodeDump(buf, doc, firstChild ? body->children : body, 0, 0);
        out = QString::fromUtf8(reinterpret_cast<const char*>(xmlBufferContent(buf)));
        xmlBufferFree(buf);
    }
    xmlFreeDoc(doc);
    return out;
}

const ValueArray& arrayAt(const Value& v, const char* key) {
    return v[QString::fromLatin1(key)].array();
}

// The "raw" bytes of a dictionary tree (markup shared between nested results
// counted once), its depth and its node count.
qint64 measure(const Value& node, int depth, qint64& rawBytes, int& maxDepth, QSet<const QChar*>* seen = nullptr) {
    const QString raw = node[QStringLiteral("raw")].toString();
    if (!seen || (!raw.isEmpty() && !seen->contains(raw.constData()))) {
        rawBytes += raw.toUtf8().size();
        if (seen) seen->insert(raw.constData());
    }
    maxDepth = std::max(maxDepth, depth);
    qint64 nodes = 1;
    for (const Value& c : arrayAt(node, "nodeChildArray")) nodes += measure(c, depth + 1, rawBytes, maxDepth, seen);
    return nodes;
}

class HXQueryTest : public ::testing::Test {
protected:
    void SetUp() override { xmltest::LoaderRecorder::instance().install(); }
    void TearDown() override { EXPECT_EQ(xmltest::LoaderRecorder::instance().requests(), QStringList()); }
};

}  // namespace

TEST_F(HXQueryTest, ParagraphBecomesANodeDictionary) {
    auto result = htmlQuery("<html><body><p class=\"x\">Gallia est</p></body></html>", QStringLiteral("//p"));
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), 1u);
    const Value& p = (*result)[0];
    EXPECT_EQ(p[QStringLiteral("nodeName")], Value("p"));
    ASSERT_EQ(arrayAt(p, "nodeAttributeArray").size(), 1u);
    EXPECT_EQ(arrayAt(p, "nodeAttributeArray")[0],
              Value(ValueDictionary{{"attributeName", Value("class")}, {"nodeContent", Value("x")}}));
    ASSERT_EQ(arrayAt(p, "nodeChildArray").size(), 1u);
    EXPECT_EQ(arrayAt(p, "nodeChildArray")[0],
              Value(ValueDictionary{{"nodeName", Value("text")}, {"nodeContent", Value("Gallia est")}}));
    EXPECT_EQ(p[QStringLiteral("raw")], Value("<p class=\"x\">Gallia est</p>"));
    EXPECT_FALSE(p.contains(QStringLiteral("nodeContent")));
}

TEST_F(HXQueryTest, RawMatchesLibxmlNodeDump) {
    // "raw" is libxml2's own serialisation of the node, escapes and all.
    const QByteArray page = "<html><body><div id=\"d\"><p>a &amp; b<br>\xC3\xA9</p><!--c--><img src=x></div></body></html>";
    const QString expected = libxmlDump(page, "UTF-8", true);
    ASSERT_FALSE(expected.isEmpty());

    HXElementPtr div = HXDocument::documentWithHTMLData(page, QStringLiteral("UTF-8"))
                           ->peekAtSearchWithXPathQuery(QStringLiteral("//div"));
    ASSERT_TRUE(div);
    EXPECT_EQ(div->raw(), expected);
    EXPECT_TRUE(div->raw().contains(QString::fromUtf8("é")));
}

TEST_F(HXQueryTest, ElementAccessors) {
    auto doc = HXDocument::documentWithHTMLData(
        "<body><div class=\"a b\" title=\"  padded  \">  lead <b class=\"a\">bold</b><i>x</i><b>two</b></div></body>");
    HXElementPtr div = doc->peekAtSearchWithXPathQuery(QStringLiteral("//div"));
    ASSERT_TRUE(div);
    EXPECT_EQ(div->tagName(), QStringLiteral("div"));
    EXPECT_EQ(div->objectForKey(QStringLiteral("title")), QStringLiteral("padded"));
    EXPECT_EQ((*div)[QStringLiteral("class")], QStringLiteral("a b"));
    EXPECT_TRUE(div->objectForKey(QStringLiteral("none")).isNull());
    EXPECT_EQ(div->attributes().size(), 2);
    EXPECT_EQ(div->text(), QStringLiteral("  lead "));
    EXPECT_TRUE(div->hasChildren());
    EXPECT_FALSE(div->isTextNode());

    std::vector<HXElementPtr> kids = div->children();
    ASSERT_EQ(kids.size(), 4u);
    EXPECT_TRUE(kids[0]->isTextNode());
    EXPECT_EQ(kids[1]->parent(), div);
    EXPECT_EQ(div->childrenWithTagName(QStringLiteral("b")).size(), 2u);
    EXPECT_EQ(div->firstChildWithTagName(QStringLiteral("i"))->text(), QStringLiteral("x"));
    EXPECT_EQ(div->childrenWithClassName(QStringLiteral("a")).size(), 1u);
    EXPECT_EQ(div->firstChildWithClassName(QStringLiteral("a"))->text(), QStringLiteral("bold"));
    EXPECT_FALSE(div->firstChildWithTagName(QStringLiteral("table")));

    // A class of two words matches only as a whole.
    HXElementPtr body = doc->peekAtSearchWithXPathQuery(QStringLiteral("//body"));
    EXPECT_TRUE(body->childrenWithClassName(QStringLiteral("a")).empty());
    EXPECT_EQ(body->childrenWithClassName(QStringLiteral("a b")).size(), 1u);

    // children() answers equal but distinct elements each time.
    std::vector<HXElementPtr> again = div->children();
    ASSERT_EQ(again.size(), kids.size());
    EXPECT_NE(again[1].get(), kids[1].get());
    EXPECT_EQ(again[1]->node(), kids[1]->node());

    // The parent link does not keep the parent alive.
    HXElementPtr child = kids[1];
    kids.clear();
    again.clear();
    div.reset();
    EXPECT_FALSE(child->parent());
    EXPECT_EQ(child->tagName(), QStringLiteral("b"));

    // An element's own query reads its markup.
    HXElementPtr body2 = doc->peekAtSearchWithXPathQuery(QStringLiteral("//body"));
    std::vector<HXElementPtr> bolds = body2->searchWithXPathQuery(QStringLiteral("//b"));
    ASSERT_EQ(bolds.size(), 2u);
    EXPECT_EQ(bolds[1]->text(), QStringLiteral("two"));
    EXPECT_FALSE(bolds[0]->parent());
}

TEST_F(HXQueryTest, FailuresWriteConsoleLinesAndAnswerNothing) {
    ConsoleCapture console;
    EXPECT_FALSE(htmlQuery(QByteArray(), QStringLiteral("//p")));
    EXPECT_FALSE(htmlQuery("<p>x</p>", QStringLiteral("//p[")));
    EXPECT_FALSE(htmlQuery("<p>x</p>", QStringLiteral("count(//p)")));
    EXPECT_EQ(ConsoleCapture::lines,
              (QStringList{"Unable to parse.", "Unable to evaluate XPath.", "Nodes was nil."}));

    auto doc = HXDocument::documentWithHTMLData("<p>x</p>");
    EXPECT_TRUE(doc->searchWithXPathQuery(QStringLiteral("//p[")).empty());
    EXPECT_TRUE(doc->searchWithXPathQuery(QStringLiteral("//table")).empty());
    EXPECT_FALSE(doc->peekAtSearchWithXPathQuery(QStringLiteral("//table")));
    EXPECT_TRUE(HXElement().searchWithXPathQuery(QStringLiteral("//p")).empty());
}

TEST_F(HXQueryTest, OddNodeKindsAreSafe) {
    const QByteArray xml = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"ent\">]>"
                           "<r xmlns:p=\"urn:p\" a=\"1\"><!--c--><?pi d?><![CDATA[x]]>&e;<p:q/></r>";
    for (const char* xpath : {"/", "//@a", "//namespace::*", "//comment()", "//processing-instruction()",
                              "//text()", "//node()", "/r/node()"}) {
        auto result = xmlQuery(xml, QString::fromLatin1(xpath));
        ASSERT_TRUE(result) << xpath;
    }
    auto attr = xmlQuery(xml, QStringLiteral("//@a"));
    ASSERT_EQ(attr->size(), 1u);
    EXPECT_EQ((*attr)[0][QStringLiteral("nodeName")], Value("a"));
    auto text = xmlQuery(xml, QStringLiteral("//text()"));
    ASSERT_FALSE(text->empty());
    EXPECT_EQ((*text)[0][QStringLiteral("nodeContent")], Value("x"));
    EXPECT_TRUE((*text)[0].contains(QStringLiteral("raw")));
}

TEST_F(HXQueryTest, XmlIsReadInRecoveryWithoutOutsideResources) {
    auto broken = xmlQuery("<r><a>one</a><b>two</r>", QStringLiteral("//a"));
    ASSERT_TRUE(broken);
    ASSERT_EQ(broken->size(), 1u);

    const QByteArray xxe = "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"http://example.org/r.dtd\" ["
                           "<!ENTITY f SYSTEM \"file:///etc/passwd\">]><r>[&f;]</r>";
    HXElementPtr r = HXDocument::documentWithXMLData(xxe)->peekAtSearchWithXPathQuery(QStringLiteral("/r"));
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->raw().contains(QStringLiteral("root:")));

    QElapsedTimer timer;
    timer.start();
    auto bomb = xmlQuery(xmltest::billionLaughs(), QStringLiteral("//l"));
    EXPECT_LT(timer.elapsed(), 5000);
    if (bomb) {
        for (const Value& v : *bomb) EXPECT_LT(v[QStringLiteral("raw")].toString().size(), 1000000);
    }

    // Real TEI: the HTML helper reads XML as well.
    auto lines = xmlQuery(xmltest::readAll(xmltest::teiPath("eclogues-lat.xml")), QStringLiteral("//l"));
    ASSERT_TRUE(lines);
    EXPECT_GT(lines->size(), 700u);
}

TEST_F(HXQueryTest, EncodingIsImposedWhenGiven) {
    const QByteArray latin1 = "<html><body><p>caf\xE9</p></body></html>";
    HXElementPtr p = HXDocument::documentWithHTMLData(latin1, QStringLiteral("ISO-8859-1"))
                         ->peekAtSearchWithXPathQuery(QStringLiteral("//p"));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->text(), QString::fromUtf8("café"));
    // Its own query reads its UTF-8 markup correctly despite the page's encoding.
    std::vector<HXElementPtr> inner = p->searchWithXPathQuery(QStringLiteral("//p"));
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_EQ(inner[0]->text(), QString::fromUtf8("café"));
}

TEST_F(HXQueryTest, DeepPagesStayLinearAndBounded) {
    // Each level holds a paragraph and the next level: serialising every node
    // in full would take about depth^2/2 paragraphs of markup.
    const int depth = 200;
    const QByteArray para = "<p>" + QByteArray(1000, 'x') + "</p>";
    const QByteArray page = "<html><body>" + (QByteArray("<div>") + para).repeated(depth) +
                            QByteArray("</div>").repeated(depth) + "</body></html>";

    const QString expected = libxmlDump(page, nullptr, false);
    ASSERT_FALSE(expected.isEmpty());

    QElapsedTimer timer;
    timer.start();
    auto result = htmlQuery(page, QStringLiteral("//body"));
    EXPECT_LT(timer.elapsed(), 10000);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), 1u);
    qint64 rawBytes = 0;
    int maxDepth = 0;
    const qint64 bodyNodes = measure((*result)[0], 0, rawBytes, maxDepth);
    EXPECT_LE(rawBytes, rawBudgetFor(page.size()));
    EXPECT_GE(maxDepth, depth);
    // The result, nearest to the caller, has all its markup; the budget ran
    // out further down.
    EXPECT_EQ((*result)[0][QStringLiteral("raw")].toString(), expected);
    const Value* node = &(*result)[0];
    while (!arrayAt(*node, "nodeChildArray").empty()) node = &arrayAt(*node, "nodeChildArray").back();
    EXPECT_FALSE(node->contains(QStringLiteral("raw")));

    // Every level a result, each carrying its subtree: the dictionaries and
    // the markup of all results together stay within their budgets.
    timer.restart();
    auto nested = htmlQuery(page, QStringLiteral("//div"));
    EXPECT_LT(timer.elapsed(), 10000);
    ASSERT_TRUE(nested);
    ASSERT_EQ(nested->size(), size_t(depth));
    rawBytes = 0;
    qint64 nodes = 0;
    QSet<const QChar*> seen;
    for (const Value& v : *nested) nodes += measure(v, 0, rawBytes, maxDepth, &seen);
    EXPECT_LE(rawBytes, rawBudgetFor(page.size()));
    qint64 unused = 0;
    EXPECT_EQ(measure((*nested)[0], 0, unused, maxDepth), bodyNodes - 1);  // the first one is whole
    EXPECT_LE(nodes, 5 * (bodyNodes + 10) + 10000);
    EXPECT_EQ((*nested)[1][QStringLiteral("raw")].toString().count(QStringLiteral("<div>")), depth - 1);

    // Deeper than the HTML parser's own limit: still answered, still bounded.
    const QByteArray deeper = "<body>" + QByteArray("<div>").repeated(10000) + QByteArray("</div>").repeated(10000);
    auto deep = htmlQuery(deeper, QStringLiteral("//body"));
    ASSERT_TRUE(deep);
    rawBytes = 0;
    maxDepth = 0;
    measure((*deep)[0], 0, rawBytes, maxDepth);
    EXPECT_LE(maxDepth, kMaxNodeDepth);
    EXPECT_LE(rawBytes, rawBudgetFor(deeper.size()));
}

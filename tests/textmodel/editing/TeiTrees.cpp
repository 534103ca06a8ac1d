#include "TeiTrees.h"

#include "textmodel/TSImportNodes.h"
#include "textmodel/TSMatchedChunk.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <gtest/gtest.h>

namespace teitest {

namespace {

QString nameOf(xmlNodePtr n) { return QString::fromUtf8(reinterpret_cast<const char*>(n->name)); }

QString attr(xmlNodePtr n, const char* name) {
    xmlChar* v = xmlGetProp(n, reinterpret_cast<const xmlChar*>(name));
    if (!v) return QString();
    QString s = QString::fromUtf8(reinterpret_cast<const char*>(v));
    xmlFree(v);
    return s;
}

bool is(xmlNodePtr n, const char* name) { return n->type == XML_ELEMENT_NODE && nameOf(n) == QLatin1String(name); }

// Text of a subtree, notes left out.
void collectText(xmlNodePtr n, QString& out) {
    for (xmlNodePtr c = n->children; c; c = c->next) {
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE)
            out += QString::fromUtf8(reinterpret_cast<const char*>(c->content));
        else if (c->type == XML_ELEMENT_NODE && !is(c, "note"))
            collectText(c, out);
    }
}

QString textOf(xmlNodePtr n) {
    QString s;
    collectText(n, s);
    return s.simplified();
}

QString headOf(xmlNodePtr n) {
    for (xmlNodePtr c = n->children; c; c = c->next)
        if (is(c, "head")) return textOf(c);
    return QString();
}

QString capitalised(const QString& s) { return s.isEmpty() ? s : s.left(1).toUpper() + s.mid(1); }

QString divisionName(xmlNodePtr n) { return capitalised(attr(n, "type")) + QLatin1Char(' ') + attr(n, "n"); }

xmlNodePtr bodyOf(xmlDocPtr doc) {
    std::vector<xmlNodePtr> stack{xmlDocGetRootElement(doc)};
    while (!stack.empty()) {
        xmlNodePtr n = stack.back();
        stack.pop_back();
        if (!n) continue;
        if (is(n, "body")) return n;
        for (xmlNodePtr c = n->children; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE) stack.push_back(c);
    }
    return nullptr;
}

void quiet(void*, const char*, ...) {}

xmlDocPtr load(const QString& path) {
    // The DTDs live on the publisher's server, which a test does not ask.
    xmlSetGenericErrorFunc(nullptr, quiet);
    xmlDocPtr doc = xmlReadFile(path.toLocal8Bit().constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_RECOVER | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    EXPECT_TRUE(doc) << path.toStdString();
    return doc;
}

// --- Latin ---

struct LatinBuilder {
    TSChunkPtr holder;
    qint64 last = 0;

    void visit(xmlNodePtr n) {
        for (xmlNodePtr c = n->children; c; c = c->next) {
            if (c->type != XML_ELEMENT_NODE) continue;
            if (is(c, "div1") || is(c, "div2")) {
                auto h = std::make_shared<TSMatchedChunk>();
                h->setLatin(ts::AttributedString::make(divisionName(c)));
                holder->addChild(h);
                TSChunkPtr outer = holder;
                holder = h;
                if (is(c, "div1")) last = 0;
                visit(c);
                holder = outer;
            } else if (is(c, "l")) {
                bool ok = false;
                const qint64 n = attr(c, "n").toLongLong(&ok);
                last = ok ? n : last + 1;
                auto line = std::make_shared<TSMatchedChunk>();
                line->setLatin(ts::AttributedString::make(textOf(c)));
                line->setLocation(ts::AttributedString::make(QString::number(last)));
                holder->addChild(line);
            } else if (!is(c, "head") && !is(c, "speaker")) {
                visit(c);
            }
        }
    }
};

// --- English ---

struct EnglishBuilder {
    TSTextPtr root;
    TSChunkPtr book;  // where acts or poems go
    TSChunkPtr act;
    TSChunkPtr scene;
    qint64 lastTln = 0;
    QString speaker;

    static TSChunkPtr named(const QString& name) {
        auto n = std::make_shared<TSChunk>();
        n->setName(name);
        return n;
    }
    TSChunkPtr currentScene() {
        if (!scene) {
            if (!act) book->addChild(act = named(QStringLiteral("Act 0")));
            act->addChild(scene = named(QStringLiteral("Scene 0")));
        }
        return scene;
    }

    // One verse or paragraph: its text, its notes and its markers.
    void line(xmlNodePtr n) {
        QString text, sinceNote;
        std::vector<TSChunkPtr> after;
        std::function<void(xmlNodePtr)> walk = [&](xmlNodePtr e) {
            for (xmlNodePtr c = e->children; c; c = c->next) {
                if (c->type == XML_TEXT_NODE) {
                    const QString t = QString::fromUtf8(reinterpret_cast<const char*>(c->content));
                    text += t;
                    sinceNote += t;
                } else if (is(c, "note")) {
                    auto note = std::make_shared<TSNote>();
                    QString lemma;
                    for (xmlNodePtr l = c->children; l; l = l->next)
                        if (is(l, "lemma")) lemma = textOf(l);
                    QString body = textOf(c);
                    if (!lemma.isEmpty() && body.startsWith(lemma)) body = body.mid(lemma.size());
                    note->setName(body.simplified());
                    note->setLemma(lemma);
                    note->setPrecedingText(sinceNote.simplified());
                    note->setTln(lastTln);
                    after.push_back(note);
                    sinceNote.clear();
                } else if (is(c, "milestone")) {
                    milestone(c, text.simplified(), &after);
                } else if (c->type == XML_ELEMENT_NODE) {
                    walk(c);
                }
            }
        };
        walk(n);
        auto l = std::make_shared<TSLine>();
        QString name = text.simplified();
        if (!speaker.isEmpty()) name = speaker + QLatin1Char(' ') + name;
        speaker.clear();
        l->setName(name);
        auto s = currentScene();
        s->addChild(l);
        for (auto& a : after) s->addChild(a);
    }

    void milestone(xmlNodePtr c, const QString& preceding, std::vector<TSChunkPtr>* after) {
        const QString unit = attr(c, "unit");
        if (unit == QLatin1String("act")) {
            book->addChild(act = named(QStringLiteral("Act ") + attr(c, "n")));
            scene.reset();
        } else if (unit == QLatin1String("scene")) {
            if (!act) book->addChild(act = named(QStringLiteral("Act 0")));
            act->addChild(scene = named(QStringLiteral("Scene ") + attr(c, "n")));
        } else if (unit == QLatin1String("TLN line")) {
            bool ok = false;
            const qint64 n = attr(c, "n").toLongLong(&ok);
            if (!ok) return;
            lastTln = n;
            auto m = std::make_shared<TSMilestone>();
            m->setTln(n);
            m->setPrecedingText(preceding);
            if (after)
                after->push_back(m);
            else
                currentScene()->addChild(m);
        }
    }

    void visit(xmlNodePtr n) {
        for (xmlNodePtr c = n->children; c; c = c->next) {
            if (c->type != XML_ELEMENT_NODE) continue;
            if (is(c, "div1") && attr(c, "type") == QLatin1String("act")) {
                const QString head = headOf(c);
                book->addChild(act = named(head.isEmpty() ? divisionName(c) : head));
                scene.reset();
                visit(c);
            } else if (is(c, "div1") && attr(c, "type") == QLatin1String("Poem")) {
                book->addChild(scene = named(divisionName(c)));
                visit(c);
            } else if (is(c, "div2")) {
                if (!act) book->addChild(act = named(QStringLiteral("Act 0")));
                act->addChild(scene = named(divisionName(c)));
                visit(c);
            } else if (is(c, "sp")) {
                for (xmlNodePtr s = c->children; s; s = s->next)
                    if (is(s, "speaker")) speaker = textOf(s);
                visit(c);
                speaker.clear();
            } else if (is(c, "l") || is(c, "p")) {
                line(c);
            } else if (is(c, "milestone")) {
                milestone(c, QString(), nullptr);
            } else if (!is(c, "head") && !is(c, "speaker") && !is(c, "castList") && !is(c, "note")) {
                visit(c);
            }
        }
    }
};

}  // namespace

QString sharedPath(const QString& relative) {
    QString dir = qEnvironmentVariable("TS_SHARED_DIR");
    if (dir.isEmpty()) dir = QStringLiteral("/work/shared");
    return dir + QLatin1Char('/') + relative;
}

TSTextPtr latinTree(const QString& path, const QString& book) {
    xmlDocPtr doc = load(path);
    if (!doc) return nullptr;
    auto root = std::make_shared<TSText>();
    LatinBuilder b;
    b.holder = root;
    if (!book.isEmpty()) {
        auto h = std::make_shared<TSMatchedChunk>();
        h->setLatin(ts::AttributedString::make(book));
        root->addChild(h);
        b.holder = h;
    }
    if (xmlNodePtr body = bodyOf(doc)) b.visit(body);
    xmlFreeDoc(doc);
    return root;
}

TSTextPtr englishTree(const QString& path, const QString& book) {
    xmlDocPtr doc = load(path);
    if (!doc) return nullptr;
    auto root = std::make_shared<TSText>();
    EnglishBuilder b;
    b.root = root;
    b.book = root;
    if (!book.isEmpty()) root->addChild(b.book = EnglishBuilder::named(book));
    if (xmlNodePtr body = bodyOf(doc)) b.visit(body);
    xmlFreeDoc(doc);
    return root;
}

}  // namespace teitest

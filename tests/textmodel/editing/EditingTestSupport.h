#pragma once
// Builders and checks shared by the editing, output and alignment tests.

#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <gtest/gtest.h>

namespace edtest {

inline TSMatchedChunkPtr row(const QString& latin, const QString& location = {}) {
    auto n = std::make_shared<TSMatchedChunk>();
    if (!latin.isNull()) n->setLatin(ts::AttributedString::make(latin));
    if (!location.isNull()) n->setLocation(ts::AttributedString::make(location));
    return n;
}

inline TSMatchedChunkPtr header(const QString& latin, std::vector<TSChunkPtr> children = {}) {
    auto n = row(latin);
    for (auto& c : children) n->addChild(c);
    return n;
}

inline TSTextPtr text(std::vector<TSChunkPtr> children) {
    auto t = std::make_shared<TSText>();
    for (auto& c : children) t->addChild(c);
    return t;
}

inline QString latinOf(const TSChunkPtr& n) {
    auto t = n ? n->textForKey(QStringLiteral("latin")) : nullptr;
    return t ? t->string() : QString();
}

inline QString columnOf(const TSChunkPtr& n, const QString& key) {
    auto t = n ? n->textForKey(key) : nullptr;
    return t ? t->string() : QString();
}

// The Latin of the node's children, in order.
inline QStringList childLatin(const TSChunkPtr& n) {
    QStringList out;
    for (const auto& c : n->childNodes()) out << latinOf(c);
    return out;
}

// Every node below `root` has its holder as parent.
inline void expectLinked(const TSChunkPtr& root) {
    for (const auto& c : root->childNodes()) {
        EXPECT_EQ(c->parent().get(), root.get()) << latinOf(c).toStdString();
        expectLinked(c);
    }
}

// A plain node holding the given children, as a TEI import makes sections.
inline TSChunkPtr importSection(const QString& name, std::vector<TSChunkPtr> children) {
    auto s = std::make_shared<TSChunk>();
    s->setName(name);
    for (auto& c : children) s->addChild(c);
    return s;
}

}  // namespace edtest

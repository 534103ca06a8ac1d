// Searching a dictionary tree, the walk to a node's dictionary form, and the
// commands that move, add and re-nest nodes.

#include "dictionaries/DictionaryEntry.h"

#include "app/logging/LGLog.h"

#include <algorithm>
#include <array>

// ---- Searching ----

QStringList DictionaryEntry::parts() const {
    const QString text = entry();
    if (text.isNull()) return {};
    return text.split(QLatin1Char(' '));
}

bool DictionaryEntry::containsMeaning(const QString& text, bool includeExamples) const {
    // A tree read from a file has every node, child list and text in an
    // allocation of its own, far from the others: read one after another
    // each would wait for memory in turn. The tree is read a level at a
    // time instead, everything a level needs asked for before any of it is
    // read, so that the waits overlap. A level wider than this is read
    // node by node.
    constexpr size_t kWidest = 64;
    std::array<const DictionaryEntry*, kWidest> levels[2];
    size_t count = 1;
    levels[0][0] = this;
    for (int at = 0; count > 0; at ^= 1) {
        const auto& level = levels[at];
        auto& next = levels[at ^ 1];
        for (size_t i = 0; i < count; ++i) {
            __builtin_prefetch(level[i]->children_.data());
            if (level[i]->type_ == Meaning) __builtin_prefetch(level[i]->entry_.constData());
        }
        size_t nextCount = 0;
        for (size_t i = 0; i < count; ++i) {
            const DictionaryEntry& e = *level[i];
            if (e.type_ == Meaning) {
                if (!e.entry_.isNull() && !text.isEmpty() && e.entry_.contains(text)) return true;
            } else if (e.type_ == Example) {
                continue;
            }
            for (const auto& c : e.children_) {
                if (nextCount < kWidest) {
                    __builtin_prefetch(c.get());
                    next[nextCount++] = c.get();
                } else if (c->containsMeaning(text, includeExamples)) {
                    return true;
                }
            }
        }
        count = nextCount;
    }
    return false;
}

DictionaryEntryList DictionaryEntry::entriesWithMeaning(const DictionaryEntryList& entries, const QString& text,
                                                        bool includeExamples) {
    // The entries further on are asked for while this one is searched, each
    // step of the way once the step before has arrived: the node six ahead,
    // the child list of the one four ahead, the children of the one two
    // ahead, and their own child lists and texts for the next.
    const size_t count = entries.size();
    const auto at = [&](size_t i) { return i < count ? entries[i].get() : nullptr; };
    DictionaryEntryList found;
    for (size_t i = 0; i < count; ++i) {
        if (const DictionaryEntry* e = at(i + 6)) __builtin_prefetch(e);
        if (const DictionaryEntry* e = at(i + 4)) __builtin_prefetch(e->children_.data());
        if (const DictionaryEntry* e = at(i + 2))
            for (const auto& c : e->children_) __builtin_prefetch(c.get());
        if (const DictionaryEntry* e = at(i + 1))
            for (const auto& c : e->children_) {
                __builtin_prefetch(c->children_.data());
                if (c->type_ == Meaning) __builtin_prefetch(c->entry_.constData());
            }
        if (entries[i] && entries[i]->containsMeaning(text, includeExamples)) found.push_back(entries[i]);
    }
    return found;
}

bool DictionaryEntry::containsRegexEntry(const QRegularExpression& pattern, int type) const {
    auto matches = [&](const DictionaryEntry& e) {
        const QString text = e.entry();
        return !text.isNull() && pattern.match(text).hasMatch();
    };
    if (type < 0) return isPrimaryEntry() && matches(*this);
    const int t = this->type();
    const bool tested = type > 0 ? t == type : t != Meaning;
    if (tested && matches(*this)) return true;
    for (const auto& c : children_)
        if (c->containsRegexEntry(pattern, type)) return true;
    return false;
}

bool DictionaryEntry::containsRegexMeaning(const QRegularExpression& pattern, int type) const {
    const int t = this->type();
    const bool tested = t == type || (type == 0 && (t == Meaning || t == Example || t == Etymology || t == Note));
    if (tested) {
        const QString text = entry();
        if (!text.isNull() && pattern.match(text).hasMatch()) return true;
    }
    for (const auto& c : children_)
        if (c->containsRegexMeaning(pattern, type)) return true;
    return false;
}

bool DictionaryEntry::containsFlag() const {
    static const QString flag = QStringLiteral("*#*");
    if (entry().contains(flag)) return true;
    const QString trans = translation();
    if (!trans.isNull() && trans.contains(flag)) return true;
    for (const auto& c : children_)
        if (c->containsFlag()) return true;
    return false;
}

// ---- Dictionary form ----

DictionaryEntryPtr DictionaryEntry::findUninflectedForm(bool singlePath) {
    return uninflectedForm(singlePath, 0, From::Outside);
}

DictionaryEntryPtr DictionaryEntry::uninflectedForm(bool singlePath, int depth, From from) {
    if (depth >= kMaxUninflectedDepth) {
        TSLogError("Loop at findUninflectedForm, %@", ts::Value(attributes_));
        return nullptr;
    }
    const int t = type();
    if (t == Meaning || t == WordData || t == WordModification) {
        // Asked by the parent that looks for its form, such a node stands for
        // itself; climbing back would only return to that parent.
        if (from == From::Parent) return self();
        DictionaryEntryPtr p = parent();
        return p ? p->uninflectedForm(singlePath, depth + 1, From::Child) : nullptr;
    }
    if (t == Root || t == Uninitialised) {
        const qsizetype visible = getNumChildren();
        if (visible == 0) return nullptr;
        if (singlePath && visible > 1) return nullptr;
        if (children_.empty()) return nullptr;
        DictionaryEntryPtr answer = children_.front()->uninflectedForm(singlePath, depth + 1, From::Parent);
        if (answer) {
            const int at = answer->type();
            if (at == Meaning || at == WordData || at == WordModification) return self();
        }
        return answer;
    }
    return self();
}

// ---- Editing ----

// The parent whose list holds the receiver, and the receiver's index there.
bool DictionaryEntry::isHeldByParent(DictionaryEntryPtr* parent, qsizetype* index) const {
    DictionaryEntryPtr p = this->parent();
    if (!p) return false;
    const auto& list = p->children_;
    const auto it = std::find_if(list.begin(), list.end(), [this](const auto& c) { return c.get() == this; });
    if (it == list.end()) return false;
    *parent = p;
    *index = qsizetype(it - list.begin());
    return true;
}

// Refuses primary entries, nodes their parent's list does not hold, and nodes
// whose parent its own parent's list does not hold.
bool DictionaryEntry::editableParent(DictionaryEntryPtr* parent, qsizetype* index) const {
    if (isPrimaryEntry()) return false;
    if (!isHeldByParent(parent, index)) return false;
    if ((*parent)->parent()) {
        DictionaryEntryPtr grand;
        qsizetype at = 0;
        if (!(*parent)->isHeldByParent(&grand, &at)) return false;
    }
    return true;
}

bool DictionaryEntry::elementUp() {
    DictionaryEntryPtr p;
    qsizetype i = 0;
    if (!editableParent(&p, &i) || i == 0) return false;
    std::swap(p->children_[size_t(i)], p->children_[size_t(i - 1)]);
    return true;
}

bool DictionaryEntry::elementDown() {
    DictionaryEntryPtr p;
    qsizetype i = 0;
    if (!editableParent(&p, &i) || i + 1 >= p->childCount()) return false;
    std::swap(p->children_[size_t(i)], p->children_[size_t(i + 1)]);
    return true;
}

DictionaryEntryPtr DictionaryEntry::addEntry() {
    DictionaryEntryPtr p;
    qsizetype i = 0;
    if (!editableParent(&p, &i)) return nullptr;
    auto created = std::dynamic_pointer_cast<DictionaryEntry>(newInstance());
    if (!created) return nullptr;
    created->setEntry(QStringLiteral("New entry"));
    created->setType(type() == Example ? Example : Note);
    if (!p->addChildAtIndex(created, i)) return nullptr;
    return created;
}

bool DictionaryEntry::promoteChildren() {
    DictionaryEntryPtr p;
    qsizetype i = 0;
    if (!editableParent(&p, &i)) return false;
    const DictionaryEntryList moving = children_;
    children_.clear();
    qsizetype at = i + 1;
    for (const auto& c : moving) {
        if (p->addChildAtIndex(c, std::min(at, p->childCount())))
            ++at;
        else
            children_.push_back(c);  // refused as a cycle: it stays here
    }
    return true;
}

bool DictionaryEntry::promoteEntry() {
    DictionaryEntryPtr p;
    qsizetype i = 0;
    if (!editableParent(&p, &i)) return false;
    if (p->isPrimaryEntry()) return false;
    DictionaryEntryPtr grand;
    qsizetype pi = 0;
    if (!p->isHeldByParent(&grand, &pi)) return false;
    DictionaryEntryPtr me = self();
    p->children_.erase(p->children_.begin() + i);
    if (!grand->addChildAtIndex(me, pi + 1)) {
        p->children_.insert(p->children_.begin() + i, me);
        return false;
    }
    return true;
}

bool DictionaryEntry::demoteEntry() {
    DictionaryEntryPtr p;
    qsizetype i = 0;
    if (!editableParent(&p, &i) || i == 0) return false;
    DictionaryEntryPtr me = self();
    DictionaryEntryPtr previous = p->children_[size_t(i - 1)];
    p->children_.erase(p->children_.begin() + i);
    if (!previous->addChild(me)) {
        // Put it back where it was; the move would have closed a cycle.
        p->children_.insert(p->children_.begin() + i, me);
        return false;
    }
    return true;
}

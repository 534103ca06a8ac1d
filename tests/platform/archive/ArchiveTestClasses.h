#pragma once
// Small archivable classes for the archive tests: a tree node whose children
// point back at their parent, and a record that codes itself without keys.

#include "platform/ClassRegistry.h"
#include "platform/Coder.h"
#include "platform/Object.h"

#include <vector>

namespace archivetest {

class Node : public ts::Object {
    TS_OBJECT(Node, ts::Object)
public:
    QString name;
    qint64 count = 0;
    double weight = 0;
    bool flag = false;
    std::vector<std::shared_ptr<Node>> children;
    std::weak_ptr<Node> parent;
    ts::Value extra;

    static std::shared_ptr<Node> make(const QString& n) {
        auto node = std::make_shared<Node>();
        node->name = n;
        return node;
    }
    void add(const std::shared_ptr<Node>& child) {
        children.push_back(child);
        child->parent = sharedAs<Node>();
    }

    void encodeWithCoder(ts::Coder& c) const override {
        c.encodeObject(name, "name");
        c.encodeInteger(count, "count");
        c.encodeDouble(weight, "weight");
        c.encodeBool(flag, "flag");
        ts::ValueArray kids;
        for (const auto& k : children) kids.emplace_back(k);
        c.encodeObject(ts::Value(std::move(kids)), "children");
        c.encodeObject(ts::Value(parent.lock()), "parent");
        c.encodeObject(extra, "extra");
    }
    bool initWithCoder(ts::Coder& c) override {
        name = c.decodeObject("name").toString();
        count = c.decodeInteger("count");
        weight = c.decodeDouble("weight");
        flag = c.decodeBool("flag");
        const ts::Value kids = c.decodeObject("children");
        for (const auto& k : kids.array()) {
            auto child = k.toObjectAs<Node>();
            if (!child) return false;
            children.push_back(child);
        }
        parent = c.decodeObject("parent").toObjectAs<Node>();
        extra = c.decodeObject("extra");
        return true;
    }
};

// Codes its fields in order, without keys.
class Record : public ts::Object {
    TS_OBJECT(Record, ts::Object)
public:
    QString word;
    qint64 number = 0;
    double real = 0;
    ts::Value list;
    void encodeWithCoder(ts::Coder& c) const override {
        c.encodeValue(word);
        c.encodeValue(number);
        c.encodeValue(real);
        c.encodeValue(list);
    }
    bool initWithCoder(ts::Coder& c) override {
        word = c.decodeValue().toString();
        number = c.decodeValue().toInt64();
        real = c.decodeValue().toDouble();
        list = c.decodeValue();
        return !word.isEmpty();
    }
};

// Registered, but never allowed by the tests that restrict classes.
class Gadget : public ts::Object {
    TS_OBJECT(Gadget, ts::Object)
};

// A class nobody registers.
class Stranger : public ts::Object {
    TS_OBJECT(Stranger, ts::Object)
};

inline void registerTestClasses() {
    ts::ClassRegistry::registerClass<Node>();
    ts::ClassRegistry::registerClass<Record>();
    ts::ClassRegistry::registerClass<Gadget>();
}

}  // namespace archivetest

// Feeds arbitrary bytes to the keyed unarchiver: it must answer a value or an
// error, never crash, hang or leak; a decoded graph must archive again.

#include "platform/ClassRegistry.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <cstdlib>

namespace {

// Reads its fields with every kind of decode call, including values without
// keys and references back to objects still being read. Like the
// application's classes it holds the objects it reads weakly or not at all:
// strong references both ways would leak whatever cycles an archive draws.
class FuzzNode : public ts::Object {
    TS_OBJECT(FuzzNode, ts::Object)
public:
    QString name;
    std::weak_ptr<ts::Object> parent;
    qint64 count = 0;
    double weight = 0;
    bool flag = false;
    void encodeWithCoder(ts::Coder& c) const override {
        c.encodeObject(name, "name");
        c.encodeObject(ts::Value(parent.lock()), "parent");
        c.encodeInteger(count, "count");
        c.encodeDouble(weight, "weight");
        c.encodeBool(flag, "flag");
        c.encodeValue(name);
    }
    bool initWithCoder(ts::Coder& c) override {
        name = c.decodeObject("name").toString();
        const ts::Value children = c.decodeObject("children");
        parent = c.decodeObject("parent").toObject();
        count = c.decodeInteger("count");
        weight = c.decodeDouble("weight");
        flag = c.decodeBool("flag");
        if (c.containsValue("$0")) c.decodeValue();
        if (auto* u = dynamic_cast<ts::KeyedUnarchiver*>(&c)) u->decodeBytes("bytes");
        return !name.isEmpty() || count != 0 || children.isArray();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = [] {
        ts::ClassRegistry::registerClass<FuzzNode>();
        return true;
    }();
    (void)registered;

    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    QString error;
    const ts::Value v = ts::KeyedUnarchiver::unarchive(bytes, {}, &error);
    if (!error.isEmpty()) {
        if (!v.isNull()) std::abort();  // a failure answers nothing
        return 0;
    }
    QString again;
    ts::KeyedArchiver::archivedDataWithRootObject(v, &again);
    if (!again.isEmpty()) std::abort();
    return 0;
}

// The text model's classes in the class registry, and the table of node
// classes that texts are read through.

#include "FootnoteObject.h"
#include "TSBookmarkList.h"
#include "TSCharacter.h"
#include "TSImportNodes.h"
#include "TSMatchedChunk.h"
#include "TSNodeFactory.h"
#include "TSText.h"

#include "platform/ClassRegistry.h"

#include <QHash>

#include <atomic>
#include <mutex>

namespace {

QHash<QString, std::function<TSChunkPtr()>>& nodeTable() {
    static QHash<QString, std::function<TSChunkPtr()>> table;
    return table;
}

// Grows with every class added, so that the look-up remembered below is
// never one the table no longer holds.
std::atomic<int> tableGeneration{0};

// The class looked up last on this thread. A text's nodes name a handful of
// classes, and a file's reader hands out one shared string for each, so
// nearly every node is made without hashing its class name.
struct LastLookUp {
    QString name;
    std::function<TSChunkPtr()> make;
    int generation = -1;
};

template <class T>
void registerNode() {
    TSNodeFactory::add(T::staticClassName(), [] { return std::make_shared<T>(); });
    ts::ClassRegistry::registerClass<T>([](const ts::Value& d) -> ts::ObjectPtr {
        auto node = std::make_shared<T>();
        node->importFromDictionary(d);
        return node;
    });
}

}  // namespace

void registerTextModelClasses();

namespace TSNodeFactory {

void add(const QString& className, std::function<TSChunkPtr()> make) {
    nodeTable().insert(className, std::move(make));
    ++tableGeneration;
}

TSChunkPtr make(const QString& className) {
    registerTextModelClasses();
    thread_local LastLookUp last;
    const int generation = tableGeneration.load(std::memory_order_relaxed);
    if (last.generation == generation && last.make &&
        ((className.constData() == last.name.constData() && className.size() == last.name.size()) || className == last.name))
        return last.make();
    auto it = nodeTable().constFind(className);
    if (it != nodeTable().constEnd()) {
        last = {className, *it, generation};
        return (*it)();
    }
    // A node class another module registered; anything else is refused.
    if (!ts::ClassRegistry::isRegistered(className)) return nullptr;
    return ts::ClassRegistry::makeAs<TSChunk>(className);
}

}  // namespace TSNodeFactory

void registerTextModelClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        ts::registerRichTextClasses();
        registerNode<TSChunk>();
        registerNode<TSMatchedChunk>();
        registerNode<TSText>();
        registerNode<TSLine>();
        registerNode<TSNote>();
        registerNode<TSMilestone>();
        registerNode<TSSpeaker>();
        registerNode<TSStageDirection>();
        TSNodeFactory::add(TSCharacter::staticClassName(), [] { return std::make_shared<TSCharacter>(); });
        ts::ClassRegistry::registerClass<TSCharacter>(
            [](const ts::Value& d) -> ts::ObjectPtr { return TSCharacter::dataFromDictionary(d); });
        ts::ClassRegistry::registerClass<FootnoteObject>();
        ts::ClassRegistry::registerClass<TSBookmarkData>(
            [](const ts::Value& d) -> ts::ObjectPtr { return TSBookmarkData::dataFromDictionary(d); });
        ts::ClassRegistry::registerClass<TSBookmarkList>();
    });
}

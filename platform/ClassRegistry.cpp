#include "ClassRegistry.h"

#include <QHash>
#include <QReadWriteLock>

namespace ts {

namespace {
struct Registry {
    QReadWriteLock lock;
    QHash<QString, ClassInfo> classes;
};
Registry& registry() {
    static Registry r;
    return r;
}
}  // namespace

void ClassRegistry::registerClass(const ClassInfo& info) {
    if (info.name.isEmpty() || !info.make) return;
    QWriteLocker l(&registry().lock);
    registry().classes.insert(info.name, info);
}

bool ClassRegistry::isRegistered(const QString& name) {
    QReadLocker l(&registry().lock);
    return registry().classes.contains(name);
}

std::optional<ClassInfo> ClassRegistry::info(const QString& name) {
    QReadLocker l(&registry().lock);
    auto it = registry().classes.constFind(name);
    if (it == registry().classes.constEnd()) return std::nullopt;
    return *it;
}

ObjectPtr ClassRegistry::make(const QString& name) {
    auto i = info(name);
    return i ? i->make() : nullptr;
}

QStringList ClassRegistry::registeredNames() {
    QReadLocker l(&registry().lock);
    QStringList names = registry().classes.keys();
    names.sort();
    return names;
}

}  // namespace ts

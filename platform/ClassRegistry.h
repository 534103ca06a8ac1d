#pragma once
// Maps class names read from files to factories.
//
// Only explicitly registered classes can be made from a name, and makeAs<T>()
// answers nothing unless the object made is a T, so that a file cannot make an
// arbitrary class or one of the wrong kind. Thread-safe.

#include "Object.h"
#include "Value.h"

#include <functional>
#include <optional>

namespace ts {

struct ClassInfo {
    QString name;
    std::function<ObjectPtr()> make;
    // The class's own factory from a property-list dictionary, when it has one.
    std::function<ObjectPtr(const Value&)> fromDictionary;
};

class ClassRegistry {
public:
    static void registerClass(const ClassInfo& info);
    template <class T> static void registerClass() {
        registerClass(ClassInfo{T::staticClassName(), [] { return std::make_shared<T>(); }, {}});
    }
    template <class T, class F> static void registerClass(F fromDictionary) {
        registerClass(ClassInfo{T::staticClassName(), [] { return std::make_shared<T>(); },
                                std::function<ObjectPtr(const Value&)>(fromDictionary)});
    }

    static bool isRegistered(const QString& name);
    static std::optional<ClassInfo> info(const QString& name);
    static ObjectPtr make(const QString& name);
    template <class T> static std::shared_ptr<T> makeAs(const QString& name) {
        return std::dynamic_pointer_cast<T>(make(name));
    }
    static QStringList registeredNames();
};

}  // namespace ts

// Registers a class from the .cpp that defines it, so that any program linking
// the class can also make it by name.
#define TS_REGISTER_CLASS(Cls, ...)                                                        \
    namespace {                                                                            \
    [[maybe_unused]] const bool ts_registered_##Cls = [] {                                \
        ::ts::ClassRegistry::registerClass<Cls>(__VA_ARGS__);                              \
        return true;                                                                       \
    }();                                                                                   \
    }

#include "platform/PlatformClasses.h"

#include "platform/AttributedString.h"
#include "platform/ClassRegistry.h"
#include "platform/GeometryValue.h"
#include "platform/Uuid.h"

#include <mutex>

namespace ts {

void registerPlatformClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        ClassRegistry::registerClass<Uuid>();
        ClassRegistry::registerClass<GeometryValue>();
        registerRichTextClasses();
    });
}

}  // namespace ts

#include "platform/PlatformClasses.h"

#include "platform/ClassRegistry.h"
#include "platform/GeometryValue.h"
#include "platform/Uuid.h"

#if __has_include("platform/Url.h")
#include "platform/Url.h"
#endif
#if __has_include("platform/Color.h")
#include "platform/Color.h"
#endif
#if __has_include("platform/Font.h")
#include "platform/Font.h"
#endif
#if __has_include("platform/ParagraphStyle.h")
#include "platform/ParagraphStyle.h"
#endif
#if __has_include("platform/AttributedString.h")
#include "platform/AttributedString.h"
#endif
#if __has_include("platform/RtfdAttachment.h")
#include "platform/RtfdAttachment.h"
#endif

#include <mutex>

namespace ts {

namespace {
// Registers T under another of the names its hierarchy answers to (the
// immutable form of a class that is always made mutable here).
template <class T> void registerAlias(const QString& name) {
    ClassRegistry::registerClass(ClassInfo{name, [] { return std::make_shared<T>(); }, {}});
}
}  // namespace

void registerPlatformClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        ClassRegistry::registerClass<Uuid>();
        ClassRegistry::registerClass<GeometryValue>();
#if __has_include("platform/Url.h")
        ClassRegistry::registerClass<Url>();
#endif
#if __has_include("platform/Color.h")
        ClassRegistry::registerClass<Color>();
#endif
#if __has_include("platform/Font.h")
        ClassRegistry::registerClass<Font>();
#endif
#if __has_include("platform/ParagraphStyle.h")
        ClassRegistry::registerClass<ParagraphStyle>();
        ClassRegistry::registerClass<TextTab>();
#endif
#if __has_include("platform/AttributedString.h")
        ClassRegistry::registerClass<AttributedString>();
        registerAlias<AttributedString>(QStringLiteral("NSAttributedString"));
#endif
#if __has_include("platform/RtfdAttachment.h")
        ClassRegistry::registerClass<TextAttachment>();
#endif
    });
}

}  // namespace ts

#pragma once
// Registers the platform's archivable classes (UUIDs, geometry values and the
// rich-text value classes) with the ClassRegistry, so that keyed archives and
// property lists can make them by name. Safe to call more than once and from
// any thread; the application calls it once at start-up.

namespace ts {

void registerPlatformClasses();

}  // namespace ts

#pragma once
// Makes text nodes by class name, for reading files. Internal to the text
// model.
//
// Only node classes are made: the text model's own (looked up in a table
// filled by registerTextModelClasses) and any other registered class whose
// object turns out to be a TSChunk. Anything else answers null.

#include "TSChunk.h"

#include <functional>

namespace TSNodeFactory {

void add(const QString& className, std::function<TSChunkPtr()> make);
TSChunkPtr make(const QString& className);

}  // namespace TSNodeFactory

#pragma once
// The text tree's pasteboard: writes a value to the system clipboard as
// plain text, and a rich text (an AttributedString) also as RTF
// ("text/rtf"), so that other programs paste it with its styles.
// Main thread (the clipboard belongs to the GUI thread).

#include "platform/Value.h"

class ClipboardWriter {
public:
    // A string or an attributed string; anything else answers false.
    static bool write(const ts::Value& object);
};

#pragma once
// Escape in a small window that is no dialog (an information window, a form
// like Add Word Form, a progress window): it does what the window's Cancel
// does, closing it unless told otherwise, as Escape does in a dialog.
//
// Only an Escape without modifiers that no widget inside the window took
// counts: an open pop-up list, a cell editor or a completer keeps its own.
// The handler belongs to the window and goes with it. Main thread only.

#include <functional>

class QWidget;

namespace ts {

void closeOnEscape(QWidget* window, std::function<void()> cancel = {});

}  // namespace ts

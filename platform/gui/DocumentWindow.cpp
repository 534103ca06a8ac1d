#include "platform/gui/DocumentWindow.h"

namespace ts {

namespace {

DocumentWindow::MenuBarBuilder& builder() {
    static DocumentWindow::MenuBarBuilder b;
    return b;
}

}  // namespace

void DocumentWindow::setMenuBarBuilder(MenuBarBuilder b) { builder() = std::move(b); }

void DocumentWindow::installMenuBar(QMainWindow* window) {
    if (window && builder()) builder()(window);
}

}  // namespace ts

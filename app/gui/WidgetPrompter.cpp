#include "app/gui/WidgetPrompter.h"

#include "platform/Document.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

namespace {

// The filter names what the panel opens: "PDF Documents (*.pdf)".
QString filterFor(const QStringList& types, const QString& description) {
    if (types.isEmpty()) return QString();
    QStringList patterns;
    for (const QString& t : types) patterns << QStringLiteral("*.") + t;
    const QString name = description.isEmpty() ? ts::Prompter::typesDescription(types) : description;
    return name + QStringLiteral(" (%1)").arg(patterns.join(QLatin1Char(' ')));
}

// A panel without a folder of its own starts where documents live, never in
// the folder the program was started from.
QString startFolder(const QString& directory) {
    return directory.isEmpty() ? ts::DocumentController::panelDirectory() : directory;
}

}  // namespace

QWidget* WidgetPrompter::windowOnScreen() {
    if (QWidget* active = QApplication::activeWindow(); active && active->windowHandle() && active->windowHandle()->isExposed())
        return active;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || qobject_cast<QMenu*>(w) || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip) continue;
        if (w->windowHandle() && w->windowHandle()->isExposed()) return w;
    }
    return nullptr;
}

int WidgetPrompter::alert(const ts::AlertRequest& request) {
    // The question belongs to the active window, else to one the user sees.
    QWidget* active = QApplication::activeWindow();
    QMessageBox box(active ? active : windowOnScreen());
    switch (request.style) {
    case ts::AlertRequest::Style::Warning: box.setIcon(QMessageBox::Warning); break;
    case ts::AlertRequest::Style::Informational: box.setIcon(QMessageBox::Information); break;
    case ts::AlertRequest::Style::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    box.setText(request.messageText);
    box.setInformativeText(request.informativeText);
    QStringList titles = request.buttons;
    if (titles.isEmpty()) titles << QStringLiteral("OK");
    std::vector<QPushButton*> buttons;
    for (const QString& t : titles) buttons.push_back(box.addButton(t, QMessageBox::ActionRole));
    if (request.defaultButton >= 0 && request.defaultButton < int(buttons.size()))
        box.setDefaultButton(buttons[size_t(request.defaultButton)]);
    int cancel = request.cancelButton;
    if (cancel < 0)
        for (int i = 0; i < titles.size() && cancel < 0; ++i)
            if (titles[i] == ts::Prompter::localized(QStringLiteral("Cancel")) || titles[i] == ts::Prompter::localized(QStringLiteral("No")))
                cancel = i;
    if (cancel >= 0 && cancel < int(buttons.size())) box.setEscapeButton(buttons[size_t(cancel)]);
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return int(i);
    return -1;
}

QStringList WidgetPrompter::openPanel(const ts::OpenPanelRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), request.title, startFolder(request.directory));
    // Files of other names may still be documents (their contents decide).
    if (!request.allowedFileTypes.isEmpty())
        dialog.setNameFilters({filterFor(request.allowedFileTypes, request.typesDescription), ts::Prompter::localized(QStringLiteral("All Files")) + QStringLiteral(" (*)")});
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (request.canChooseDirectories && !request.canChooseFiles) dialog.setFileMode(QFileDialog::Directory);
    else dialog.setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (!request.message.isEmpty()) dialog.setLabelText(QFileDialog::LookIn, request.message);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString WidgetPrompter::savePanel(const ts::SavePanelRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), request.title, startFolder(request.directory),
                       filterFor(request.allowedFileTypes, request.typesDescription));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(request.nameFieldStringValue);
    if (!request.allowedFileTypes.isEmpty()) dialog.setDefaultSuffix(request.allowedFileTypes.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

int WidgetPrompter::runModalPanel(QObject* panel) {
    auto* dialog = qobject_cast<QDialog*>(panel);
    if (!dialog) return 0;
    return dialog->exec() == QDialog::Accepted ? 1 : 0;
}

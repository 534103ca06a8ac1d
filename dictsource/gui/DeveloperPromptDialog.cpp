#include "dictsource/gui/DeveloperPromptDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

QDialog* DialogDeveloperPrompt::makeDialog(const DeveloperQuestion& question, DeveloperAnswer* answer) {
    auto* dialog = new QDialog;
    dialog->setWindowTitle(question.message);
    auto* layout = new QVBoxLayout(dialog);
    auto* message = new QLabel(question.message);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    layout->addWidget(message);
    if (!question.informativeText.isEmpty()) {
        auto* informative = new QLabel(question.informativeText);
        informative->setTextFormat(Qt::PlainText);
        informative->setWordWrap(true);
        informative->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(informative);
    }
    QPlainTextEdit* editor = nullptr;
    if (question.editableText) {
        // Plain text, so that the XML the developer edits stays as typed.
        editor = new QPlainTextEdit(*question.editableText);
        editor->setObjectName(QStringLiteral("editableText"));
        QFont mono(QStringLiteral("Monospace"));
        mono.setStyleHint(QFont::TypeWriter);
        editor->setFont(mono);
        editor->setMinimumSize(400, 60);
        layout->addWidget(editor, 1);
    }
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    answer->button = 0;
    answer->editedText = question.editableText.value_or(QString());
    for (int i = 0; i < question.buttons.size(); ++i) {
        auto* button = new QPushButton(question.buttons.at(i));
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, dialog, [dialog, answer, editor, i] {
            answer->button = i;
            if (editor) answer->editedText = editor->toPlainText();
            dialog->accept();
        });
        row->addWidget(button);
    }
    layout->addLayout(row);
    return dialog;
}

DeveloperAnswer DialogDeveloperPrompt::ask(const DeveloperQuestion& question) {
    DeveloperAnswer answer;
    std::unique_ptr<QDialog> dialog(makeDialog(question, &answer));
    if (dialog->exec() != QDialog::Accepted) {
        answer.button = 0;
        answer.editedText = question.editableText.value_or(QString());
    }
    return answer;
}

void installDeveloperDialogs(DeveloperSink::PasteboardWriter clipboard) {
    DeveloperPrompt::setCurrent(std::make_shared<DialogDeveloperPrompt>());
    if (!clipboard) {
        clipboard = [](const QString& text) {
            QClipboard* board = QGuiApplication::clipboard();
            if (!board) return false;
            board->setText(text);
            return true;
        };
    }
    const DeveloperSinkPtr sink = DeveloperSink::current();
    sink->setPasteboardWriter(std::move(clipboard));
    sink->setBeeper([] { QApplication::beep(); });
}

#include "tools/gui/TextRangeMacronizer.h"

#include "app/logging/LGLog.h"
#include "platform/Color.h"
#include "platform/Prompter.h"
#include "platform/gui/RichTextConversion.h"

#include <QTextDocument>
#include <QTextEdit>

TextRangeMacronizer::TextRangeMacronizer(QTextEdit* edit, Macronizer* macronizer, QObject* parent)
    : QObject(parent), edit_(edit), macronizer_(macronizer) {}

QString TextRangeMacronizer::plainText(const QTextCursor& cursor) {
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

bool TextRangeMacronizer::start() {
    if (!edit_ || !macronizer_) return false;
    cursor_ = edit_->textCursor();
    if (!cursor_.hasSelection()) cursor_.select(QTextCursor::Document);
    original_ = plainText(cursor_);
    if (original_.trimmed().isEmpty()) return false;
    outcome_ = Outcome::Pending;
    QPointer<TextRangeMacronizer> self(this);
    macronizer_->macronize(original_, [self](const MacronizerResult& result) {
        if (self) self->done(result);
    });
    return true;
}

bool TextRangeMacronizer::replace(QTextCursor& cursor, const QString& original, const ts::AttributedString& marked) {
    if (cursor.isNull() || plainText(cursor) != original) return false;
    const QString text = marked.string().normalized(QString::NormalizationForm_C);
    QTextDocument* document = cursor.document();
    const int start = cursor.selectionStart();
    QTextCursor edit(document);
    edit.beginEditBlock();
    if (text.size() == original.size()) {
        // Letter for letter, so every character keeps its own format.
        for (int i = 0; i < text.size(); ++i) {
            if (text.at(i) == original.at(i)) continue;
            edit.setPosition(start + i);
            edit.setPosition(start + i + 1, QTextCursor::KeepAnchor);
            const QTextCharFormat format = edit.charFormat();
            edit.insertText(QString(text.at(i)), format);
        }
    } else {
        edit.setPosition(start);
        edit.setPosition(start + 1, QTextCursor::KeepAnchor);
        const QTextCharFormat format = edit.charFormat();
        edit.setPosition(cursor.selectionStart());
        edit.setPosition(cursor.selectionEnd(), QTextCursor::KeepAnchor);
        edit.insertText(text, format);
    }
    if (text.size() == marked.length()) {
        qsizetype at = 0;
        for (const ts::AttributedString::Run& run : marked.runs()) {
            const auto colour = run.attributes.find(ts::AttributeName::BackgroundColor);
            if (colour != run.attributes.end()) {
                const ts::ColorPtr c = colour->second.toObjectAs<ts::Color>();
                const QColor qc = c ? RichTextConversion::toQColor(c) : QColor();
                // A clear colour marks a sure word: nothing to show.
                if (qc.isValid() && qc.alpha() > 0) {
                    QTextCharFormat background;
                    background.setBackground(qc);
                    edit.setPosition(start + int(at));
                    edit.setPosition(start + int(at + run.length), QTextCursor::KeepAnchor);
                    edit.mergeCharFormat(background);
                }
            }
            at += run.length;
        }
    }
    edit.endEditBlock();
    return true;
}

void TextRangeMacronizer::done(const MacronizerResult& result) {
    if (result.cancelled) {
        outcome_ = Outcome::Cancelled;
    } else if (!result.ok || !result.text) {
        outcome_ = Outcome::Failed;
        message_ = result.message;
    } else if (!edit_ || !replace(cursor_, original_, *result.text)) {
        outcome_ = Outcome::TextChanged;
        message_ = tr("The text was changed while it was being marked; it was left as it is.");
        TSLogError("Macronized text dropped: the range changed meanwhile");
    } else {
        outcome_ = Outcome::Replaced;
    }
    if (showsFailures_ && (outcome_ == Outcome::Failed || outcome_ == Outcome::TextChanged)) {
        ts::AlertRequest alert;
        alert.messageText = tr("The text could not be macronized.");
        alert.informativeText = message_;
        alert.buttons = {ts::Prompter::localized(QStringLiteral("OK"))};
        ts::Prompter::current()->alert(alert);
    }
    Q_EMIT finished(outcome_, message_);
    if (deletes_) deleteLater();
}

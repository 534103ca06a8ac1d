#pragma once
// Marks the vowel lengths of a text view's selection through any Macronizer
// and puts the answer back into the same range: only when that range still
// holds the text that was sent, as one undoable edit that keeps each
// character's format, and never through the clipboard. A failure is shown
// to the user through the Prompter (unless turned off) and reported by
// finished().
//
// Usage: make one per request, call start(); it may be deleted after
// finished() (deleteWhenFinished does that). The view may go away
// meanwhile: nothing is touched then.
//
// Threads: main thread.

#include "tools/Macronizer.h"

#include <QObject>
#include <QPointer>
#include <QTextCursor>

class QTextEdit;

class TextRangeMacronizer : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Pending, Replaced, TextChanged, Failed, Cancelled };

    TextRangeMacronizer(QTextEdit* edit, Macronizer* macronizer, QObject* parent = nullptr);

    void setShowsFailures(bool shows) { showsFailures_ = shows; }
    void setDeleteWhenFinished(bool deletes) { deletes_ = deletes; }
    // Sends the selection (the whole text when nothing is selected); false
    // when there is nothing to send.
    bool start();
    Outcome outcome() const { return outcome_; }
    QString message() const { return message_; }

    // The cursor's selection with paragraph breaks as "\n".
    static QString plainText(const QTextCursor& cursor);
    // Writes the marked text over the cursor's selection in one edit block,
    // with the marking's background colours (the local marking's orange and
    // red); false (changing nothing) when the selection no longer holds
    // `original`.
    static bool replace(QTextCursor& cursor, const QString& original, const ts::AttributedString& marked);

Q_SIGNALS:
    void finished(TextRangeMacronizer::Outcome outcome, const QString& message);

private:
    void done(const MacronizerResult& result);

    QPointer<QTextEdit> edit_;
    Macronizer* macronizer_;
    QTextCursor cursor_;
    QString original_;
    Outcome outcome_ = Outcome::Pending;
    QString message_;
    bool showsFailures_ = true;
    bool deletes_ = false;
};

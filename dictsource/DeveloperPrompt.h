#pragma once
// How a dictionary converter asks the developer to decide what its rules
// cannot: a question with buttons and, optionally, a text to edit (a piece
// of the source shown as plain text).
//
// The converters never show a window. They ask DeveloperPrompt::current()
// (or the prompt a caller gave the parser), which answers synchronously.
// The window layer installs one with a modal dialog; the command-line tool
// one that reads the terminal; a run without anybody to ask uses
// SkipDeveloperPrompt, which answers the first button ("Skip" in every
// question the converters ask) and leaves the text as it was. Until
// something is installed, current() is such a skipping prompt.
//
// Threads: current() and setCurrent() may be called from any thread; a
// prompt is asked on the thread that runs the conversion.

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct DeveloperQuestion {
    QString message;
    QString informativeText;
    QStringList buttons;            // in order; the answer is an index into them
    std::optional<QString> editableText;  // shown for editing when present
};

struct DeveloperAnswer {
    int button = 0;      // index into the question's buttons; -1 none
    QString editedText;  // the editable text as the developer left it
};

class DeveloperPrompt;
using DeveloperPromptPtr = std::shared_ptr<DeveloperPrompt>;

class DeveloperPrompt {
public:
    virtual ~DeveloperPrompt() = default;
    virtual DeveloperAnswer ask(const DeveloperQuestion& question) = 0;
    // Whether anybody answers; a prompt that always skips lets callers
    // leave out the work of preparing a question (reading the source file).
    virtual bool asksAnybody() const { return true; }

    static DeveloperPromptPtr current();
    // Null restores the skipping prompt.
    static void setCurrent(DeveloperPromptPtr prompt);
};

// Answers the first button and hands the editable text back unchanged.
class SkipDeveloperPrompt : public DeveloperPrompt {
public:
    DeveloperAnswer ask(const DeveloperQuestion& question) override;
    bool asksAnybody() const override { return false; }
};

// Answers from a queue of prepared answers and records every question; an
// empty queue answers as SkipDeveloperPrompt does.
class ScriptedDeveloperPrompt : public DeveloperPrompt {
public:
    DeveloperAnswer ask(const DeveloperQuestion& question) override;
    void queueAnswer(int button, std::optional<QString> editedText = std::nullopt);
    std::vector<DeveloperQuestion> questions() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::pair<int, std::optional<QString>>> answers_;
    std::vector<DeveloperQuestion> questions_;
};

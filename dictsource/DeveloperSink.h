#pragma once
// Where a converter leaves text for the developer (the generated exception
// tables, source texts no rule places) and where it sounds its beeps.
//
// DeveloperSink::current() keeps the latest pasteboard text, hands it to a
// pasteboard writer and sounds beeps through a beeper when the window layer
// installed them (the clipboard, the system beep), and appends every
// text and beep, stamped with the time, to "DeveloperPasteboard.txt" beside
// the log files, so that a run without a clipboard (the command-line tool, a
// test) loses nothing. A failed append is logged once per sink and reported
// as false.
//
// Threads: any thread; each sink serialises its own writes.

#include <QString>

#include <functional>
#include <memory>
#include <mutex>

class DeveloperSink;
using DeveloperSinkPtr = std::shared_ptr<DeveloperSink>;

class DeveloperSink {
public:
    using PasteboardWriter = std::function<bool(const QString& text)>;

    // An empty path keeps nothing on disk.
    explicit DeveloperSink(QString filePath = QString());
    virtual ~DeveloperSink() = default;

    // Replaces the pasteboard text; answers whether every installed
    // destination took it.
    virtual bool writeToPasteBoard(const QString& text);
    virtual void beep();

    QString pasteboardText() const;
    int beepCount() const;
    QString filePath() const { return filePath_; }
    void setPasteboardWriter(PasteboardWriter writer);
    using Beeper = std::function<void()>;
    void setBeeper(Beeper beeper);

    // The process-wide sink: on first use one that appends to
    // defaultFilePath().
    static DeveloperSinkPtr current();
    // Null restores a new default sink.
    static void setCurrent(DeveloperSinkPtr sink);
    // "DeveloperPasteboard.txt" in the logs folder.
    static QString defaultFilePath();

private:
    bool append(const QString& text);

    mutable std::mutex mutex_;
    QString filePath_;
    QString pasteboard_;
    int beeps_ = 0;
    bool appendFailureLogged_ = false;
    PasteboardWriter writer_;
    Beeper beeper_;
};

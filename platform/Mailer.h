#pragma once
// Composing e-mail through the desktop's mail program ("xdg-email"): the
// user's mail program opens a new message with the recipients, subject, body
// and attachments, for the user to send.
//
// Attachments are written into a private temporary folder of the process
// (mode 0700, a fresh name per run, one sub-folder per file), never under
// fixed names in the shared temporary folder; removeTemporaryFiles, which the
// application calls at quit, deletes the folder with everything in it.
//
// Threads: main thread.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTemporaryDir;

namespace ts {

class Mailer {
public:
    static Mailer& shared();

    // Writes the bytes unchanged (text that is not UTF-8 stays as it was) to
    // "<private folder>/<new uuid>/<name>" atomically; answers the file's
    // path, or a null string with the cause in *error.
    QString saveDataToFile(const QByteArray& data, const QString& name, QString* error = nullptr);

    // The private folder; a null string when it cannot be made.
    QString temporaryFolder();
    // Deletes the private folder and its files; the next file makes a new one.
    void removeTemporaryFiles();

    // The argument list given to the mail program.
    static QStringList composeArguments(const QStringList& recipients, const QString& subject, const QString& body,
                                        const QStringList& attachments);
    // Called on the calling thread once the mail program has ended: whether
    // it took the mail, and the cause when it did not.
    using Finished = std::function<void(bool composed, const QString& cause)>;
    // Starts the mail program and returns at once; false when it could not
    // be started, `finished` having then been called already. A program that
    // starts but finds no mail program of the user's exits with a failure,
    // which `finished` reports.
    bool compose(const QStringList& recipients, const QString& subject, const QString& body,
                 const QStringList& attachments, Finished finished);

    // The mail program; "xdg-email" unless set (tests use a recorder).
    QString program() const { return program_; }
    void setProgram(const QString& program) { program_ = program; }

    ~Mailer();

private:
    Mailer();
    std::unique_ptr<QTemporaryDir> folder_;
    QString program_ = QStringLiteral("xdg-email");
};

}  // namespace ts

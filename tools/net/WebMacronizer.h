#pragma once
// The web macronizer: marks vowel lengths through an outside macronizing
// web service, as a plain HTTP form client (no web engine, no scripts).
//
// The service's address is the setting "MacronizerServiceURL" (a user
// default), else kDefaultServiceURL; an address that is not a web address
// sends nothing and the request fails with a message saying so. A run goes through the states the status field shows:
//   1 "Loading"     the service's page is fetched;
//   2 "Processing"  its first form is filled in (the text goes into its first
//                   text area, else its first text field; the other fields
//                   keep their defaults; the first submit button is pressed)
//                   and sent, form-encoded, to the form's action on the same
//                   host;
//   3 "Copying"     the marked text is read from the answer's element with
//                   the id "selecttext" (<br> and "•" read as line breaks);
//   4 "Finished"    the text went back to the caller.
// The answer is accepted only when, with its marks taken off, it is the text
// that was sent; otherwise nothing is changed and the caller is told.
//
// A watchdog checks every `interval` whether the service has sent anything
// for `stallLimit`; when not, the run ends with a message. An answer that
// is a file (CSV or spreadsheet) is saved in the user's download folder
// under a cleaned name that never replaces an existing file.
//
// Threads: main thread; the requests run on workers of the global queue and
// come back through the main queue.

#include "app/net/UrlFetcher.h"
#include "tools/Macronizer.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <optional>

class WebMacronizer : public QObject, public Macronizer {
    Q_OBJECT
public:
    enum State { InvalidState = 0, Loading = 1, Processing = 2, Copying = 3, Finished = 4 };
    static const QString kServiceURLKey;  // "MacronizerServiceURL"
    static const QString kDefaultServiceURL;
    static constexpr int kMaximumLength = 20000;

    // "Invalid state", "Loading", ..., "Unhandled state" above 4.
    static QString stateName(int state);
    // The service address of the settings, or the default one.
    static QUrl serviceUrlFromSettings();

    explicit WebMacronizer(QObject* parent = nullptr);
    ~WebMacronizer() override;

    // Empty: the settings' address is read at each request.
    void setServiceUrl(const QUrl& url) { serviceUrl_ = url; }
    QUrl serviceUrl() const;

    struct Watchdog {
        std::chrono::milliseconds interval{10000};
        std::chrono::milliseconds stallLimit{150000};
    };
    void setWatchdog(const Watchdog& watchdog) { watchdog_ = watchdog; }
    // Empty: the user's download folder (the home folder when there is none).
    void setDownloadFolder(const QString& folder) { downloadFolder_ = folder; }
    QString downloadFolder() const;
    // The path of the last file saved from the service; empty when none.
    QString lastDownload() const { return lastDownload_; }

    int currentState() const { return currentState_; }
    void setCurrentState(int state);
    bool isRunning() const { return completion_ != nullptr; }

    void macronize(const QString& text, Completion completion) override;
    void cancel() override;

    // ---- The steps, for tests ----
    struct Form {
        QUrl action;
        bool post = true;
        QList<QPair<QString, QString>> fields;
        int textField = -1;  // index in fields of the text's field
    };
    // The first form of a page, with its action resolved against the page.
    static std::optional<Form> readForm(const QByteArray& html, const QUrl& pageUrl);
    // The marked text of an answer page; nothing when it has none.
    static std::optional<QString> readMarkedText(const QByteArray& html);
    // The marked text made to end like the sent one, or nothing when, without
    // its marks, it is not the sent text.
    static std::optional<QString> matchAnswer(const QString& sent, const QString& marked);
    static bool isDownloadType(const QString& mimeType);
    // The last path component, cleaned, cut to kMaxFileNameBytes bytes of
    // UTF-8 between characters, its extension kept.
    static QString sanitizedFileName(const QString& suggested);
    static constexpr int kMaxFileNameBytes = 255;
    // The base cut between characters so that base + tail takes at most
    // kMaxFileNameBytes bytes.
    static QString fittedFileName(const QString& base, const QString& tail);
    // Writes a new file in the folder (never over an existing one): its path,
    // or empty on failure (logged; *why gets the cause).
    static QString saveDownload(const QString& folder, const QString& suggested, const QByteArray& bytes,
                                QString* why = nullptr);

Q_SIGNALS:
    void stateChanged(int state, const QString& name);

private:
    void startLogin();
    void startSearchRequest(const UrlFetcher::Response& page);
    void copyText(const UrlFetcher::Response& answer);
    bool handleDownload(const UrlFetcher::Response& answer);
    void lookForTimeouts();
    void fail(const QString& message);
    void finish(MacronizerResult result);
    void send(UrlFetcher::Request request, void (WebMacronizer::*step)(const UrlFetcher::Response&));

    QUrl serviceUrl_;
    Watchdog watchdog_;
    QString downloadFolder_;
    QString lastDownload_;
    int currentState_ = InvalidState;
    QString parseString_;
    Completion completion_;
    quint64 generation_ = 0;
    std::shared_ptr<std::atomic_bool> cancelFlag_;
    QElapsedTimer lastDataSeen_;
    QTimer timeoutTimer_;
};

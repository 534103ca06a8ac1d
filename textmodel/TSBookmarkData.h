#pragma once
// A document's link to a PDF facsimile anywhere on disk, with a uuid that
// lines of the text use to name the PDF they are placed in.
//
// The bookmark data written here is a small binary property list of our
// own: {"TSBookmark": 1, "path": the absolute path, "device", "inode"}. The
// device and inode tell a file that was replaced (or renamed within its
// folder) from the one first chosen. Data written by the original platform
// ("book" or "alis" bookmarks) is read as far as the file's path can be found
// in it.
//
// Resolving: the file at the path with the same device and inode resolves;
// a different file at the path, or the same file renamed within its folder,
// resolves as stale (used unchanged, not renewed); anything else is an error,
// logged ("%@ Can't resolve bookmark %li %@") and handed to the error
// presenter the window layer installs. Property-list form: the VDData
// entries, "uuid" and, when present, "bookmarkData". Main thread.

#include "foundation/VDData.h"
#include "platform/Url.h"
#include "platform/Uuid.h"

#include <QByteArray>

#include <functional>

class TSBookmarkData;
using TSBookmarkDataPtr = std::shared_ptr<TSBookmarkData>;

struct TSBookmarkResolution {
    ts::UrlPtr url;       // null when the bookmark does not resolve
    bool stale = false;   // resolved, but the data should be renewed
    qint64 errorCode = 0; // 0 when resolved (or when there was no data)
    QString error;
};

class TSBookmarkData : public VDData {
    TS_OBJECT(TSBookmarkData, VDData)

public:
    // The platform's error codes for the failures reported here.
    static constexpr qint64 kFileNoSuchFileError = 4;
    static constexpr qint64 kFileReadCorruptFileError = 259;
    static constexpr qint64 kFileReadUnsupportedSchemeError = 262;

    TSBookmarkData() = default;

    std::shared_ptr<ts::Uuid> uuid() const;
    void setUuid(std::shared_ptr<ts::Uuid> uuid) { uuid_ = std::move(uuid); }
    QByteArray bookmarkData() const { return bookmarkData_; }
    void setBookmarkData(const QByteArray& data) { bookmarkData_ = data; }

    // The URL the bookmark resolves to; null (reported) when it does not.
    ts::UrlPtr url() const;
    // Makes a bookmark of a file URL; a failure is reported and the
    // previous data kept.
    void setUrl(const ts::UrlPtr& url);

    static ts::UrlPtr resolveBookmark(const QByteArray& data);
    // Resolution without reporting, for callers that want the details.
    static TSBookmarkResolution resolveBookmarkData(const QByteArray& data);
    // Bookmark data for a file, or empty data with *error set.
    static QByteArray createBookmarkData(const ts::UrlPtr& url, QString* error = nullptr, qint64* errorCode = nullptr);
    // The path the original platform's bookmark data names; empty when none
    // can be found.
    static QString pathFromForeignBookmark(const QByteArray& data);

    ts::Value serialize() const override;
    void importFromDictionary(const ts::Value& dictionary) override;
    static TSBookmarkDataPtr dataFromDictionary(const ts::Value& dictionary);

    // The window layer shows errors to the user; until it installs a
    // presenter they are only logged.
    using ErrorPresenter = std::function<void(qint64 code, const QString& message)>;
    static void setErrorPresenter(ErrorPresenter presenter);
    static void presentError(qint64 code, const QString& message);

private:
    QByteArray bookmarkData_;
    mutable std::shared_ptr<ts::Uuid> uuid_;
};

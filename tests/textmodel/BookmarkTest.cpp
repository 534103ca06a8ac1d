// PDF bookmarks: the "pdfFiles" array, files that are moved or replaced,
// and bookmark data written by the original platform.

#include "TextModelTestSupport.h"
#include "support/CaptureLogger.h"

#include "platform/PropertyList.h"
#include "textmodel/TSBookmarkList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

using namespace ts;

namespace {

UrlPtr fileUrl(const QString& path) { return Url::make(QUrl::fromLocalFile(path).toString()); }

QString pathOf(const UrlPtr& url) { return url ? QUrl(url->absoluteString()).toLocalFile() : QString(); }

}  // namespace

TEST(Bookmarks, PdfFilesRoundTrip) {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("aeneid.pdf")), b = dir.filePath(QStringLiteral("georgics.pdf"));
    ASSERT_TRUE(tmtest::writeFile(a, "%PDF-1.4 a") && tmtest::writeFile(b, "%PDF-1.4 b"));

    TSBookmarkList list;
    EXPECT_TRUE(list.serialize().array().empty());
    auto first = list.bookmarkForURLCreatingIfNecessary(fileUrl(a));
    EXPECT_EQ(list.bookmarkForURLCreatingIfNecessary(fileUrl(a)), first);  // the same PDF dropped twice
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(pathOf(list.urlForUUIDString(QString())), a);  // one bookmark: no uuid needed
    auto second = list.bookmarkForURLCreatingIfNecessary(fileUrl(b));
    EXPECT_FALSE(list.urlForUUIDString(QString()));
    EXPECT_FALSE(list.urlForUUIDString(QStringLiteral("not a uuid")));
    EXPECT_EQ(pathOf(list.urlForUUIDString(second->uuid()->UUIDString())), b);

    // Through a binary property list and back, as the document stores it.
    const QByteArray saved = PropertyList::writeBinary(list.serialize());
    auto again = TSBookmarkList::objectFromArray(PropertyList::read(saved).value);
    ASSERT_EQ(again->count(), 2);
    EXPECT_EQ(pathOf(again->urlForUUIDString(first->uuid()->UUIDString())), a);
    EXPECT_EQ(again->bookmarkForURL(fileUrl(b))->uuid()->UUIDString(), second->uuid()->UUIDString());

    // A bookmark without data reads back with none and resolves quietly; a
    // uuid that is not one is replaced by a new one.
    ValueDictionary bare;
    bare[QStringLiteral("ClassName")] = QStringLiteral("TSBookmarkData");
    bare[QStringLiteral("uuid")] = QStringLiteral("nonsense");
    CaptureLogger::Scope log;
    auto odd = TSBookmarkList::objectFromArray(ValueArray{Value(bare)});
    ASSERT_EQ(odd->count(), 1);
    auto only = odd->bookmarks().front();
    EXPECT_TRUE(only->bookmarkData().isNull());
    EXPECT_FALSE(only->url());
    EXPECT_EQ(log->count(), 0);
    EXPECT_EQ(odd->serialize().array()[0][QStringLiteral("uuid")].toString(), only->uuid()->UUIDString());
}

TEST(Bookmarks, MovedOrReplacedFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plautus.pdf"));
    ASSERT_TRUE(tmtest::writeFile(path, "%PDF-1.4 original"));
    TSBookmarkData b;
    b.setUrl(fileUrl(path));
    ASSERT_FALSE(b.bookmarkData().isEmpty());
    TSBookmarkResolution r = TSBookmarkData::resolveBookmarkData(b.bookmarkData());
    EXPECT_EQ(pathOf(r.url), path);
    EXPECT_FALSE(r.stale);

    // Renamed within its folder: still found, as stale.
    const QString renamed = dir.filePath(QStringLiteral("plautus-amphitruo.pdf"));
    ASSERT_TRUE(QFile::rename(path, renamed));
    r = TSBookmarkData::resolveBookmarkData(b.bookmarkData());
    EXPECT_EQ(pathOf(r.url), renamed);
    EXPECT_TRUE(r.stale);

    // Replaced by another file at the old path: that file, as stale.
    ASSERT_TRUE(tmtest::writeFile(path, "%PDF-1.4 replacement"));
    ASSERT_TRUE(QFile::remove(renamed));
    r = TSBookmarkData::resolveBookmarkData(b.bookmarkData());
    EXPECT_EQ(pathOf(r.url), path);
    EXPECT_TRUE(r.stale);

    // Gone: reported through the log and the error presenter.
    ASSERT_TRUE(QFile::remove(path));
    qint64 presented = 0;
    TSBookmarkData::setErrorPresenter([&](qint64 code, const QString&) { presented = code; });
    CaptureLogger::Scope log;
    EXPECT_FALSE(b.url());
    EXPECT_TRUE(log->contains(QStringLiteral("TSBookmarkData Can't resolve bookmark 4")));
    EXPECT_EQ(presented, TSBookmarkData::kFileNoSuchFileError);

    // A bookmark of a missing file keeps its previous data.
    const QByteArray before = b.bookmarkData();
    b.setUrl(fileUrl(dir.filePath(QStringLiteral("missing.pdf"))));
    EXPECT_EQ(b.bookmarkData(), before);
    EXPECT_TRUE(log->contains(QStringLiteral("Nil bookmark for URL")));
    TSBookmarkData::setErrorPresenter({});
}

// Bookmark data as the original platform writes it: a header, then items
// (length, type, payload) and a table of contents naming the path item.
TEST(Bookmarks, OriginalPlatformDataGivesItsPath) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("vergil.pdf"));
    ASSERT_TRUE(tmtest::writeFile(pdf, "%PDF-1.4"));
    const QString script = QStringLiteral(R"PY(
import struct, sys
parts = [p for p in sys.argv[1].split("/") if p]
body = bytearray(struct.pack("<I", 0))
def item(kind, payload):
    off = len(body); body.extend(struct.pack("<II", len(payload), kind) + payload)
    while len(body) % 4: body.append(0)
    return off
strings = [item(0x0101, p.encode()) for p in parts]
path = item(0x0601, b"".join(struct.pack("<I", s) for s in strings))
other = item(0x0101, b"volume")
toc = len(body)
entries = [(0x2002, other), (0x1004, path)]
body.extend(struct.pack("<IIIII", 20 + 12 * len(entries), 0xfffffffe, 1, 0, len(entries)))
for k, o in entries: body.extend(struct.pack("<III", k, o, 0))
body[0:4] = struct.pack("<I", toc)
head = b"book" + struct.pack("<III", 48 + len(body), 0x10040000, 48) + bytes(32)
sys.stdout.buffer.write(head + bytes(body))
)PY");
    const QByteArray data = tmtest::runPython(script, {pdf});
    ASSERT_TRUE(data.startsWith("book"));
    EXPECT_EQ(TSBookmarkData::pathFromForeignBookmark(data), pdf);
    TSBookmarkResolution r = TSBookmarkData::resolveBookmarkData(data);
    EXPECT_EQ(pathOf(r.url), pdf);

    // Truncated or foreign data is reported, not guessed at.
    for (const QByteArray& bad : {data.left(60), QByteArray("book") + QByteArray(60, '\xff'), QByteArray("alias?")}) {
        EXPECT_TRUE(TSBookmarkData::pathFromForeignBookmark(bad).isEmpty());
        EXPECT_FALSE(TSBookmarkData::resolveBookmarkData(bad).url);
        EXPECT_NE(TSBookmarkData::resolveBookmarkData(bad).errorCode, 0);
    }
    const QString gone = dir.filePath(QStringLiteral("gone.pdf"));
    const QByteArray moved = tmtest::runPython(script, {gone});
    EXPECT_EQ(TSBookmarkData::resolveBookmarkData(moved).errorCode, TSBookmarkData::kFileNoSuchFileError);
}

#include "platform/Rtfd.h"
#include "platform/RtfdAttachment.h"

#include <QtEndian>

#include <gtest/gtest.h>

using namespace ts;

namespace {

void u32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian<quint32>(v, b);
    out.append(b, 4);
}

QByteArray fileBlob(const QByteArray& contents) {
    QByteArray b;
    u32(b, 1);
    u32(b, quint32(contents.size()));
    return b + contents;
}

// Builds a flattened RTFD by hand, independently of the writer.
QByteArray flatten(const std::vector<std::pair<QByteArray, QByteArray>>& entries) {
    QByteArray out("rtfd");
    u32(out, 0);
    u32(out, 3);
    u32(out, quint32(entries.size()));
    for (const auto& e : entries) {
        u32(out, quint32(e.first.size()));
        out += e.first;
    }
    for (const auto& e : entries) u32(out, quint32(e.second.size()));
    for (const auto& e : entries) out += e.second;
    return out;
}

const QByteArray kPng("\x89PNG\r\n\x1a\n-not-really-an-image", 28);

}  // namespace

TEST(Rtfd, ReadsTextAndAttachmentFromTheFlatForm) {
    const QByteArray rtf("{\\rtf1\\ansi\\ansicpg1252\\cocoartf2822{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n"
                         "\\f0\\fs24 See {{\\NeXTGraphic map.png \\width400 \\height200}\xac} here}");
    const QByteArray data = flatten({{"TXT.rtf", fileBlob(rtf)}, {"map.png", fileBlob(kPng)}, {"notes.txt", fileBlob("kept")},
                                     {".", fileBlob("folder")}});
    const RtfdReadResult r = readRtfd(data);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.text.string(), QStringLiteral(u"See \uFFFC here"));
    auto att = r.text.attribute(AttributeName::Attachment, 4).toObjectAs<TextAttachment>();
    ASSERT_TRUE(att);
    EXPECT_EQ(att->contents(), kPng);
    EXPECT_EQ(att->heightTwips(), 200);
    ASSERT_EQ(r.unusedFiles.size(), 1u);
    EXPECT_EQ(r.unusedFiles.at(QStringLiteral("notes.txt")), QByteArray("kept"));

    // Re-saving keeps the attachment, the unused file and the folder entry.
    const QByteArray saved = writeRtfd(r.text, r.unusedFiles, r.folderAttributes);
    const RtfdReadResult again = readRtfd(saved);
    ASSERT_TRUE(again.ok) << again.error.toStdString();
    EXPECT_TRUE(again.text.isEqualToAttributedString(r.text));
    EXPECT_EQ(again.unusedFiles, r.unusedFiles);
    EXPECT_EQ(again.folderAttributes, r.folderAttributes);
}

TEST(Rtfd, WriterLayoutMatchesTheContainerForm) {
    AttributedString s(QStringLiteral("a"));
    auto att = std::make_shared<TextAttachment>(QStringLiteral("TXT.rtf"), kPng);  // a name that would clash
    s.append(QStringLiteral(u"\uFFFC"), {{AttributeName::Attachment, Value(att)}});
    const QByteArray data = writeRtfd(s);
    ASSERT_TRUE(data.startsWith("rtfd"));
    EXPECT_EQ(qFromLittleEndian<quint32>(data.constData() + 4), 0u);
    EXPECT_EQ(qFromLittleEndian<quint32>(data.constData() + 8), 3u);
    EXPECT_EQ(qFromLittleEndian<quint32>(data.constData() + 12), 3u);  // text, attachment, "."
    const quint32 firstName = qFromLittleEndian<quint32>(data.constData() + 16);
    EXPECT_EQ(data.mid(20, firstName), QByteArray("TXT.rtf"));
    const RtfdReadResult r = readRtfd(data);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    auto back = r.text.attribute(AttributeName::Attachment, 1).toObjectAs<TextAttachment>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->contents(), kPng);
    EXPECT_NE(back->fileName(), QStringLiteral("TXT.rtf"));
}

TEST(Rtfd, LoneAttachedFile) {
    const RtfdReadResult r = readRtfd(flatten({{"..", fileBlob(kPng)}, {"__@UTF8PreferredName@__", fileBlob("Bild ä.png")}}));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    auto att = r.text.attribute(AttributeName::Attachment, 0).toObjectAs<TextAttachment>();
    ASSERT_TRUE(att);
    EXPECT_EQ(att->fileName(), QStringLiteral(u"Bild \u00E4.png"));
    EXPECT_EQ(att->contents(), kPng);
}

TEST(Rtfd, BogusContainersFailWithAReason) {
    const QByteArray good = flatten({{"TXT.rtf", fileBlob("{\\rtf1 x}")}});
    QByteArray hugeCount = good;
    qToLittleEndian<quint32>(0xFFFFFFF0u, hugeCount.data() + 12);
    QByteArray hugeName = good;
    qToLittleEndian<quint32>(0x7FFFFFFFu, hugeName.data() + 16);
    QByteArray hugeLength = good;
    qToLittleEndian<quint32>(0xFFFFFFFFu, hugeLength.data() + 16 + 4 + 7);
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"truncated header", good.left(10)},
        {"entry count beyond the data", hugeCount},
        {"name length beyond the data", hugeName},
        {"data length beyond the data", hugeLength},
        {"cut in the middle of a blob", good.left(good.size() - 3)},
        {"no text entry", flatten({{"image.png", fileBlob(kPng)}})},
        {"text that is not RTF", flatten({{"TXT.rtf", fileBlob("hello")}})},
        {"wrong kind", QByteArray("rtfd\0\0\0\0\x07\0\0\0\0\0\0\0", 16)},
    };
    for (const auto& [name, data] : cases) {
        const RtfdReadResult r = readRtfd(data);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_FALSE(r.error.isEmpty()) << name;
    }
    EXPECT_TRUE(readRtfd(good).ok);
}

TEST(Rtfd, EitherFormByItsSignature) {
    EXPECT_TRUE(readRichTextData("{\\rtf1 plain}").ok);
    EXPECT_EQ(readRichTextData(flatten({{"TXT.rtf", fileBlob("{\\rtf1 x}")}})).text.string(), QStringLiteral("x"));
    const RtfdReadResult junk = readRichTextData("bplist00....");
    EXPECT_FALSE(junk.ok);
    EXPECT_FALSE(junk.error.isEmpty());
}

TEST(Rtfd, AttachmentNamesOutsideTheCodePageKeepTheirFiles) {
    // Such a name is written with \u escapes; losing them on reading would
    // part the text from its file and drop the file on the next save.
    const QString name = QStringLiteral(u"\u5730\u56FE \u00E4.png");
    AttributedString s(QStringLiteral("a"));
    s.append(QStringLiteral(u"\uFFFC"), {{AttributeName::Attachment, Value(std::make_shared<TextAttachment>(name, kPng))}});
    const RtfdReadResult r = readRtfd(writeRtfd(s));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    auto att = r.text.attribute(AttributeName::Attachment, 1).toObjectAs<TextAttachment>();
    ASSERT_TRUE(att);
    EXPECT_EQ(att->fileName(), name);
    EXPECT_EQ(att->contents(), kPng);
    EXPECT_TRUE(r.unusedFiles.empty());
}

namespace {

// The page-aligned blob form: 1, a word with the high bit set, the data
// length, the padding length, the zero padding, then the data.
QByteArray alignedBlob(const QByteArray& contents, quint32 pad) {
    QByteArray b;
    u32(b, 1);
    u32(b, 0x80000000u);
    u32(b, quint32(contents.size()));
    u32(b, pad);
    return b + QByteArray(qsizetype(pad), '\0') + contents;
}

}  // namespace

TEST(Rtfd, PageAlignedBlobsReadWithoutTheirPadding) {
    // A lone file in the aligned form, with the sizes of a real one.
    const QByteArray image = kPng + QByteArray(4868 - kPng.size(), 'x');
    const QByteArray lone = alignedBlob(image, 3987);
    ASSERT_EQ(lone.size(), 8871);
    RtfdReadResult r = readRtfd(flatten({{"..", lone}, {"__@UTF8PreferredName@__", fileBlob("Karte.png")}}));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    auto att = r.text.attribute(AttributeName::Attachment, 0).toObjectAs<TextAttachment>();
    ASSERT_TRUE(att);
    EXPECT_EQ(att->contents(), image);

    // A text with an aligned text entry and an aligned attachment; the
    // re-save is readable and holds the same bytes.
    const QByteArray rtf("{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0 a{{\\NeXTGraphic map.png \\width400 \\height200}\xac}b}");
    r = readRtfd(flatten({{"TXT.rtf", alignedBlob(rtf, 100)}, {"map.png", alignedBlob(kPng, 4000)}, {".", fileBlob({})}}));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.text.string(), QStringLiteral(u"a\uFFFCb"));
    att = r.text.attribute(AttributeName::Attachment, 1).toObjectAs<TextAttachment>();
    ASSERT_TRUE(att);
    EXPECT_EQ(att->contents(), kPng);
    const RtfdReadResult again = readRtfd(writeRtfd(r.text, r.unusedFiles, r.folderAttributes));
    ASSERT_TRUE(again.ok) << again.error.toStdString();
    EXPECT_TRUE(again.text.isEqualToAttributedString(r.text));
}

TEST(Rtfd, BlobsWhoseSizesDoNotFitAreErrors) {
    QByteArray shortPad = alignedBlob(kPng, 16);
    shortPad.chop(1);  // the data runs past the blob
    QByteArray hugePad = alignedBlob(kPng, 16);
    qToLittleEndian<quint32>(0xFFFFFFF0u, hugePad.data() + 12);
    QByteArray hugeLength = fileBlob(kPng);
    qToLittleEndian<quint32>(0x7FFFFFF0u, hugeLength.data() + 4);
    const QByteArray header = alignedBlob(kPng, 0).left(12);  // no padding length at all
    for (const QByteArray& blob : {shortPad, hugePad, hugeLength, header}) {
        for (const QByteArray& name : {QByteArray("TXT.rtf"), QByteArray("map.png")}) {
            std::vector<std::pair<QByteArray, QByteArray>> entries{{name, blob}};
            if (name != "TXT.rtf") entries.push_back({"TXT.rtf", fileBlob("{\\rtf1 x}")});
            const RtfdReadResult r = readRtfd(flatten(entries));
            EXPECT_FALSE(r.ok) << name.constData() << " " << blob.left(16).toHex().constData();
            EXPECT_FALSE(r.error.isEmpty());
        }
    }
}

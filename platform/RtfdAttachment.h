#pragma once
// A file attached to rich text (an image in a footnote, say), carried as the
// value of the attachment attribute on an object-replacement character.
// The text keeps the file's name, its bytes when the container supplied them,
// and the size the RTF gave it, so that a text read from an RTFD or a keyed
// archive and written back keeps attachments this program cannot show.

#include "platform/Object.h"

#include <QByteArray>

#include <memory>

namespace ts {

class TextAttachment;
using TextAttachmentPtr = std::shared_ptr<TextAttachment>;
class FileWrapper;
using FileWrapperPtr = std::shared_ptr<FileWrapper>;

// The file an attachment holds in a keyed archive ("NSFileWrapper"), whose
// one key "NSFileWrapperData" is a data object (written as NSMutableData) in
// the flattened container form of Rtfd.h: a lone file ("..", with its
// preferred name; its blob possibly page-aligned) or a folder of entries.
// Archives that hold the data under "NSFileWrapperSerializedRepresentation",
// as this program once wrote them, are read too. The representation is kept
// as read and written back unchanged; one that is not such a container
// fails the unarchive.
class FileWrapper : public Object {
public:
    FileWrapper() = default;
    // A lone file, serialised in the plain form.
    static FileWrapperPtr make(const QString& fileName, const QByteArray& contents);

    QByteArray serializedRepresentation() const { return serialized_; }
    // True for a lone file; fileName() and contents() are empty otherwise.
    bool isRegularFile() const { return regular_; }
    QString fileName() const { return fileName_; }
    QByteArray contents() const { return contents_; }

    static QString staticClassName() { return QStringLiteral("NSFileWrapper"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override { return {staticClassName(), Object::staticClassName()}; }
    ObjectPtr newInstance() const override { return std::make_shared<FileWrapper>(); }
    ObjectPtr copy() const override { return std::make_shared<FileWrapper>(*this); }
    void encodeWithCoder(Coder& coder) const override;
    bool initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override {
        auto o = dynamic_cast<const FileWrapper*>(&other);
        return o && o->serialized_ == serialized_;
    }

private:
    QByteArray serialized_;
    bool regular_ = false;
    QString fileName_;
    QByteArray contents_;
};

class TextAttachment : public Object {
public:
    TextAttachment() = default;
    TextAttachment(const QString& fileName, const QByteArray& contents, qint64 widthTwips = 0, qint64 heightTwips = 0)
        : fileName_(fileName), contents_(contents), width_(widthTwips), height_(heightTwips) {}

    QString fileName() const { return fileName_; }
    QByteArray contents() const { return contents_; }
    // True when the container held the file's bytes (an RTF without its
    // folder names files it cannot supply).
    bool hasContents() const { return hasContents_ || !contents_.isEmpty(); }
    void setHasContents(bool has) { hasContents_ = has; }
    // The size the text gave, in twentieths of a point; 0 when not given.
    qint64 widthTwips() const { return width_; }
    qint64 heightTwips() const { return height_; }

    static QString staticClassName() { return QStringLiteral("NSTextAttachment"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override { return {staticClassName(), Object::staticClassName()}; }
    ObjectPtr newInstance() const override { return std::make_shared<TextAttachment>(); }
    ObjectPtr copy() const override { return std::make_shared<TextAttachment>(*this); }
    bool isEqual(const Object& other) const override {
        auto o = dynamic_cast<const TextAttachment*>(&other);
        return o && o->fileName_ == fileName_ && o->contents_ == contents_;
    }
    QString description() const override { return QStringLiteral("<NSTextAttachment %1>").arg(fileName_); }

    // In a keyed archive the file travels as "NSFileWrapper": the wrapper
    // read is written back as it was; an attachment made here is written
    // with a lone-file wrapper when it has its file's bytes.
    void encodeWithCoder(Coder& coder) const override;
    bool initWithCoder(Coder& coder) override;

private:
    FileWrapperPtr wrapper_;
    QString fileName_;
    QByteArray contents_;
    qint64 width_ = 0, height_ = 0;
    bool hasContents_ = false;
};

}  // namespace ts

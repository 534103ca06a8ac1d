#pragma once
// The two small windows that serve a document's footnotes: the editor, in
// which one footnote's title and text are written, and the picker, which
// lists the footnotes so that the selected text can be linked to one of them.
//
// Neither changes a document. Each reports its outcome on the default
// notification centre, and the document that opened it acts on it:
//   "FootnoteSavedNotification" (sender: the editor) and
//   "FootnoteLinkNotification" (sender: the picker) with "TheFootnote", the
//   "OriginatingField" and, when set, the "OriginatingWindow";
//   "FootnoteCancelledNotification" (sender: the editor) with nothing.
// Origins are FootnoteOrigin objects the opener makes and gets back
// untouched; every document hears every notification and acts only on its
// own window's.
//
// FootnoteTextField ends the edit on Return or Enter (it posts
// "EnterKeyPressed" with itself as sender; each editor saves only for its
// own field) and pastes rich text in the standard text colour without
// changing what the clipboard holds. Main thread only.

#include "textmodel/FootnoteList.h"
#include "textmodel/TSChunk.h"
#include "platform/NotificationCenter.h"
#include "platform/Object.h"

#include <QPointer>
#include <QTextEdit>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;

// Who opened a footnote window: a window or view, and for a row of the
// parallel-text outline, the row's node and column key.
class FootnoteOrigin : public ts::Object {
    TS_OBJECT(FootnoteOrigin, ts::Object)

public:
    FootnoteOrigin() = default;
    explicit FootnoteOrigin(QObject* object, TSChunkPtr chunk = nullptr, QString identifier = {}, qsizetype position = -1)
        : object_(object), chunk_(chunk), identifier_(std::move(identifier)), position_(position) {}
    static std::shared_ptr<FootnoteOrigin> make(QObject* object, TSChunkPtr chunk = nullptr, QString identifier = {},
                                                qsizetype position = -1) {
        return std::make_shared<FootnoteOrigin>(object, std::move(chunk), std::move(identifier), position);
    }
    // The origin a notification's user info holds under the key, or null.
    static std::shared_ptr<FootnoteOrigin> from(const ts::ValueDictionary& userInfo, const QString& key);

    QObject* object() const { return object_.data(); }
    TSChunkPtr chunk() const { return chunk_.lock(); }
    QString identifier() const { return identifier_; }
    // Where a link goes in the column: the end of the selection the window
    // was opened for (a cell editor closes when another window takes the
    // keyboard); -1 for the end of the text.
    qsizetype position() const { return position_; }

private:
    QPointer<QObject> object_;
    std::weak_ptr<TSChunk> chunk_;
    QString identifier_;
    qsizetype position_ = -1;
};
using FootnoteOriginPtr = std::shared_ptr<FootnoteOrigin>;

namespace FootnoteNotification {
extern const QString kSaved;          // "FootnoteSavedNotification"
extern const QString kCancelled;      // "FootnoteCancelledNotification"
extern const QString kLink;           // "FootnoteLinkNotification"
extern const QString kEnterKey;       // "EnterKeyPressed"
extern const QString kTheFootnote;    // "TheFootnote"
extern const QString kField;          // "OriginatingField"
extern const QString kWindow;         // "OriginatingWindow"

// The footnote a notification's user info holds, or null.
FootnoteObjectPtr footnoteIn(const ts::ValueDictionary& userInfo);
}  // namespace FootnoteNotification

class FootnoteTextField : public QTextEdit {
    Q_OBJECT

public:
    explicit FootnoteTextField(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
};

class FootnoteWindowController : public QWidget {
    Q_OBJECT

public:
    explicit FootnoteWindowController(QWidget* parent = nullptr);
    ~FootnoteWindowController() override;

    // Loads the footnote's text and title (empty ones for nil or missing).
    void setFootnote(FootnoteObjectPtr footnote);
    FootnoteObjectPtr footnote() const { return footnote_; }
    void setOriginatingField(FootnoteOriginPtr field) { originatingField_ = std::move(field); }
    FootnoteOriginPtr originatingField() const { return originatingField_; }
    void setOriginatingWindow(FootnoteOriginPtr window) { originatingWindow_ = std::move(window); }
    FootnoteOriginPtr originatingWindow() const { return originatingWindow_; }

    // Stores the text and title in the footnote, posts the saved
    // notification and closes.
    Q_INVOKABLE void saveFootnoteChanges();
    // Posts the cancelled notification and closes; the footnote is unchanged.
    Q_INVOKABLE void cancelFootnoteChanges();

    FootnoteTextField* currentNoteField() const { return noteField_; }
    QLineEdit* titleField() const { return title_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    FootnoteTextField* noteField_ = nullptr;
    QLineEdit* title_ = nullptr;
    FootnoteObjectPtr footnote_;
    FootnoteOriginPtr originatingField_;
    FootnoteOriginPtr originatingWindow_;
    ts::ObserverToken enterObserver_;
};

class FootnoteListController : public QWidget {
    Q_OBJECT

public:
    explicit FootnoteListController(QWidget* parent = nullptr);
    ~FootnoteListController() override;

    // The list shown, in its order (ids sorted without regard to case).
    void setFootnotes(FootnoteListPtr footnotes);
    FootnoteListPtr footnotes() const { return footnotes_; }
    void setOriginatingField(FootnoteOriginPtr field) { originatingField_ = std::move(field); }
    FootnoteOriginPtr originatingField() const { return originatingField_; }
    void setOriginatingWindow(FootnoteOriginPtr window) { originatingWindow_ = std::move(window); }
    FootnoteOriginPtr originatingWindow() const { return originatingWindow_; }

    // With a row selected, posts the link notification; closes in any case.
    Q_INVOKABLE void linkToFootnote();
    // Closes, posting nothing.
    Q_INVOKABLE void cancelFootnoteListChanges();

    QListWidget* footnoteListField() const { return list_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QListWidget* list_ = nullptr;
    FootnoteListPtr footnotes_;
    FootnoteOriginPtr originatingField_;
    FootnoteOriginPtr originatingWindow_;
};

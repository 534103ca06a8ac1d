#include "documents/gui/FootnoteWindows.h"

#include "app/logging/LGLog.h"
#include "platform/Color.h"
#include "platform/gui/RichTextConversion.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

namespace FootnoteNotification {
const QString kSaved = QStringLiteral("FootnoteSavedNotification");
const QString kCancelled = QStringLiteral("FootnoteCancelledNotification");
const QString kLink = QStringLiteral("FootnoteLinkNotification");
const QString kEnterKey = QStringLiteral("EnterKeyPressed");
const QString kTheFootnote = QStringLiteral("TheFootnote");
const QString kField = QStringLiteral("OriginatingField");
const QString kWindow = QStringLiteral("OriginatingWindow");

FootnoteObjectPtr footnoteIn(const ts::ValueDictionary& userInfo) {
    auto it = userInfo.find(kTheFootnote);
    return it == userInfo.end() ? nullptr : it->second.toObjectAs<FootnoteObject>();
}
}  // namespace FootnoteNotification

namespace N = FootnoteNotification;

FootnoteOriginPtr FootnoteOrigin::from(const ts::ValueDictionary& userInfo, const QString& key) {
    auto it = userInfo.find(key);
    return it == userInfo.end() ? nullptr : it->second.toObjectAs<FootnoteOrigin>();
}

namespace {

ts::ValueDictionary userInfoFor(const FootnoteObjectPtr& note, const FootnoteOriginPtr& field, const FootnoteOriginPtr& window) {
    ts::ValueDictionary info;
    info[N::kTheFootnote] = ts::Value(note);
    info[N::kField] = ts::Value(field);
    if (window) info[N::kWindow] = ts::Value(window);
    return info;
}

}  // namespace

// ---- FootnoteTextField ----

FootnoteTextField::FootnoteTextField(QWidget* parent) : QTextEdit(parent) {
    setObjectName(QStringLiteral("currentNoteField"));
    setTabChangesFocus(true);
}

void FootnoteTextField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ts::NotificationCenter::defaultCenter().post(N::kEnterKey, this);
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void FootnoteTextField::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasHtml()) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    // The pasted copy takes the standard text colour; the clipboard keeps
    // what the user put there.
    QTextDocument pasted;
    pasted.setHtml(source->html());
    QTextCursor all(&pasted);
    all.select(QTextCursor::Document);
    QTextCharFormat colour;
    colour.setForeground(RichTextConversion::toQColor(ts::Color::textColor()));
    all.mergeCharFormat(colour);
    textCursor().insertFragment(QTextDocumentFragment(&pasted));
    ensureCursorVisible();
}

// ---- FootnoteWindowController ----

FootnoteWindowController::FootnoteWindowController(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FootnoteController"));
    setWindowTitle(QStringLiteral("Footnote"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("title"));
    title_->setPlaceholderText(QStringLiteral("Optional"));
    form->addRow(QStringLiteral("Title:"), title_);
    layout->addLayout(form);
    noteField_ = new FootnoteTextField(this);
    noteField_->setFont(QFont(QApplication::font().family(), 12));
    layout->addWidget(noteField_, 1);
    auto* hint = new QLabel(QStringLiteral("Return saves the footnote."), this);
    hint->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(hint, 1);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* save = new QPushButton(QStringLiteral("Save"), this);
    save->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &FootnoteWindowController::cancelFootnoteChanges);
    connect(save, &QPushButton::clicked, this, &FootnoteWindowController::saveFootnoteChanges);
    resize(420, 240);

    enterObserver_ = ts::NotificationCenter::defaultCenter().addObserver(
        N::kEnterKey, nullptr, [this](const ts::Notification& n) {
            if (n.sender == noteField_) saveFootnoteChanges();
        });
    setFootnote(nullptr);
}

FootnoteWindowController::~FootnoteWindowController() {
    enterObserver_.reset();
    footnote_.reset();
    originatingField_.reset();
    originatingWindow_.reset();
}

void FootnoteWindowController::setFootnote(FootnoteObjectPtr footnote) {
    footnote_ = std::move(footnote);
    ts::AttributedStringPtr body = footnote_ ? footnote_->attributedString() : nullptr;
    if (body) {
        RichTextConversion::toTextDocument(*body, *noteField_->document());
    } else {
        noteField_->clear();
    }
    title_->setText(footnote_ ? footnote_->title() : QString());
    noteField_->setFocus();
}

void FootnoteWindowController::saveFootnoteChanges() {
    if (footnote_) {
        footnote_->setAttributedString(RichTextConversion::fromTextDocument(*noteField_->document()));
        // An empty field leaves the note untitled, not titled "".
        footnote_->setTitle(title_->text().isEmpty() ? QString() : title_->text());
    } else {
        TSLogError("footnote editor saved without a footnote");
    }
    // Closed first: a handler may open the editor again for another note.
    close();
    ts::NotificationCenter::defaultCenter().post(N::kSaved, this,
                                                  userInfoFor(footnote_, originatingField_, originatingWindow_));
}

void FootnoteWindowController::cancelFootnoteChanges() {
    close();
    ts::NotificationCenter::defaultCenter().post(N::kCancelled, this);
}

void FootnoteWindowController::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancelFootnoteChanges();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- FootnoteListController ----

FootnoteListController::FootnoteListController(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FootnoteListWindow"));
    setWindowTitle(QStringLiteral("Link to Footnote"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("FootnoteListField"));
    list_->setWordWrap(true);
    list_->setAlternatingRowColors(true);
    layout->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* link = new QPushButton(QStringLiteral("Link"), this);
    link->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(link);
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &FootnoteListController::cancelFootnoteListChanges);
    connect(link, &QPushButton::clicked, this, &FootnoteListController::linkToFootnote);
    connect(list_, &QListWidget::itemDoubleClicked, this, &FootnoteListController::linkToFootnote);
    resize(420, 300);
}

FootnoteListController::~FootnoteListController() {
    footnotes_.reset();
    originatingField_.reset();
    originatingWindow_.reset();
}

void FootnoteListController::setFootnotes(FootnoteListPtr footnotes) {
    footnotes_ = std::move(footnotes);
    list_->clear();
    if (!footnotes_) return;
    for (qint64 i = 0; i < footnotes_->count(); ++i) {
        FootnoteObjectPtr note = footnotes_->objectAtIndex(i);
        list_->addItem(note ? note->description() : QString());
    }
}

void FootnoteListController::linkToFootnote() {
    const int row = list_->currentRow();
    FootnoteObjectPtr note = footnotes_ && row >= 0 && list_->currentItem() && list_->currentItem()->isSelected()
                                 ? footnotes_->objectAtIndex(row)
                                 : nullptr;
    close();
    if (note)
        ts::NotificationCenter::defaultCenter().post(N::kLink, this,
                                                      userInfoFor(note, originatingField_, originatingWindow_));
}

void FootnoteListController::cancelFootnoteListChanges() { close(); }

void FootnoteListController::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancelFootnoteListChanges();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        linkToFootnote();
        return;
    }
    QWidget::keyPressEvent(event);
}

#include "documents/gui/MyDocumentWindow.h"

#include "documents/gui/FootnoteWindows.h"

#include "app/core/Preferences.h"
#include "app/logging/LGLog.h"
#include "documents/gui/RevisionWindowController.h"
#include "documents/gui/TSStringPrintView.h"
#include "documents/gui/VocabularyWindowController.h"
#include "foundation/AttributedStringExtensions.h"
#include "morphology/TSWordFormDictionary.h"
#include "morphology/VowelLength.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/Color.h"
#include "platform/Dispatch.h"
#include "platform/Font.h"
#include "platform/Prompter.h"
#include "platform/Url.h"
#include "platform/gui/RichTextConversion.h"
#include "platform/gui/WindowFrame.h"
#include "platform/spelling/SpellingHighlighter.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/FootnoteObject.h"
#include "textmodel/TSLinkStyle.h"
#include "tools/gui/DictionaryWindowController.h"
#include "tools/gui/RKWQFDataDownloaderController.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolTip>
#include <QFile>
#include <QVBoxLayout>

namespace {

// The method a Text menu item runs, for its validation.
constexpr const char* kCommandMethod = "tsCommandMethod";

constexpr qsizetype kWebMacronizeLimit = 20000;

// The range of the Latin pane a web request was made for.
struct AskedRange : ts::Object {
    int from = 0;
    QString text;
};

// Images larger than this many bytes decoded are refused.
constexpr int kImageAllocationLimitMB = 256;

}  // namespace

// Receives local marking results on the main queue; the pane may be gone.
class MacronReceiver : public TextMacronizerProtocol {
public:
    QPointer<MyTextField> field;
    std::vector<std::pair<int, QString>> asked;
    void textMacronized(const std::vector<ts::AttributedStringPtr>& results, const ts::ObjectPtr&) override {
        if (!field) return;
        if (results.size() != asked.size()) {
            TSLogError("%@ selections but %@ outputs", qint64(asked.size()), qint64(results.size()));
            return;
        }
        // Last first, so earlier offsets still hold.
        for (size_t i = results.size(); i-- > 0;)
            if (results[i]) field->applyMacronized(asked[i].first, asked[i].second, *results[i]);
    }
};

// Receives the web macronizer's answer for the window's Latin pane.
class WebMacronReceiver : public MacronizerProtocol {
public:
    QPointer<MyDocumentWindow> window;
    void textMacronized(const ts::AttributedStringPtr& text, const ts::ObjectPtr& object) override {
        const auto asked = std::dynamic_pointer_cast<AskedRange>(object);
        if (!window || !text || !asked || text->length() == 0) return;
        MyTextField* latin = window->latinView();
        if (!latin->applyMacronized(asked->from, asked->text, *text)) {
            window->macronWindow()->statusField->setText(
                QObject::tr("The text was changed while it was being marked; nothing was changed."));
            return;
        }
        // The marked text stays selected, as the text sent was.
        QTextCursor selected(latin->document());
        selected.setPosition(asked->from);
        selected.setPosition(std::min(asked->from + int(text->length()), latin->document()->characterCount() - 1),
                             QTextCursor::KeepAnchor);
        latin->setTextCursor(selected);
    }
};

// ------------------------------------------------------------------ panes

MyTextField::MyTextField(QWidget* parent) : QTextEdit(parent) {
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setAcceptRichText(true);
    // Text without a font of its own is saved in the default font; showing it
    // in that font keeps typed text from changing size when it is reopened.
    setFont(RichTextConversion::toQFont(*ts::Font::defaultFont()));
}

void MyTextField::setIsLatinField() {
    isLatin_ = true;
    if (findChild<ts::SpellingHighlighter*>()) return;
    // The pane's own menu carries the guesses (see contextMenuEvent).
    auto* spelling = new ts::SpellingHighlighter(this, QStringLiteral("la"));
    spelling->setShowsEditorMenu(false);
}

void MyTextField::setIsEnglishField() { isLatin_ = false; }

ts::AttributedString MyTextField::attributedText() const { return RichTextConversion::fromTextDocument(*document()); }

void MyTextField::setAttributedText(const ts::AttributedString& text) { RichTextConversion::toTextDocument(text, *document()); }

ts::AttributedString MyTextField::attributedSubstring(int from, int to) const {
    const ts::AttributedString all = attributedText();
    from = std::clamp(from, 0, int(all.length()));
    to = std::clamp(to, from, int(all.length()));
    return all.attributedSubstring({from, to - from});
}

void MyTextField::replaceRange(int from, int to, const ts::AttributedString& text) {
    QTextDocument scratch;
    RichTextConversion::toTextDocument(text, scratch);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    if (text.length() == 0) {
        cursor.removeSelectedText();
    } else if (!text.string().contains(QLatin1Char('\n'))) {
        // Run by run keeps the formats exactly; a fragment would bring block
        // formats along.
        cursor.removeSelectedText();
        qsizetype at = 0;
        for (const ts::AttributedString::Run& run : text.runs()) {
            cursor.insertText(text.string().mid(at, run.length), RichTextConversion::charFormat(run.attributes));
            at += run.length;
        }
    } else {
        cursor.insertFragment(QTextDocumentFragment(&scratch));
    }
    cursor.endEditBlock();
}

ts::TextRange MyTextField::insertURL(const QString& footnoteId, qint64 number, int from, int to) {
    const QString marker = FootnoteText::marker(number);
    const ts::AttributedString all = attributedText();
    const int before = std::max(0, from - 1);
    ts::Attributes attributes = before < all.length() ? all.attributes(before) : ts::Attributes{};
    attributes.erase(ts::AttributeName::Link);
    if (!footnoteId.isEmpty()) {
        ts::Attributes current = attributes;
        attributes[ts::AttributeName::Link] = ts::Value(ts::Url::make(footnoteId));
        Preferences::addLinkAttributes(attributes, Preferences::FootnoteLink, &current);
    }
    replaceRange(from, to, ts::AttributedString(marker, attributes));
    return {from, marker.size()};
}

QString MyTextField::linkTextToVocab(const QString& wordId, int from, int to) {
    if (to <= from) return {};
    ts::AttributedString piece = attributedSubstring(from, to);
    ts::Attributes current = piece.attributes(0);
    ts::Attributes link;
    link[ts::AttributeName::Link] = ts::Value(ts::Url::make(wordId));
    Preferences::addLinkAttributes(link, Preferences::VocabularyLink, &current);
    piece.addAttributes(link, {0, piece.length()});
    replaceRange(from, to, piece);
    return wordId;
}

QString MyTextField::linkAt(const QPoint& point) const { return anchorAt(point); }

void MyTextField::post(const QString& name) { ts::NotificationCenter::defaultCenter().post(name, this); }

void MyTextField::keyPressEvent(QKeyEvent* event) {
    if (!isLatin_) post(QStringLiteral("NewLine"));
    if (!event->text().isEmpty()) leaveLinkAtCaret();
    const bool deleting = event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace;
    QTextEdit::keyPressEvent(event);
    if (deleting) post(QStringLiteral("FieldNeedsRenumbering"));
}

void MyTextField::leaveLinkAtCaret() {
    // Typing right after a marker or a vocabulary link writes plain text,
    // not more of the link.
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) return;
    QTextCharFormat format = currentCharFormat();
    if (!format.isAnchor()) return;
    QTextCursor next = cursor;
    if (next.movePosition(QTextCursor::NextCharacter)) {
        const QTextCharFormat after = next.charFormat();
        if (after.isAnchor() && after.anchorHref() == format.anchorHref() && !cursor.atBlockEnd()) return;
    }
    RichTextConversion::clearLink(format);
    setCurrentCharFormat(format);
}

void MyTextField::mousePressEvent(QMouseEvent* event) {
    pressedLink_ = event->button() == Qt::LeftButton ? anchorAt(event->position().toPoint()) : QString();
    QTextEdit::mousePressEvent(event);
    post(QStringLiteral("MouseDown"));
}

void MyTextField::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    const QString link = anchorAt(event->position().toPoint());
    if (!pressedLink_.isEmpty() && link == pressedLink_ && !textCursor().hasSelection()) Q_EMIT linkActivated(link);
    pressedLink_.clear();
}

void MyTextField::mouseMoveEvent(QMouseEvent* event) {
    QTextEdit::mouseMoveEvent(event);
    const bool overLink = !anchorAt(event->position().toPoint()).isEmpty();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void MyTextField::mouseDoubleClickEvent(QMouseEvent* event) {
    const bool option = event->modifiers() & Qt::AltModifier;
    QTextEdit::mouseDoubleClickEvent(event);
    post(QStringLiteral("MouseDown"));
    if (!option) return;
    const QString word = textCursor().selectedText().trimmed();
    if (word.isEmpty()) return;
    DictionaryWindowController* dictionary = DictionaryWindowController::showDictionaryWindow();
    if (!dictionary) return;
    dictionary->setCurrentWordList(vocabList_.lock());
    if (isLatin_)
        dictionary->translateLatinString(word);
    else
        dictionary->translateEnglishString(word);
}

void MyTextField::insertFromMimeData(const QMimeData* source) {
    QTextEdit::insertFromMimeData(source);
    post(QStringLiteral("FieldNeedsRenumbering"));
}

void MyTextField::dropEvent(QDropEvent* event) {
    QTextEdit::dropEvent(event);
    post(QStringLiteral("FieldNeedsRenumbering"));
}

bool MyTextField::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && owner_) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString link = anchorAt(viewport()->mapFromGlobal(help->globalPos()));
        const QString tip = link.isEmpty() ? QString() : owner_->toolTipForLink(link);
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), RichTextConversion::displayLines(tip), this);
        return true;
    }
    return QTextEdit::event(event);
}

void MyTextField::focusInEvent(QFocusEvent* event) {
    QTextEdit::focusInEvent(event);
    if (owner_) owner_->updatePercentFinished(this);
}

void MyTextField::hideText(bool cover) {
    if (!isLatin_) return;
    ts::AttributedString text = attributedText();
    const ts::Value standard(ts::Color::textColor());
    const ts::Value background(ts::Color::textBackgroundColor());
    qsizetype at = 0;
    std::vector<std::pair<ts::TextRange, ts::Value>> changes;
    for (const ts::AttributedString::Run& run : text.runs()) {
        auto it = run.attributes.find(ts::AttributeName::BackgroundColor);
        changes.push_back({{at, run.length}, cover ? (it != run.attributes.end() ? it->second : background) : standard});
        at += run.length;
    }
    for (const auto& [range, colour] : changes) text.addAttribute(ts::AttributeName::ForegroundColor, colour, range);
    replaceRange(0, int(document()->characterCount() - 1), text);
}

void MyTextField::uncoverOne() {
    if (!isLatin_) return;
    const ts::AttributedString text = attributedText();
    const QString s = text.string();
    const QColor standard = RichTextConversion::toQColor(ts::Color::textColor());
    qsizetype i = 0;
    while (i < s.size()) {
        while (i < s.size() && !s[i].isLetterOrNumber()) ++i;
        if (i >= s.size()) return;
        qsizetype end = i;
        while (end < s.size() && s[end].isLetterOrNumber()) ++end;
        qsizetype enclosing = end;
        while (enclosing < s.size() && !s[enclosing].isLetterOrNumber()) ++enclosing;
        const ts::Value colour = text.attribute(ts::AttributeName::ForegroundColor, i);
        const QColor shown = colour.isNull() ? standard : RichTextConversion::toQColor(colour.toObjectAs<ts::Color>());
        if (shown != standard) {
            ts::AttributedString piece = text.attributedSubstring({i, enclosing - i});
            piece.addAttribute(ts::AttributeName::ForegroundColor, ts::Value(ts::Color::textColor()), {0, piece.length()});
            replaceRange(int(i), int(enclosing), piece);
            return;
        }
        i = enclosing;
    }
}

void MyTextField::removeColorFromRange(int position) {
    if (position < 0) return;
    const ts::AttributedString text = attributedText();
    if (position >= text.length()) return;
    ts::TextRange run;
    ts::Attributes attributes = text.attributes(position, &run);
    attributes.erase(ts::AttributeName::BackgroundColor);
    ts::AttributedString piece(text.string().mid(run.location, run.length), attributes);
    replaceRange(int(run.location), int(run.end()), piece);
    post(QStringLiteral("text attributes changed"));
}

void MyTextField::macronize() {
    if (!receiver_) receiver_ = std::make_shared<MacronReceiver>();
    receiver_->field = this;
    receiver_->asked.clear();
    std::vector<ts::AttributedStringPtr> texts;
    QTextCursor cursor = textCursor();
    int from = 0, to = int(document()->characterCount() - 1);
    if (cursor.hasSelection()) {
        from = cursor.selectionStart();
        to = cursor.selectionEnd();
    }
    ts::AttributedString piece = attributedSubstring(from, to);
    receiver_->asked.push_back({from, piece.string()});
    texts.push_back(std::make_shared<ts::AttributedString>(std::move(piece)));
    TSWordFormDictionary::addMacrons(std::move(texts), nullptr, receiver_);
}

QMenu* MyTextField::createMacronContextMenu() {
    QMenu* menu = createStandardContextMenu();
    menu->addSeparator();
    QAction* action = menu->addAction(ts::Prompter::localized(QStringLiteral("MACRONIZE"), QStringLiteral("NonReversable")));
    action->setObjectName(QStringLiteral("macronize"));
    connect(action, &QAction::triggered, this, [this] { macronize(); });
    return menu;
}

void MyTextField::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createMacronContextMenu();
    if (auto* spelling = findChild<ts::SpellingHighlighter*>())
        spelling->addSuggestions(menu, cursorForPosition(event->pos()).position());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

bool MyTextField::applyMacronized(int from, const QString& asked, const ts::AttributedString& result) {
    const QString now = document()->toPlainText().mid(from, asked.size());
    if (now != asked) {
        TSLogError("The text changed while its macrons were marked; the marking is dropped");
        return false;
    }
    // The marking comes back without the pane's fonts (the web's as plain
    // text): only its letters and colours go in.
    const int to = from + int(asked.size());
    replaceRange(from, to, AttributedStringExtensions::withMarkedLetters(attributedSubstring(from, to), result));
    return true;
}

// --------------------------------------------------------------- facsimile

FacsimileView::FacsimileView(QScrollArea* scroll) : QWidget(scroll), scroll_(scroll) {
    QPalette p = scroll->palette();
    p.setColor(QPalette::Window, Qt::white);
    scroll->setPalette(p);
    scroll->setBackgroundRole(QPalette::Window);
    scroll->setAutoFillBackground(true);
    scroll->viewport()->setPalette(p);
    scroll->viewport()->setAutoFillBackground(true);
    scroll->setWidget(this);
    scroll->setWidgetResizable(false);
    scroll->viewport()->installEventFilter(this);
}

bool FacsimileView::eventFilter(QObject* watched, QEvent* event) {
    // The scroll view's size changed (a window or divider moved): the page
    // is laid out anew for the area it now has.
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize) updateFrame();
    return QWidget::eventFilter(watched, event);
}

void FacsimileView::setScale(float scale) {
    if (!(scale > 0 || scale == -1.0f || scale == -2.0f)) return;
    scale_ = scale;
    updateFrame();
}

bool FacsimileView::setImageData(const QByteArray& data, QString* problem) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImageReader::setAllocationLimit(kImageAllocationLimitMB);
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        // The page shown stays: it is still the document's.
        if (problem) *problem = reader.errorString();
        return false;
    }
    image_ = std::move(image);
    updateFrame();
    Q_EMIT imageChanged();
    return true;
}

void FacsimileView::clearImage() {
    image_ = QImage();
    updateFrame();
    Q_EMIT imageChanged();
}

QRectF FacsimileView::frameFor(float scale, const QSizeF& visible, const QSizeF& image) {
    const double W = visible.width(), H = visible.height();
    if (image.isEmpty()) return QRectF(0, 0, W, H);
    double w = image.width() * scale, h = image.height() * scale;
    if (scale == -1.0f) {
        h = H;
        w = H * image.width() / image.height();
    } else if (scale == -2.0f) {
        w = W;
        h = W * image.height() / image.width();
    }
    if (w <= W && h <= H) return QRectF((W - w) / 2, (H - h) / 2, w, h);
    return QRectF(0, 0, w, h);
}

void FacsimileView::updateFrame() {
    // The visible area less the scrollers, so that a fitted page needs none.
    const QSize visible = scroll_->maximumViewportSize() -
                          QSize(scroll_->verticalScrollBar()->sizeHint().width() + 2,
                                scroll_->horizontalScrollBar()->sizeHint().height() + 2);
    const QRectF frame = frameFor(scale_, QSizeF(visible), image_.isNull() ? QSizeF() : QSizeF(image_.size()));
    resize(frame.size().toSize().expandedTo(QSize(1, 1)));
    // A page smaller than the area sits in its middle.
    scroll_->setAlignment(Qt::AlignCenter);
    update();
}

void FacsimileView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!image_.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), image_);
    }
}

// ------------------------------------------------------------------ window

MyDocumentWindow::MyDocumentWindow(MyDocumentPtr document, QWidget* parent)
    : QMainWindow(parent), document_(std::move(document)) {
    setAttribute(Qt::WA_DeleteOnClose);
    split_ = new QSplitter(Qt::Horizontal, this);
    auto* imagePane = new QWidget(split_);
    auto* imageLayout = new QVBoxLayout(imagePane);
    imageLayout->setContentsMargins(0, 0, 0, 0);
    // Scale above the button, so the pane can be narrow.
    auto* bar = new QVBoxLayout;
    scaleBox_ = new QComboBox(imagePane);
    scaleBox_->setEditable(true);
    scaleBox_->addItems({QStringLiteral("100%"), QStringLiteral("Fit to height"), QStringLiteral("Fit to width"),
                         QStringLiteral("50%"), QStringLiteral("75%"), QStringLiteral("150%"), QStringLiteral("200%")});
    // The image pane's least width is what the splitter keeps when the
    // window is small, taken from the text panes: the scale box is as narrow
    // as a percentage.
    scaleBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    scaleBox_->setMinimumContentsLength(4);
    auto* setImage = new QPushButton(QStringLiteral("Set Image…"), imagePane);
    bar->addWidget(scaleBox_);
    bar->addWidget(setImage);
    imageLayout->addLayout(bar);
    facsimileScroll_ = new QScrollArea(imagePane);
    facsimile_ = new FacsimileView(facsimileScroll_);
    imageLayout->addWidget(facsimileScroll_, 1);
    latin_ = new MyTextField(split_);
    english_ = new MyTextField(split_);
    latin_->setObjectName(QStringLiteral("latinView"));
    english_->setObjectName(QStringLiteral("englishView"));
    latin_->setIsLatinField();
    english_->setIsEnglishField();
    for (MyTextField* f : {latin_, english_}) {
        f->setOwner(this);
        f->setVocabList(document_->vocabList());
        f->document()->setDocumentMargin(3);
        connect(f, &MyTextField::linkActivated, this, [this, f](const QString& link) { linkClicked(f, link); });
    }
    split_->addWidget(imagePane);
    split_->addWidget(latin_);
    split_->addWidget(english_);
    setCentralWidget(split_);
    percent_ = new QLabel(this);
    statusBar()->addPermanentWidget(percent_);

    // The panes scroll together vertically; the horizontal positions stay.
    QScrollBar* a = latin_->verticalScrollBar();
    QScrollBar* b = english_->verticalScrollBar();
    auto follow = [this](QScrollBar* other) {
        return [this, other](int value) {
            if (syncing_) return;
            syncing_ = true;
            other->setValue(value);
            syncing_ = false;
        };
    };
    connect(a, &QScrollBar::valueChanged, this, follow(b));
    connect(b, &QScrollBar::valueChanged, this, follow(a));
    connect(b, &QScrollBar::valueChanged, this, [this] { updatePercentFinished(english_); });

    connect(scaleBox_, &QComboBox::textActivated, this, &MyDocumentWindow::changeFacsimileScale);
    connect(setImage, &QPushButton::clicked, this, &MyDocumentWindow::setFacsimile);
    connect(split_, &QSplitter::splitterMoved, this, [this] {
        const QList<int> sizes = split_->sizes();
        double total = 0;
        for (int s : sizes) total += s;
        if (total <= 0 || sizes.size() != 3) return;
        Preferences::Positions p{sizes[0] / total, sizes[1] / total, sizes[2] / total};
        Preferences::preferences()->setTextFieldPositions(p);
        facsimile_->updateFrame();
    });
    // A pane's edits count as its undo history does: undo back to the saved
    // text leaves nothing to save.
    for (MyTextField* f : {latin_, english_})
        connect(f->document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
            if (!syncing_) document_->updateChangeCount(modified ? ts::Document::ChangeDone : ts::Document::ChangeUndone);
        });

    auto& center = ts::NotificationCenter::defaultCenter();
    observers_.push_back(center.addObserver(QStringLiteral("FieldNeedsRenumbering"), nullptr, [this](const ts::Notification& n) {
        if (n.sender == latin_ || n.sender == english_) renumberFootnotes(static_cast<MyTextField*>(const_cast<void*>(n.sender)));
    }));
    observers_.push_back(center.addObserver(QStringLiteral("NewLine"), nullptr, [this](const ts::Notification& n) {
        if (n.sender == english_) updatePercentFinished(english_);
    }));
    observers_.push_back(center.addObserver(QStringLiteral("MouseDown"), nullptr, [this](const ts::Notification& n) {
        if (n.sender == latin_ || n.sender == english_) updatePercentFinished(static_cast<QWidget*>(const_cast<void*>(n.sender)));
    }));
    observers_.push_back(center.addObserver(QStringLiteral("Bring document to front"), nullptr, [this](const ts::Notification& n) {
        if (n.sender == document_.get()) {
            raise();
            activateWindow();
        }
    }));
    const void* l = latin_;
    const void* e = english_;
    document_->registerForNotifications([l, e](const void* sender) { return sender == l || sender == e; });
    observers_.push_back(center.addObserver(ts::Document::kEditedStateChangedNotification, document_.get(),
                                            [this](const ts::Notification&) {
                                                // Saved: the panes' present text is the one to come back to.
                                                if (!document_->isDocumentEdited()) markPanesSaved();
                                                updateTitle();
                                            }));

    loadFromDocument();
    connect(facsimile_, &FacsimileView::imageChanged, this, [this] { facsimile_->updateFrame(); });
    ts::DocumentWindow::installMenuBar(this);
    auto* menu = menuBar()->addMenu(QStringLiteral("Text"));
    auto add = [&](const QString& title, void (MyDocumentWindow::*slot)(), const QKeySequence& key = {}, const char* method = nullptr) {
        QAction* action = menu->addAction(title, this, slot);
        if (!key.isEmpty()) action->setShortcut(key);
        if (method) action->setProperty(kCommandMethod, QString::fromLatin1(method));
        return action;
    };
    add(QStringLiteral("Add Footnote"), &MyDocumentWindow::addFootnote, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F), "addFootnote");
    add(QStringLiteral("Link to Footnote…"), qOverload<>(&MyDocumentWindow::linkToFootnote), {}, "linkToFootnote");
    add(QStringLiteral("Copy with Footnotes"), &MyDocumentWindow::copyResolvingFootnotes, {}, "copyResolvingFootnotes");
    menu->addSeparator();
    add(QStringLiteral("Add to Vocabulary"), &MyDocumentWindow::addToVocab, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V), "addToVocab");
    add(QStringLiteral("Show Vocabulary"), &MyDocumentWindow::showVocabularyWindow);
    add(QStringLiteral("Revise Vocabulary"), &MyDocumentWindow::openRevisionWindow);
    add(QStringLiteral("Look Up in Dictionary"), &MyDocumentWindow::lookupInDictionary, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));
    menu->addSeparator();
    add(QStringLiteral("Mark Short"), &MyDocumentWindow::markShort);
    add(QStringLiteral("Mark Long"), &MyDocumentWindow::markLong);
    add(QStringLiteral("Mark Long by Position"), &MyDocumentWindow::markLongByPosition);
    add(QStringLiteral("Insert Foot"), &MyDocumentWindow::insertFoot);
    add(QStringLiteral("Insert Caesura"), &MyDocumentWindow::insertCaesura);
    add(QStringLiteral("Mark Macrons"), &MyDocumentWindow::macronizeLocally);
    add(QStringLiteral("Mark Macrons on the Web"), &MyDocumentWindow::macronizeOnWeb);
    menu->addSeparator();
    QAction* cover = menu->addAction(QStringLiteral("Cover Latin"));
    connect(cover, &QAction::triggered, this, [this] { latin_->hideText(true); });
    QAction* uncover = menu->addAction(QStringLiteral("Uncover Latin"));
    connect(uncover, &QAction::triggered, this, [this] { latin_->hideText(false); });
    QAction* one = menu->addAction(QStringLiteral("Uncover One Word"));
    connect(one, &QAction::triggered, this, [this] { latin_->uncoverOne(); });
    QAction* colour = menu->addAction(QStringLiteral("Remove Colour"));
    connect(colour, &QAction::triggered, this, [this] {
        if (MyTextField* f = activePane(); f && f->textCursor().hasSelection()) f->removeColorFromRange(f->textCursor().selectionStart());
    });
    menu->addSeparator();
    add(QStringLiteral("Set Image…"), &MyDocumentWindow::setFacsimile);
    menu->addSeparator();
    add(QStringLiteral("Print Latin…"), &MyDocumentWindow::printLatin);
    add(QStringLiteral("Print English…"), &MyDocumentWindow::printEnglish);
    textMenu_ = menu;
    // The items follow the pane with the keyboard and its selection, so a
    // key of a command that cannot run does nothing, like its greyed item.
    connect(menu, &QMenu::aboutToShow, this, &MyDocumentWindow::validateTextMenu);
    connect(qApp, &QApplication::focusChanged, this, [this] { validateTextMenu(); });
    for (MyTextField* pane : {latin_, english_}) connect(pane, &QTextEdit::selectionChanged, this, &MyDocumentWindow::validateTextMenu);
    validateTextMenu();

    resize(1100, 700);
    applyPositions();
    if (facsimile_->hasImage()) showImagePane();
    updateTitle();
    QTimer::singleShot(0, this, [this] { latin_->setFocus(); });
}

MyDocumentWindow::~MyDocumentWindow() { document_->cleanup(); }

RKWQFDataDownloaderController* MyDocumentWindow::macronWindow() {
    if (!macronWindow_) {
        if (!webReceiver_) webReceiver_ = std::make_shared<WebMacronReceiver>();
        webReceiver_->window = this;
        macronWindow_ = new RKWQFDataDownloaderController(this);
        macronWindow_->setMacronizerDelegate(webReceiver_);
    }
    return macronWindow_;
}

void MyDocumentWindow::install(ts::DocumentController& controller) {
    MyDocument::setWindowFactory([](const MyDocumentPtr& document) {
        auto* window = new MyDocumentWindow(document);
        window->show();
    });
    MyDocument::registerDocumentType(controller);
}

void MyDocumentWindow::loadFromDocument() {
    syncing_ = true;
    latin_->setAttributedText(document_->latin());
    english_->setAttributedText(document_->english());
    syncing_ = false;
    for (MyTextField* f : {latin_, english_}) {
        f->document()->clearUndoRedoStacks();
        f->setVocabList(document_->vocabList());
    }
    markPanesSaved();
    if (!document_->imageData().isEmpty()) {
        QString problem;
        if (!facsimile_->setImageData(document_->imageData(), &problem)) TSLogError("The page image could not be read: %@", problem);
    }
}

void MyDocumentWindow::showImagePane() {
    // A page image shown into a closed pane would be invisible: the pane
    // opens to a third of the window.
    QList<int> sizes = split_->sizes();
    if (sizes.size() != 3 || sizes[0] > 0) return;
    const int total = sizes[0] + sizes[1] + sizes[2];
    split_->setSizes({total * 3 / 10, total * 35 / 100, total - total * 3 / 10 - total * 35 / 100});
    facsimile_->updateFrame();
}

void MyDocumentWindow::applyPositions() {
    const Preferences::Positions p = Preferences::preferences()->textFieldPositions();
    const int total = std::max(split_->width(), width());
    split_->setSizes({int(p[0] * total), int(p[1] * total), int(p[2] * total)});
}

void MyDocumentWindow::markPanesSaved() {
    const bool was = syncing_;
    syncing_ = true;
    for (MyTextField* f : {latin_, english_}) f->document()->setModified(false);
    syncing_ = was;
}

void MyDocumentWindow::updateTitle() {
    setWindowTitle(document_->displayName() + QStringLiteral("[*]"));
    setWindowModified(document_->isDocumentEdited());
}

void MyDocumentWindow::commitEditing() {
    document_->setLatin(latin_->attributedText());
    document_->setEnglish(english_->attributedText());
    document_->setWindowFrame(QRectF(frameGeometry()));
    document_->setSavedFrameString(QStringLiteral("%1 %2 %3 %4").arg(x()).arg(y()).arg(width()).arg(height()));
}

void MyDocumentWindow::closeEvent(QCloseEvent* event) {
    commitEditing();
    if (!document_->canClose()) {
        event->ignore();
        return;
    }
    VocabularyWindowController::documentClosing(document_->vocabList());
    document_->close();
    event->accept();
}

bool MyDocumentWindow::validateCommand(const QString& method) const {
    MyTextField* pane = activePane();
    if (method == QLatin1String("linkToFootnote")) return pane && document_->footnotes()->count() > 0;
    if (method == QLatin1String("addFootnote")) return pane != nullptr;
    if (method == QLatin1String("copyResolvingFootnotes") || method == QLatin1String("addToVocab"))
        return pane && pane->textCursor().hasSelection();
    return true;
}

void MyDocumentWindow::validateTextMenu() {
    if (!textMenu_) return;
    for (QAction* a : textMenu_->actions()) {
        const QString method = a->property(kCommandMethod).toString();
        if (!method.isEmpty()) a->setEnabled(validateCommand(method));
    }
}

MyTextField* MyDocumentWindow::activePane() const {
    QWidget* focus = QApplication::focusWidget();
    if (focus == latin_ || focus == english_) return static_cast<MyTextField*>(focus);
    return nullptr;
}

// --- footnotes

void MyDocumentWindow::addFootnote() {
    MyTextField* field = activePane();
    if (!field) return;
    FootnoteObjectPtr note = document_->footnotes()->makeNewNote();
    const QTextCursor cursor = field->textCursor();
    if (cursor.hasSelection()) note->setTitle(cursor.selectedText());
    const int end = cursor.selectionEnd();
    const ts::TextRange marker = field->insertURL(note->uniqueID(), 0, end, end);
    QTextCursor after = field->textCursor();
    after.setPosition(int(marker.end()));
    field->setTextCursor(after);
    renumberFootnotes(field);
    document_->updateChangeCount(ts::Document::ChangeDone);
    editFootnote(field, note->uniqueID());
}

void MyDocumentWindow::editFootnote(MyTextField* field, const QString& footnoteId) {
    FootnoteObjectPtr note = document_->footnotes()->noteForID(footnoteId);
    if (!note) return;
    FootnoteWindowController* editor = footnoteWindow();
    editor->setOriginatingField(FootnoteOrigin::make(field));
    editor->setFootnote(note);
    editor->show();
}

void MyDocumentWindow::saveFootnote() {
    if (noteEditor_ && noteEditor_->footnote()) noteEditor_->saveFootnoteChanges();
}

FootnoteWindowController* MyDocumentWindow::footnoteWindow() {
    if (!noteEditor_) {
        noteEditor_ = new FootnoteWindowController(this);
        noteEditor_->setOriginatingWindow(FootnoteOrigin::make(this));
        observers_.push_back(ts::NotificationCenter::defaultCenter().addObserver(
            FootnoteNotification::kSaved, noteEditor_.data(), [this](const ts::Notification& n) {
                FootnoteOriginPtr field = FootnoteOrigin::from(n.userInfo, FootnoteNotification::kField);
                if (auto* pane = qobject_cast<MyTextField*>(field ? field->object() : nullptr)) renumberFootnotes(pane);
                document_->updateChangeCount(ts::Document::ChangeDone);
            }));
    }
    return noteEditor_;
}

FootnoteListController* MyDocumentWindow::footnoteListWindow() {
    if (!notePicker_) {
        notePicker_ = new FootnoteListController(this);
        notePicker_->setOriginatingWindow(FootnoteOrigin::make(this));
        observers_.push_back(ts::NotificationCenter::defaultCenter().addObserver(
            FootnoteNotification::kLink, nullptr, [this](const ts::Notification& n) {
                FootnoteOriginPtr window = FootnoteOrigin::from(n.userInfo, FootnoteNotification::kWindow);
                FootnoteOriginPtr field = FootnoteOrigin::from(n.userInfo, FootnoteNotification::kField);
                FootnoteObjectPtr note = FootnoteNotification::footnoteIn(n.userInfo);
                auto* pane = qobject_cast<MyTextField*>(field ? field->object() : nullptr);
                if (!window || window->object() != this || !note || !pane) return;
                const int length = pane->document()->characterCount() - 1;
                const int at = field->position() >= 0 ? int(std::min<qsizetype>(field->position(), length)) : length;
                pane->insertURL(note->uniqueID(), 0, at, at);
                renumberFootnotes(pane);
                document_->updateChangeCount(ts::Document::ChangeDone);
            }));
    }
    return notePicker_;
}

void MyDocumentWindow::linkToFootnote() {
    MyTextField* field = activePane();
    if (!field || document_->footnotes()->count() == 0) return;
    FootnoteListController* picker = footnoteListWindow();
    picker->setOriginatingField(FootnoteOrigin::make(field, nullptr, {}, field->textCursor().selectionEnd()));
    picker->setFootnotes(document_->footnotes());
    picker->show();
}

void MyDocumentWindow::linkToFootnote(const QString& footnoteId) {
    MyTextField* field = activePane();
    if (!field || !document_->footnotes()->noteForID(footnoteId)) return;
    const int end = field->textCursor().selectionEnd();
    field->insertURL(footnoteId, 0, end, end);
    renumberFootnotes(field);
    document_->updateChangeCount(ts::Document::ChangeDone);
}

void MyDocumentWindow::renumberFootnotes(MyTextField* field) {
    if (field != latin_ && field != english_) return;
    ts::AttributedString text = field->attributedText();
    const std::vector<FootnoteText::Link> before = FootnoteText::footnoteLinks(text);
    if (before.empty()) return;
    if (!FootnoteText::renumber(text, *document_->footnotes(), false)) return;
    // Only the markers change: each is put back in place, last first, so the
    // caret and the undo history of the rest stay.
    const std::vector<FootnoteText::Link> after = FootnoteText::footnoteLinks(text);
    if (after.size() != before.size()) return;
    const int caret = field->textCursor().position();
    int shift = 0;
    QTextCursor group(field->document());
    group.beginEditBlock();
    for (size_t i = before.size(); i-- > 0;) {
        const QString now = text.string().mid(after[i].range.location, after[i].range.length);
        if (field->document()->toPlainText().mid(before[i].range.location, before[i].range.length) == now) continue;
        field->replaceRange(int(before[i].range.location), int(before[i].range.end()), text.attributedSubstring(after[i].range));
        if (before[i].range.end() <= caret) shift += int(after[i].range.length - before[i].range.length);
    }
    group.endEditBlock();
    QTextCursor c = field->textCursor();
    c.setPosition(std::clamp(caret + shift, 0, field->document()->characterCount() - 1));
    field->setTextCursor(c);
}

void MyDocumentWindow::copyResolvingFootnotes() {
    MyTextField* field = activePane();
    if (!field || !field->textCursor().hasSelection()) return;
    const QTextCursor c = field->textCursor();
    const ts::AttributedString resolved =
        FootnoteText::resolveForCopy(field->attributedSubstring(c.selectionStart(), c.selectionEnd()), *document_->footnotes());
    QTextDocument doc;
    RichTextConversion::toTextDocument(resolved, doc);
    auto* mime = new QMimeData;
    mime->setHtml(doc.toHtml());
    mime->setText(resolved.string());
    QApplication::clipboard()->setMimeData(mime);
}

// --- printing

void MyDocumentWindow::printDocument() {
    MyTextField* field = activePane();
    if (field == english_)
        printEnglish();
    else
        printLatin();
}

namespace {

void preparePrint(TSStringPrintView& view, const ts::AttributedString& text, const MyDocumentPtr& document) {
    ts::AttributedString numbered = text;
    FootnoteText::renumber(numbered, *document->footnotes(), false);
    view.setPrintField(numbered);
    view.setFootnotes(document->footnotes());
}

}  // namespace

void MyDocumentWindow::printLatin() {
    TSStringPrintView view;
    preparePrint(view, latin_->attributedText(), document_);
    view.doPrint(this);
}

void MyDocumentWindow::printEnglish() {
    TSStringPrintView view;
    preparePrint(view, english_->attributedText(), document_);
    view.doPrint(this);
}

bool MyDocumentWindow::printFieldToPdf(MyTextField* field, const QString& path) {
    TSStringPrintView view;
    preparePrint(view, field->attributedText(), document_);
    return view.printToPdf(path);
}

void MyDocumentWindow::runPageLayout() { TSStringPrintView::runPageLayout(this); }

// --- vocabulary and dictionary

void MyDocumentWindow::addToVocab() {
    MyTextField* field = activePane();
    if (!field || !field->textCursor().hasSelection()) return;
    const QTextCursor c = field->textCursor();
    WordPtr word = document_->vocabList()->makeNewWord(c.selectedText().trimmed());
    if (!word) return;
    const QString link = field->linkTextToVocab(word->uniqueID(), c.selectionStart(), c.selectionEnd());
    if (!link.isEmpty()) linkClicked(field, link);
    document_->updateChangeCount(ts::Document::ChangeDone);
}

void MyDocumentWindow::showVocabularyWindow() {
    VocabularyWindowController* w = VocabularyWindowController::showVocabularyWindow();
    if (!w) return;
    w->setVocabList(document_->vocabList());
    w->setCallingDocument(document_.get());
}

void MyDocumentWindow::openRevisionWindow() {
    if (document_->vocabList()->count() < 1) return;
    RevisionWindowController* w = RevisionWindowController::getRevisionWindow();
    if (!w) return;
    w->setVocabList(document_->vocabList());
    w->show();
}

void MyDocumentWindow::lookupInDictionary() {
    MyTextField* field = activePane();
    DictionaryWindowController* d = DictionaryWindowController::showDictionaryWindow();
    if (!d) return;
    d->setCurrentWordList(document_->vocabList());
    const QString text = field ? field->textCursor().selectedText().trimmed() : QString();
    if (text.isEmpty()) return;
    if (field == english_)
        d->translateEnglishString(text);
    else
        d->translateLatinString(text);
}

void MyDocumentWindow::linkClicked(MyTextField* field, const QString& link) {
    const ts::Value value(ts::Url::make(link));
    switch (LinkTypeOfLink(value)) {
    case TSLinkTypeFootnote:
        editFootnote(field, link);
        break;
    case TSLinkTypeVocab: {
        VocabularyWindowController* w = VocabularyWindowController::showVocabularyWindow();
        if (!w) return;
        w->setVocabList(document_->vocabList());
        w->setCurrentWordFromID(link);
        w->setCallingDocument(document_.get());
        break;
    }
    default: break;
    }
}

QString MyDocumentWindow::toolTipForLink(const QString& link) const {
    const ts::Value value(ts::Url::make(link));
    switch (LinkTypeOfLink(value)) {
    case TSLinkTypeFootnote:
        if (FootnoteObjectPtr note = document_->footnotes()->noteForID(link)) return note->description();
        return {};
    case TSLinkTypeVocab:
        if (WordPtr word = document_->vocabList()->vocabForID(link)) return word->getToolTipString();
        return {};
    default: return {};
    }
}

// --- page image

bool MyDocumentWindow::changeImageData(const QByteArray& data) {
    if (data.isEmpty()) {
        facsimile_->clearImage();
        document_->setImageData({});
        document_->updateChangeCount(ts::Document::ChangeDone);
        return true;
    }
    QString problem;
    if (!facsimile_->setImageData(data, &problem)) {
        ts::AlertRequest alert;
        alert.messageText = QStringLiteral("The image could not be read.");
        alert.informativeText = problem;
        ts::Prompter::current()->alert(alert);
        return false;
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    showImagePane();
    if (facsimile_->image().save(&buffer, "JPEG", 96))
        document_->setImageData(jpeg);
    else
        document_->setImageData(data);
    document_->updateChangeCount(ts::Document::ChangeDone);
    return true;
}

void MyDocumentWindow::setFacsimile() {
    ts::OpenPanelRequest request;
    request.canChooseFiles = true;
    request.allowsMultipleSelection = false;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) request.allowedFileTypes << QString::fromLatin1(format);
    const QStringList paths = ts::Prompter::current()->openPanel(request);
    if (paths.isEmpty()) return;
    QFile file(paths.first());
    // Page scans are large but not this large.
    if (!file.open(QIODevice::ReadOnly) || file.size() > qint64(kImageAllocationLimitMB) * 1024 * 1024) {
        ts::AlertRequest alert;
        alert.messageText = QStringLiteral("The image could not be read.");
        alert.informativeText = file.errorString();
        ts::Prompter::current()->alert(alert);
        return;
    }
    changeImageData(file.readAll());
}

void MyDocumentWindow::changeFacsimileScale(const QString& typed) {
    QString value = typed.trimmed();
    if (value == QLatin1String("Fit to height")) {
        scaleBox_->setEditText(value);
        facsimile_->setScale(-1);
        return;
    }
    if (value == QLatin1String("Fit to width")) {
        scaleBox_->setEditText(value);
        facsimile_->setScale(-2);
        return;
    }
    if (!value.endsWith(QLatin1Char('%'))) {
        value += QLatin1Char('%');
        scaleBox_->setEditText(value);
    }
    bool ok = false;
    const double percent = value.chopped(1).trimmed().toDouble(&ok);
    // An empty or unreadable scale leaves the image as it was.
    if (ok && percent > 0) facsimile_->setScale(float(percent / 100.0));
}

// --- Latin-pane editing

bool MyDocumentWindow::selectedLatinText(int* from, int* to, QString* text, bool widen) {
    QTextCursor c = latin_->textCursor();
    *from = c.selectionStart();
    *to = c.selectionEnd();
    if (*from == *to && widen && *from > 0) *from -= 1;
    *text = latin_->document()->toPlainText().mid(*from, *to - *from);
    return !text->isEmpty();
}

void MyDocumentWindow::markVowels(QString (*mark)(const QString&)) {
    int from = 0, to = 0;
    QString text;
    if (!selectedLatinText(&from, &to, &text, true)) return;
    const QString marked = mark(foldLatinString(text));
    const ts::AttributedString piece = latin_->attributedSubstring(from, to);
    latin_->replaceRange(from, to, AttributedStringExtensions::withMarkedLetters(piece, ts::AttributedString(marked), false));
    QTextCursor c = latin_->textCursor();
    c.setPosition(from);
    c.setPosition(from + int(marked.size()), QTextCursor::KeepAnchor);
    latin_->setTextCursor(c);
    document_->updateChangeCount(ts::Document::ChangeDone);
}

void MyDocumentWindow::markShort() { markVowels(&markVowelsShort); }
void MyDocumentWindow::markLong() { markVowels(&markVowelsLong); }
void MyDocumentWindow::markLongByPosition() { markVowels(&markVowelsLongByPosition); }

void MyDocumentWindow::insertInLatin(const QString& text) {
    QTextCursor c = latin_->textCursor();
    c.setPosition(c.selectionEnd());
    c.insertText(text);
    latin_->setTextCursor(c);
}

void MyDocumentWindow::insertFoot() { insertInLatin(QStringLiteral("|")); }
void MyDocumentWindow::insertCaesura() { insertInLatin(QString(QChar(0x2016))); }

void MyDocumentWindow::macronizeLocally() { latin_->macronize(); }

void MyDocumentWindow::macronizeOnWeb() {
    const QTextCursor c = latin_->textCursor();
    if (!c.hasSelection()) return;
    const int from = c.selectionStart();
    const QString text = latin_->document()->toPlainText().mid(from, c.selectionEnd() - from);
    if (text.size() >= kWebMacronizeLimit) {
        QApplication::beep();
        TSLogError("Unable to macronize more than 20k characters at a time");
        return;
    }
    RKWQFDataDownloaderController* macron = macronWindow();
    auto asked = std::make_shared<AskedRange>();
    asked->from = from;
    asked->text = text;
    macron->setMacronizedObject(asked);
    macron->setWindowTitle(windowTitle());
    macron->show();
    macron->raise();
    macron->setParseString(text);
    macron->startLookup();
}

void MyDocumentWindow::updatePercentFinished(QWidget* view) {
    if (view == latin_) {
        const int n = latin_->document()->characterCount() - 1;
        percent_->setText(n > 0 ? QString::number(double(latin_->textCursor().selectionStart()) / n, 'f', 2) : QString());
        return;
    }
    if (latin_->document()->isEmpty()) {
        percent_->clear();
        return;
    }
    QScrollBar* bar = english_->verticalScrollBar();
    const double value = bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0.0;
    percent_->setText(QString::number(value, 'f', 2));
}

QLineEdit* MyDocumentWindow::footnoteTitle() { return footnoteWindow()->titleField(); }

QTextEdit* MyDocumentWindow::footnoteText() { return footnoteWindow()->currentNoteField(); }

QWidget* MyDocumentWindow::footnotePanel() { return footnoteWindow(); }

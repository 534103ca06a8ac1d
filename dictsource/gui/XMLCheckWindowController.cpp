#include "dictsource/gui/XMLCheckWindowController.h"

#include "app/logging/LGLog.h"
#include "dictionaries/LewisAndShort.h"
#include "dictsource/NBSourceLSParser.h"
#include "platform/Prompter.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {

const QColor kBlue(0, 122, 255), kCyan(0, 170, 200), kGreen(40, 160, 60), kPurple(175, 82, 222),
    kRed(255, 59, 48), kBrown(162, 132, 94), kOrange(255, 149, 0), kGray(142, 142, 147), kSyn(143, 143, 0),
    kAnt(0, 143, 143), kOrth(0, 143, 0);

QTextCharFormat colourFormat(const QColor& colour) {
    QTextCharFormat f;
    f.setForeground(colour);
    return f;
}

QTextCharFormat smallFormat(const QColor& colour) {
    QTextCharFormat f = colourFormat(colour);
    f.setFontFamilies({QStringLiteral("Helvetica")});
    f.setFontPointSize(10);
    return f;
}

QTextCharFormat boldFormat(const QColor& colour = QColor()) {
    QTextCharFormat f;
    if (colour.isValid()) f.setForeground(colour);
    f.setFontFamilies({QStringLiteral("Helvetica")});
    f.setFontWeight(QFont::Bold);
    f.setFontPointSize(14);
    return f;
}

// The style of a tag: the first word of the list its text contains.
std::optional<QTextCharFormat> tagFormat(QStringView tag) {
    static const std::vector<std::pair<QString, QTextCharFormat>> styles = {
        {QStringLiteral("sense"), colourFormat(kBlue)},  {QStringLiteral("entryFree"), colourFormat(kCyan)},
        {QStringLiteral("orth"), colourFormat(kGreen)},  {QStringLiteral("itype"), colourFormat(kPurple)},
        {QStringLiteral("pos"), colourFormat(kRed)},     {QStringLiteral("etym"), colourFormat(kBrown)},
        {QStringLiteral("gen"), colourFormat(kOrange)},  {QStringLiteral("syn"), smallFormat(kSyn)},
        {QStringLiteral("ant"), smallFormat(kAnt)},
    };
    for (const auto& [word, format] : styles)
        if (tag.contains(word)) return format;
    return std::nullopt;
}

QColor colourOf(XMLCheckSession::Colour c) {
    switch (c) {
    case XMLCheckSession::Colour::Purple: return kPurple;
    case XMLCheckSession::Colour::Red: return kRed;
    case XMLCheckSession::Colour::Orange: return kOrange;
    case XMLCheckSession::Colour::Brown: return kBrown;
    case XMLCheckSession::Colour::Gray: return kGray;
    case XMLCheckSession::Colour::Syn: return kSyn;
    case XMLCheckSession::Colour::Ant: return kAnt;
    case XMLCheckSession::Colour::Orth: return kOrth;
    case XMLCheckSession::Colour::Blue: return kBlue;
    }
    return kBlue;
}

void applyFormat(QTextEdit* view, qsizetype start, qsizetype length, const QTextCharFormat& format) {
    QTextCursor cursor(view->document());
    cursor.setPosition(int(start));
    cursor.setPosition(int(start + length), QTextCursor::KeepAnchor);
    cursor.setCharFormat(format);
}

void scrollTo(QTextEdit* view, qsizetype position) {
    QTextCursor cursor(view->document());
    cursor.setPosition(int(qBound(qsizetype(0), position, qsizetype(view->document()->characterCount() - 1))));
    view->setTextCursor(cursor);
    view->ensureCursorVisible();
    // The match a third of the way down, with the text before it in sight.
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->value() + view->cursorRect().top() - view->viewport()->height() / 3);
}

QTextEdit* makeView(bool editable) {
    auto* view = new QTextEdit;
    view->setReadOnly(!editable);
    view->setAcceptRichText(false);
    view->setLineWrapMode(QTextEdit::WidgetWidth);
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    view->setFont(font);
    return view;
}

QWidget* titled(const QString& title, QWidget* view) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* label = new QLabel(title);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    layout->addWidget(label);
    layout->addWidget(view, 1);
    return box;
}

}  // namespace

XMLCheckWindowController::XMLCheckWindowController(const QString& path, QWidget* parent)
    : QWidget(parent), path_(path) {
    setWindowTitle(tr("XML Check"));
    origView_ = makeView(false);
    changedView_ = makeView(true);
    humanReadableView_ = makeView(false);
    cleanedReadableView_ = makeView(false);

    auto* top = new QSplitter(Qt::Horizontal);
    top->addWidget(titled(tr("In the file"), origView_));
    top->addWidget(titled(tr("Proposed (editable)"), changedView_));
    auto* bottom = new QSplitter(Qt::Horizontal);
    bottom->addWidget(titled(tr("Readable, in the file"), humanReadableView_));
    bottom->addWidget(titled(tr("Readable, proposed"), cleanedReadableView_));
    auto* rows = new QSplitter(Qt::Vertical);
    rows->addWidget(top);
    rows->addWidget(bottom);
    rows->setStretchFactor(0, 3);
    rows->setStretchFactor(1, 2);

    auto* buttons = new QHBoxLayout;
    auto add = [&](const char* title, auto action) {
        auto* b = new QPushButton(tr(title));
        connect(b, &QPushButton::clicked, this, action);
        buttons->addWidget(b);
        return b;
    };
    add("Next", [this] { skipToNext(); });
    add("Accept", [this] { insertEditedText(); })->setDefault(true);
    add("Revert", [this] { transferRawText(); });
    add("Remove First Sense", [this] { removeFirstSense(); });
    add("Insert <pos>u</pos>", [this] { insertUnknownTrans(); });
    add("Nouns Without Gender", [this] { findMalformed(); });
    add("Save", [this] { saveChanges(); });
    buttons->addStretch(1);
    buttons->addWidget(new QLabel(tr("Matches:")));
    matchCountField_ = new QLabel(QStringLiteral("–"));
    matchCountField_->setMinimumWidth(60);
    buttons->addWidget(matchCountField_);

    statusField_ = new QLabel;
    statusField_->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rows, 1);
    layout->addWidget(statusField_);
    layout->addLayout(buttons);

    connect(changedView_, &QTextEdit::textChanged, this, [this] {
        if (updating_) return;
        updateCleanedModifiedString();
        checkForErrors(false);
    });
    resize(1180, 760);
}

XMLCheckWindowController::~XMLCheckWindowController() = default;

QString XMLCheckWindowController::fileURL() {
    return LewisAndShort::lewisAndShortURL().toLocalFile();
}

bool XMLCheckWindowController::setSearchAndReplace(const QString& search, const QString& replace) {
    pairTried_ = true;
    QString error;
    if (!session_.setSearchAndReplace(search, replace, &error)) {
        TSLogError("%@", error);
        return false;
    }
    return true;
}

bool XMLCheckWindowController::ensureLoaded() {
    if (!session_.loaded() && !loadTried_) {
        loadTried_ = true;
        QString error;
        if (!session_.load(path_.isEmpty() ? fileURL() : path_, &error)) {
            TSLogError("Error loading file string %@", error);
            setStatus(error);
        }
    }
    if (!pairTried_) {
        pairTried_ = true;
        QString error;
        if (!session_.setSearchAndReplaceStrings(SourceRegex::readReplacementList(), &error)) {
            TSLogError("%@", error);
            setStatus(error);
        }
    }
    return session_.loaded();
}

void XMLCheckWindowController::skipToNext() {
    if (session_.findingMalformed()) findMalformed();
    else startCheck();
}

void XMLCheckWindowController::startCheck() {
    if (!ensureLoaded()) return;
    if (session_.startCheck()) insertCurCheckValues();
    else if (session_.walkOver()) setStatus(tr("No more matches."));
    startCount();
}

void XMLCheckWindowController::setChangedText(const QString& text) {
    updating_ = true;
    changedView_->setPlainText(text);
    markTags(changedView_);
    updating_ = false;
}

void XMLCheckWindowController::insertCurCheckValues() {
    setStatus(QString());
    updating_ = true;
    origView_->setPlainText(session_.rawEntryString());
    updating_ = false;
    setChangedText(session_.suggestedString());
    markTags(origView_);
    boldString(session_.substring(), origView_);
    boldString(session_.replacedMatch(), changedView_);
    const TextRange match = session_.matchInRawEntry();
    if (match.found()) {
        scrollTo(origView_, match.location);
        if (match.end() <= session_.suggestedString().size()) {
            scrollTo(changedView_, match.location);
        } else {
            const qsizetype syn = changedView_->toPlainText().indexOf(QLatin1String("<syn>"));
            if (syn >= 0) scrollTo(changedView_, syn);
        }
    }
    checkForErrors(false);
    insertHumanReadableString();
}

void XMLCheckWindowController::insertMalformedValues() {
    setStatus(QString());
    updating_ = true;
    origView_->setPlainText(session_.rawEntryString());
    updating_ = false;
    setChangedText(session_.rawEntryString());
    markTags(origView_);
    insertHumanReadableString();
}

bool XMLCheckWindowController::checkForErrors(bool notify) {
    QString error;
    const QString changed = changedView_->toPlainText();
    if (XMLCheckSession::key(session_.curEntryString(changed)).isNull()) return false;
    if (session_.checkForErrors(changed, &error)) {
        resetChangedViewBackground();
        return true;
    }
    errorFound(error, notify);
    return false;
}

void XMLCheckWindowController::errorFound(const QString& error, bool notify) {
    if (notify) {
        ts::AlertRequest request;
        request.messageText = tr("The entry is not well-formed XML.");
        request.informativeText = error;
        request.buttons = {tr("OK")};
        ts::Prompter::current()->alert(request);
    }
    flagged_ = true;
    QPalette p = changedView_->palette();
    p.setColor(QPalette::Base, QColor(255, 230, 230));
    changedView_->setPalette(p);
    setStatus(error);
}

void XMLCheckWindowController::resetChangedViewBackground() {
    flagged_ = false;
    changedView_->setPalette(origView_->palette());
    setStatus(QString());
}

void XMLCheckWindowController::updateCleanedModifiedString() {
    showColoured(XMLCheckSession::makeColouredHumanReadableString(changedView_->toPlainText()), cleanedReadableView_);
}

void XMLCheckWindowController::insertHumanReadableString() {
    humanReadableView_->setPlainText(NBSourceLSParser::makeStringHumanReadable(session_.humanString()));
    markBrackets(humanReadableView_);
    showColoured(XMLCheckSession::makeColouredHumanReadableString(session_.cleanedHumanString()), cleanedReadableView_);
}

void XMLCheckWindowController::insertEditedText() {
    QString error;
    switch (session_.insertEditedText(changedView_->toPlainText(), &error)) {
    case XMLCheckSession::AcceptResult::Accepted: skipToNext(); break;
    case XMLCheckSession::AcceptResult::Malformed: errorFound(error, true); break;
    case XMLCheckSession::AcceptResult::Moved: setStatus(error); break;
    case XMLCheckSession::AcceptResult::NoEntry: setStatus(tr("No entry with a key is shown; nothing was accepted.")); break;
    }
}

void XMLCheckWindowController::transferRawText() {
    setChangedText(origView_->toPlainText());
    updateCleanedModifiedString();
    checkForErrors(true);
}

void XMLCheckWindowController::removeFirstSense() {
    if (auto text = XMLCheckSession::removeFirstSense(changedView_->toPlainText())) {
        setChangedText(*text);
        updateCleanedModifiedString();
        checkForErrors(true);
    }
}

void XMLCheckWindowController::insertUnknownTrans() {
    if (auto text = XMLCheckSession::insertUnknownTrans(changedView_->toPlainText())) {
        setChangedText(*text);
        insertHumanReadableString();
        updateCleanedModifiedString();
        checkForErrors(false);
    }
}

void XMLCheckWindowController::findMalformed() {
    if (!ensureLoaded()) return;
    DictionaryEntryList words;
    if (wordsProvider_) {
        words = wordsProvider_();
    } else {
        const auto dictionary = LewisAndShort::dictionary();
        dictionary->waitForInitialisation();
        if (auto list = dictionary->words()) words = *list;
    }
    lastEntry_ = XMLCheckSession::nextMalformed(words, lastEntry_);
    if (!lastEntry_) {
        setStatus(tr("No more nouns without gender."));
        return;
    }
    if (session_.showEntry(lastEntry_)) insertMalformedValues();
}

bool XMLCheckWindowController::saveChanges() {
    if (!session_.loaded()) return false;
    QString error;
    if (!session_.saveFileString(&error)) {
        TSLogError("%@", error);
        setStatus(error);
        return false;
    }
    setStatus(tr("Saved."));
    return true;
}

void XMLCheckWindowController::closeEvent(QCloseEvent* event) {
    if (!session_.dirty()) {
        event->accept();
        return;
    }
    ts::AlertRequest request;
    request.messageText = tr("Save the accepted changes to the source before closing?");
    request.informativeText = tr("Accepted entries are only in this window until they are saved.");
    request.buttons = {tr("Save"), tr("Cancel"), tr("Don't Save")};
    request.defaultButton = 0;
    switch (ts::Prompter::current()->alert(request)) {
    case 0:
        if (saveChanges()) event->accept();
        else event->ignore();
        break;
    case 2: event->accept(); break;
    default: event->ignore(); break;
    }
}

void XMLCheckWindowController::startCount() {
    if (counting_ || !session_.regex() || !session_.loaded()) return;
    counting_ = true;
    // The copy shares the text until the window next changes it, so the
    // count reads a text that nothing changes under it.
    const QString text = session_.fileString();
    const QRegularExpression regex = *session_.regex();
    QPointer<XMLCheckWindowController> self(this);
    QThreadPool::globalInstance()->start([text, regex, self] {
        const qsizetype n = XMLCheckSession::countMatches(regex, text);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [self, n] {
                if (self) self->showMatchCount(n);
            },
            Qt::QueuedConnection);
    });
}

void XMLCheckWindowController::showMatchCount(qsizetype count) {
    matchCountField_->setText(QString::number(count));
    counting_ = false;
}

void XMLCheckWindowController::markTags(QTextEdit* view) {
    const bool was = updating_;
    updating_ = true;
    const QString text = view->toPlainText();
    QTextCursor all(view->document());
    all.select(QTextCursor::Document);
    all.setCharFormat(QTextCharFormat());
    static const QRegularExpression tag(QStringLiteral("<(.*?)>"), QRegularExpression::CaseInsensitiveOption);
    auto it = tag.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        if (auto format = tagFormat(m.capturedView(0))) applyFormat(view, m.capturedStart(), m.capturedLength(), *format);
    }
    updating_ = was;
}

void XMLCheckWindowController::boldString(const QString& string, QTextEdit* view) {
    if (string.isEmpty()) return;
    const qsizetype at = view->toPlainText().indexOf(string);
    if (at < 0) return;
    const bool was = updating_;
    updating_ = true;
    applyFormat(view, at, string.size(), boldFormat());
    updating_ = was;
}

void XMLCheckWindowController::markBrackets(QTextEdit* view) {
    const QString text = view->toPlainText();
    const std::pair<QString, QTextCharFormat> marks[] = {
        {QStringLiteral("("), boldFormat(kRed)},
        {QStringLiteral(")"), boldFormat(kRed)},
        {QStringLiteral("<sense"), boldFormat(kBlue)},
        {QStringLiteral("</sense>"), colourFormat(kPurple)},
    };
    for (const auto& [mark, format] : marks)
        for (qsizetype at = text.indexOf(mark); at >= 0; at = text.indexOf(mark, at + mark.size()))
            applyFormat(view, at, mark.size(), format);
}

void XMLCheckWindowController::showColoured(const XMLCheckSession::ColouredText& text, QTextEdit* view) {
    view->setPlainText(text.text);
    for (const auto& span : text.spans)
        if (span.length > 0 && span.start + span.length <= text.text.size())
            applyFormat(view, span.start, span.length, colourFormat(colourOf(span.colour)));
}

void XMLCheckWindowController::setStatus(const QString& text) {
    statusField_->setText(text);
}

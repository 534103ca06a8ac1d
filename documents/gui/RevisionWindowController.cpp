#include "documents/gui/RevisionWindowController.h"

#include "app/core/Preferences.h"
#include "app/logging/LGLog.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/Prompter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QPointer<RevisionWindowController> gShared;

QString loc(const char* key) { return ts::Prompter::localized(QString::fromUtf8(key)); }

bool reviseMarkedOnly() {
    PreferencesPtr p = Preferences::preferences();
    return p && p->reviseMarkedOnly();
}

bool automarkWords() {
    PreferencesPtr p = Preferences::preferences();
    return p && p->automarkWords();
}

}  // namespace

RevisionWindowController* RevisionWindowController::getRevisionWindow() {
    if (!gShared) gShared = new RevisionWindowController;
    Q_ASSERT_X(gShared, "getRevisionWindow", "unable to make Revision  window controller");
    return gShared;
}

RevisionWindowController* RevisionWindowController::existingRevisionWindow() { return gShared; }

RevisionWindowController* RevisionWindowController::showRevisionWindow() {
    RevisionWindowController* r = getRevisionWindow();
    r->show();
    r->raise();
    return r;
}

RevisionWindowController::RevisionWindowController() {
    setObjectName(QStringLiteral("Revision"));
    setWindowTitle(loc("Revision"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* filters = new QHBoxLayout;
    sourcesToShow = new QComboBox(central);
    sourcesToShow->addItems({loc("Any source"), QString()});
    sourcesToShow->insertSeparator(1);
    wordsToShow = new QComboBox(central);
    wordsToShow->addItems({loc("Any word type"), loc("noun"), loc("verb"), loc("adjective"), loc("adverb"),
                           loc("conjunction"), loc("preposition"), loc("pronoun"), loc("interjection"), loc("number"),
                           loc("packon"), loc("phrase")});
    filters->addWidget(sourcesToShow);
    filters->addWidget(wordsToShow);
    filters->addStretch(1);
    auto* latinFirst = new QRadioButton(loc("Latin to English"), central);
    auto* englishFirst = new QRadioButton(loc("English to Latin"), central);
    testLanguage = new QButtonGroup(this);
    testLanguage->addButton(latinFirst, 0);
    testLanguage->addButton(englishFirst, 1);
    latinFirst->setChecked(true);
    filters->addWidget(latinFirst);
    filters->addWidget(englishFirst);
    layout->addLayout(filters);

    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    testWord = new QLabel(central);
    testWord->setFont(big);
    testWord->setAlignment(Qt::AlignCenter);
    testWord->setWordWrap(true);
    testWord->setMinimumHeight(70);
    testWord->setTextInteractionFlags(Qt::TextSelectableByMouse);
    translation = new QLabel(central);
    translation->setAlignment(Qt::AlignCenter);
    translation->setWordWrap(true);
    translation->setMinimumHeight(60);
    translation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(testWord);
    layout->addWidget(translation);

    auto* controls = new QHBoxLayout;
    auto* previous = new QPushButton(loc("Previous"), central);
    auto* answer = new QPushButton(loc("Show Answer"), central);
    auto* next = new QPushButton(loc("Next"), central);
    next->setDefault(true);
    isMarked = new QCheckBox(loc("Marked for revision"), central);
    numWords = new QLabel(central);
    controls->addWidget(previous);
    controls->addWidget(answer);
    controls->addWidget(next);
    controls->addSpacing(16);
    controls->addWidget(isMarked);
    controls->addStretch(1);
    controls->addWidget(numWords);
    layout->addLayout(controls);
    setCentralWidget(central);
    resize(560, 280);

    connect(previous, &QPushButton::clicked, this, [this] { gotoPrevWord(true); });
    connect(next, &QPushButton::clicked, this, [this] { gotoNextWord(true); });
    connect(answer, &QPushButton::clicked, this, &RevisionWindowController::showAnswer);
    connect(isMarked, &QCheckBox::clicked, this, [this](bool on) { setStateOfCurrentWord(on); });
    connect(sourcesToShow, qOverload<int>(&QComboBox::activated), this, &RevisionWindowController::changePopupSettings);
    connect(wordsToShow, qOverload<int>(&QComboBox::activated), this, &RevisionWindowController::changePopupSettings);
    connect(testLanguage, &QButtonGroup::idClicked, this, [this] { insertWord(getCurrentWord()); });
}

void RevisionWindowController::setVocabList(std::shared_ptr<WordController> list) {
    vocabList_ = std::move(list);
    listObserver_ = vocabList_ ? ts::NotificationCenter::defaultCenter().addObserver(
                                     WordController::kVocabChanged, vocabList_.get(),
                                     [this](const ts::Notification&) { followList(); })
                               : ts::ObserverToken();
    // A shorter list handed over later must not leave the index past its end.
    const qint64 n = vocabList_ ? vocabList_->count() : 0;
    if (curIndex_ >= n) curIndex_ = 0;
    if (loaded_) {
        setupSourceList();
        updateCount();
        insertWord(passes_current() ? getCurrentWord() : nullptr);
    }
}

void RevisionWindowController::showEvent(QShowEvent* event) {
    if (!loaded_) {
        // Once, when the window first shows: the sources, the first word, the count.
        loaded_ = true;
        curIndex_ = 0;
        setupSourceList();
        gotoNextWord(false);
        updateCount();
    }
    QMainWindow::showEvent(event);
}

void RevisionWindowController::followList() {
    if (!loaded_ || !vocabList_) return;
    const qint64 n = vocabList_->count();
    if (WordPtr shown = shownID_.isEmpty() ? nullptr : vocabList_->vocabForID(shownID_)) {
        // The word asked is still there, perhaps at another place after a re-sort.
        curIndex_ = vocabList_->getIndexOfObject(shown);
    } else {
        // The word asked is gone: the next word that passes takes its place.
        qint64 index = -1;
        WordPtr next = getNextWord(std::min(curIndex_, n) - 1, &index);
        curIndex_ = next ? index : 0;
        insertWord(next);
    }
    updateCount();
}

bool RevisionWindowController::passes_current() const {
    WordPtr w = getCurrentWord();
    return w && passes(*w);
}

bool RevisionWindowController::passes(const Word& w) const {
    if (wordsToShow->currentIndex() > 0 && w.getWordType() != wordsToShow->currentIndex()) return false;
    if (sourcesToShow->currentIndex() > 0 && w.source() != sourcesToShow->currentText()) return false;
    if (reviseMarkedOnly() && !w.marked()) return false;
    return true;
}

WordPtr RevisionWindowController::getNextWord(qint64 start, qint64* index) const {
    *index = -1;
    const qint64 n = vocabList_ ? vocabList_->count() : 0;
    if (n == 0) return nullptr;
    for (qint64 i = 0; i < n; ++i) {
        const qint64 at = ((start + 1 + i) % n + n) % n;
        WordPtr w = vocabList_->objectAtIndex(quint64(at));
        if (w && passes(*w)) {
            *index = at;
            return w;
        }
    }
    return nullptr;
}

WordPtr RevisionWindowController::getPrevWord(qint64 start, qint64* index) const {
    *index = -1;
    const qint64 n = vocabList_ ? vocabList_->count() : 0;
    if (n == 0) return nullptr;
    const qint64 tries = start < 0 || start >= n ? n : n - 1;
    qint64 at = start < 0 || start >= n ? n : start;
    for (qint64 i = 0; i < tries; ++i) {
        at = (at - 1 + n) % n;
        WordPtr w = vocabList_->objectAtIndex(quint64(at));
        if (w && passes(*w)) {
            *index = at;
            return w;
        }
    }
    return nullptr;
}

qint64 RevisionWindowController::countNumWords() const {
    const qint64 n = vocabList_ ? vocabList_->count() : 0;
    qint64 first = -1, at = 0, count = 0;
    if (!getNextWord(0, &first)) return 0;
    at = first;
    for (qint64 step = 0; step <= n; ++step) {
        ++count;
        qint64 next = -1;
        if (!getNextWord(at, &next) || next == first) return count;
        at = next;
    }
    TSLogError("overcounted num words");
    return n + 1;
}

void RevisionWindowController::updateCount() {
    numWords->setText(loc("%1 words").arg(countNumWords()));
}

WordPtr RevisionWindowController::getCurrentWord() const {
    if (!vocabList_ || curIndex_ < 0 || curIndex_ >= vocabList_->count()) return nullptr;
    return vocabList_->objectAtIndex(quint64(curIndex_));
}

void RevisionWindowController::insertWord(const WordPtr& w) {
    translation->clear();
    shownID_ = w ? w->uniqueID() : QString();
    if (!w) {
        isMarked->setChecked(false);
        testWord->clear();
        return;
    }
    isMarked->setChecked(w->marked());
    switch (testLanguage->checkedId()) {
    case 0: testWord->setText(w->latin()); break;
    case 1: testWord->setText(w->meaning()); break;
    default: TSLogError("bad case at insertWord"); break;
    }
}

void RevisionWindowController::showAnswer() {
    WordPtr w = getCurrentWord();
    QString text;
    switch (testLanguage->checkedId()) {
    case 0: text = w ? w->getFullEnglishString() : QString(); break;
    case 1: text = w ? w->getFullLatinString() : QString(); break;
    default: TSLogError("bad case at showAnswer"); break;
    }
    translation->setText(text);
    if (automarkWords() && w) setStateOfCurrentWord(true);
}

bool RevisionWindowController::answerShown() const {
    return !translation->text().isEmpty();
}

void RevisionWindowController::setStateOfCurrentWord(bool marked) {
    isMarked->setChecked(marked);
    if (WordPtr w = getCurrentWord()) {
        w->setMarked(marked);
        if (vocabList_) vocabList_->setDirtyFlag();
    }
    updateCount();
}

void RevisionWindowController::gotoNextWord(bool fromButton) {
    qint64 index = -1;
    WordPtr w = getNextWord(curIndex_, &index);
    if (!w) return;
    if (fromButton && automarkWords() && !answerShown() && getCurrentWord()) setStateOfCurrentWord(false);
    curIndex_ = index;
    insertWord(w);
}

void RevisionWindowController::gotoPrevWord(bool fromButton) {
    qint64 index = -1;
    WordPtr w = getPrevWord(curIndex_, &index);
    if (!w) return;
    if (fromButton && automarkWords() && !answerShown() && getCurrentWord()) setStateOfCurrentWord(false);
    curIndex_ = index;
    insertWord(w);
}

void RevisionWindowController::changePopupSettings() {
    updateCount();
    gotoPrevWord(true);
}

void RevisionWindowController::setupSourceList() {
    while (sourcesToShow->count() > 2) sourcesToShow->removeItem(2);
    sourcesToShow->addItems(getSourceNames());
}

QStringList RevisionWindowController::getSourceNames() const {
    QStringList names;
    if (!vocabList_) return names;
    for (qint64 i = 0; i < vocabList_->count(); ++i)
        if (WordPtr w = vocabList_->objectAtIndex(quint64(i)); w && !w->source().isEmpty() && !names.contains(w->source()))
            names << w->source();
    QCollator c;
    c.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return c.compare(a, b) < 0; });
    return names;
}

#include "tools/gui/TSWordFormWindowController.h"

#include "foundation/StringExtensions.h"
#include "foundation/gui/DisableSubviews.h"
#include "morphology/TSWordFormDictionary.h"
#include "platform/Prompter.h"
#include "platform/gui/PanelEscape.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString loc(const char* key) { return ts::Prompter::localized(QString::fromUtf8(key)); }

const char kTypeLetters[] = "nvadcrpem";
const char kTenseLetters[] = "pfirtl";
const char kMoodLetters[] = "ismndgu";
const char kCaseLetters[] = "nvagdb";

QRadioButton* radio(const char* title, QWidget* parent, QButtonGroup* group) {
    auto* b = new QRadioButton(loc(title), parent);
    group->addButton(b);
    return b;
}

}  // namespace

TSWordFormWindowController::TSWordFormWindowController() {
    setObjectName(QStringLiteral("TSWordFormWindowController"));
    setWindowTitle(loc("Add Word Form"));
    // Escape leaves the form as its Cancel would: nothing is added.
    ts::closeOnEscape(this);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* top = new QFormLayout;
    wordFormLabel = new QLineEdit(central);
    typePopup = new QComboBox(central);
    typePopup->addItems({QString(), loc("noun"), loc("verb"), loc("adjective"), loc("adverb"), loc("conjunction"),
                         loc("preposition"), loc("pronoun"), loc("exclamation"), loc("numeral")});
    wordRootField = new QLineEdit(central);
    wordRootField->setPlaceholderText(loc("the dictionary form, e.g. amo"));
    top->addRow(loc("Word form:"), wordFormLabel);
    top->addRow(loc("Part of speech:"), typePopup);
    top->addRow(loc("Root:"), wordRootField);
    layout->addLayout(top);

    auto* boxes = new QHBoxLayout;
    verbBox = new QGroupBox(loc("Verb"), central);
    auto* verbGrid = new QGridLayout(verbBox);
    auto* persons = new QButtonGroup(this);
    firstSing = radio("1st sing.", verbBox, persons);
    secondSing = radio("2nd sing.", verbBox, persons);
    thirdSing = radio("3rd sing.", verbBox, persons);
    firstPlural = radio("1st pl.", verbBox, persons);
    secondPlural = radio("2nd pl.", verbBox, persons);
    thirdPlural = radio("3rd pl.", verbBox, persons);
    verbGrid->addWidget(firstSing, 0, 0);
    verbGrid->addWidget(secondSing, 1, 0);
    verbGrid->addWidget(thirdSing, 2, 0);
    verbGrid->addWidget(firstPlural, 0, 1);
    verbGrid->addWidget(secondPlural, 1, 1);
    verbGrid->addWidget(thirdPlural, 2, 1);
    tensePopup = new QComboBox(verbBox);
    tensePopup->addItems({QString(), loc("present"), loc("future"), loc("imperfect"), loc("perfect"),
                          loc("future perfect"), loc("pluperfect")});
    moodPopup = new QComboBox(verbBox);
    moodPopup->addItems({QString(), loc("indicative"), loc("subjunctive"), loc("imperative"), loc("infinitive"),
                         loc("gerund"), loc("gerundive"), loc("supine"), loc("participle")});
    auto* voices = new QButtonGroup(this);
    activeButton = radio("active", verbBox, voices);
    passiveButton = radio("passive", verbBox, voices);
    verbGrid->addWidget(new QLabel(loc("Tense:"), verbBox), 3, 0);
    verbGrid->addWidget(tensePopup, 3, 1);
    verbGrid->addWidget(new QLabel(loc("Mood:"), verbBox), 4, 0);
    verbGrid->addWidget(moodPopup, 4, 1);
    verbGrid->addWidget(activeButton, 5, 0);
    verbGrid->addWidget(passiveButton, 5, 1);
    boxes->addWidget(verbBox);

    nounBox = new QGroupBox(loc("Noun, adjective, pronoun, participle"), central);
    auto* nounGrid = new QGridLayout(nounBox);
    auto* numbers = new QButtonGroup(this);
    singularNounButton = radio("singular", nounBox, numbers);
    pluralNounButton = radio("plural", nounBox, numbers);
    auto* genders = new QButtonGroup(this);
    maleButton = radio("masculine", nounBox, genders);
    femaleButton = radio("feminine", nounBox, genders);
    neuterButton = radio("neuter", nounBox, genders);
    casePopup = new QComboBox(nounBox);
    casePopup->addItems({QString(), loc("nominative"), loc("vocative"), loc("accusative"), loc("genitive"),
                         loc("dative"), loc("ablative")});
    nounGrid->addWidget(singularNounButton, 0, 0);
    nounGrid->addWidget(pluralNounButton, 0, 1);
    nounGrid->addWidget(maleButton, 1, 0);
    nounGrid->addWidget(femaleButton, 1, 1);
    nounGrid->addWidget(neuterButton, 2, 0);
    nounGrid->addWidget(new QLabel(loc("Case:"), nounBox), 3, 0);
    nounGrid->addWidget(casePopup, 3, 1);
    nounGrid->setRowStretch(4, 1);
    boxes->addWidget(nounBox);
    layout->addLayout(boxes);

    outputLabelField = new QLabel(central);
    outputLabelField->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono = outputLabelField->font();
    mono.setFamily(QStringLiteral("monospace"));
    outputLabelField->setFont(mono);
    outputLabelField->setMinimumHeight(outputLabelField->fontMetrics().height() + 8);
    layout->addWidget(outputLabelField);
    auto* buttons = new QHBoxLayout;
    auto* cancel = new QPushButton(loc("Close"), central);
    addButton = new QPushButton(loc("Add"), central);
    addButton->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(addButton);
    layout->addLayout(buttons);
    setCentralWidget(central);
    resize(560, 380);

    connect(typePopup, qOverload<int>(&QComboBox::activated), this, [this] { updateType(); updateOutputLabel(); });
    connect(moodPopup, qOverload<int>(&QComboBox::activated), this, [this] { updateType(); updateOutputLabel(); });
    for (QComboBox* c : {tensePopup, casePopup})
        connect(c, qOverload<int>(&QComboBox::activated), this, [this] { updateOutputLabel(); });
    for (QButtonGroup* g : {persons, voices, numbers, genders})
        connect(g, &QButtonGroup::buttonClicked, this, [this] { updateOutputLabel(); });
    connect(wordRootField, &QLineEdit::textChanged, this, [this] { updateOutputLabel(); });
    connect(wordFormLabel, &QLineEdit::editingFinished, this, [this] {
        if (wordFormLabel->text() != wordForm_) setWordForm(wordFormLabel->text());
    });
    connect(addButton, &QPushButton::clicked, this, [this] { addWordForm(); });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    insertWordForm();
}

void TSWordFormWindowController::setWordForm(const QString& form) {
    wordForm_ = form;
    insertWordForm();
}

void TSWordFormWindowController::insertWordForm() {
    if (!wordFormLabel) return;
    wordFormLabel->setText(wordForm_);
    typePopup->setCurrentIndex(0);
    wordRootField->clear();
    updateType();
    updateOutputLabel();
}

int TSWordFormWindowController::wordType() const { return typePopup->currentIndex(); }

void TSWordFormWindowController::updateType() {
    DisableSubviews::disableSubviews(verbBox, true);
    DisableSubviews::disableSubviews(nounBox, true);
    const int t = wordType();
    if (t == 1 || t == 3 || t == 7) DisableSubviews::disableSubviews(nounBox, false);
    if (t == 2) {
        DisableSubviews::disableSubviews(verbBox, false);
        if (moodPopup->currentIndex() == 8) DisableSubviews::disableSubviews(nounBox, false);
    }
    wordRootField->setEnabled(t == 1 || t == 2 || t == 3 || t == 7);
}

QString TSWordFormWindowController::genderAndCase(bool* complete) const {
    QString s;
    if (maleButton->isChecked()) s += QLatin1Char('m');
    else if (femaleButton->isChecked()) s += QLatin1Char('f');
    else if (neuterButton->isChecked()) s += QLatin1Char('n');
    else {
        s += QLatin1Char('-');
        *complete = false;
    }
    const int c = casePopup->currentIndex();
    if (c >= 1 && c <= 6) s += QLatin1Char(kCaseLetters[c - 1]) + QStringLiteral("-");
    else {
        s += QStringLiteral("--");
        *complete = false;
    }
    return s;
}

QString TSWordFormWindowController::nounStartString(bool* complete) const {
    QString s = QStringLiteral("-");
    if (singularNounButton->isChecked()) s += QStringLiteral("s---");
    else if (pluralNounButton->isChecked()) s += QStringLiteral("p---");
    else {
        s += QStringLiteral("----");
        *complete = false;
    }
    return s + genderAndCase(complete);
}

QString TSWordFormWindowController::participleString(bool* complete) const {
    QString s = QStringLiteral("v-");
    if (singularNounButton->isChecked()) s += QLatin1Char('s');
    else if (pluralNounButton->isChecked()) s += QLatin1Char('p');
    else {
        s += QLatin1Char('-');
        *complete = false;
    }
    const int t = tensePopup->currentIndex();
    if (t >= 1 && t <= 6) s += QLatin1Char(kTenseLetters[t - 1]);
    else {
        s += QLatin1Char('-');
        *complete = false;
    }
    s += QLatin1Char('p');
    if (!*complete) return s;
    if (activeButton->isChecked()) s += QLatin1Char('a');
    else if (passiveButton->isChecked()) s += QLatin1Char('p');
    else {
        *complete = false;
        return s;
    }
    return s + genderAndCase(complete);
}

QString TSWordFormWindowController::verbTypeString(bool* complete) const {
    if (moodPopup->currentIndex() == 8) return participleString(complete);
    QString s = QStringLiteral("v");
    if (moodPopup->currentIndex() == 4) {
        s += QStringLiteral("--");
    } else {
        const std::pair<QRadioButton*, const char*> persons[] = {{firstSing, "1s"},   {secondSing, "2s"},
                                                                  {thirdSing, "3s"},   {firstPlural, "1p"},
                                                                  {secondPlural, "2p"}, {thirdPlural, "3p"}};
        QString person;
        for (const auto& [button, code] : persons)
            if (button->isChecked()) {
                person = QString::fromLatin1(code);
                break;
            }
        if (person.isEmpty()) {
            *complete = false;
            return s;
        }
        s += person;
    }
    const int t = tensePopup->currentIndex();
    if (t < 1 || t > 6) {
        *complete = false;
        return s;
    }
    s += QLatin1Char(kTenseLetters[t - 1]);
    const int m = moodPopup->currentIndex();
    if (m < 1 || m > 7) {
        *complete = false;
        return s;
    }
    s += QLatin1Char(kMoodLetters[m - 1]);
    if (activeButton->isChecked()) s += QStringLiteral("a---");
    else if (passiveButton->isChecked()) s += QStringLiteral("p---");
    else *complete = false;
    return s;
}

QString TSWordFormWindowController::wordTypeString(bool* complete) const {
    const int t = wordType();
    switch (t) {
    case 1: case 3: case 7: return QLatin1Char(kTypeLetters[t - 1]) + nounStartString(complete);
    case 2: return verbTypeString(complete);
    case 4: case 5: case 6: case 8: case 9: return QLatin1Char(kTypeLetters[t - 1]) + QStringLiteral("--------");
    default: return QStringLiteral("BAD WORD TYPE");
    }
}

QString TSWordFormWindowController::baseString(int t, bool* complete) const {
    switch (t) {
    case 1: case 2: case 3: case 7:
        *complete = !wordRootField->text().isEmpty();
        return wordRootField->text();
    case 4: case 5: case 6: case 8: case 9: return StringExtensions::stripDiacritics(wordForm_);
    default: return QStringLiteral("BAD WORD TYPE");
    }
}

QString TSWordFormWindowController::makeMacronString(const QString& form) {
    static const QString longs = QStringLiteral("āēīōūȳĀĒĪŌŪȲ");
    static const QString plain = QStringLiteral("aeiouyAEIOUY");
    QString out;
    out.reserve(form.size() + 4);
    for (QChar c : form) {
        const qsizetype i = longs.indexOf(c);
        if (i < 0) out += c;
        else out += plain[i] + QStringLiteral("_");
    }
    return out;
}

void TSWordFormWindowController::updateOutputLabel() {
    bool complete = false;
    QString line;
    if (wordType() >= 1) {
        complete = true;
        line = StringExtensions::stripDiacritics(wordForm_) + QLatin1Char('\t') + wordTypeString(&complete);
        if (complete) {
            line += QLatin1Char('\t') + baseString(wordType(), &complete);
            if (complete) line += QLatin1Char('\t') + makeMacronString(wordForm_);
        }
    }
    line_ = line;
    // Tabs shown as wide gaps; the line itself keeps them.
    outputLabelField->setText(QString(line).replace(QLatin1Char('\t'), QStringLiteral("    ")));
    addButton->setEnabled(complete);
}

QString TSWordFormWindowController::outputLine() const { return line_; }

bool TSWordFormWindowController::addWordForm() {
    if (!addButton->isEnabled()) return false;
    if (!TSWordFormDictionary::addWordFormToSharedDictionary(line_)) return false;
    return TSWordFormDictionary::saveDictionary();
}

#include "tools/gui/ParadigmWindows.h"

#include "app/logging/LGLog.h"
#include "dictionaries/DictionaryEntry.h"
#include "morphology/Adjective.h"
#include "morphology/Word.h"
#include "platform/gui/PanelEscape.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString tr8(const char* key) { return DictionaryEntry::localized(QString::fromUtf8(key)); }

const char* const kCaseNames[] = {"Nom", "Voc", "Acc", "Gen", "Dat", "Abl"};
const char* const kAdjectiveRows[] = {"Nom", "Voc", "Acc", "Gen", "Dat", "Abl", "",
                                      "Nom Pl", "Voc Pl", "Acc Pl", "Gen Pl", "Dat Pl", "Abl Pl"};
const char* const kPersons[] = {"1st", "2nd", "3rd"};
const char* const kFormNames[] = {"Fut Act Inf", "Perf Act Inf", "Pres Pass Infin", "Fut Pass Infin",
                                  "Perf Pass Infin", "Pres Participle", "Fut Participle", "Perf Participle",
                                  "Gerund", "Gerundive", "Imperative", "Pass Imperative"};

QPointer<DeclensionsController> gDeclensions;
QPointer<ConjugationWindowController> gConjugation;
QPointer<AdjectiveWindowController> gAdjective;

// A column of radio buttons whose ids are the tags.
QButtonGroup* radioColumn(QWidget* owner, QVBoxLayout* into, const QString& title,
                          const std::vector<std::pair<QString, int>>& cells) {
    auto* box = new QGroupBox(title, owner);
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(owner);
    for (const auto& [label, tag] : cells) {
        auto* b = new QRadioButton(label, box);
        group->addButton(b, tag);
        layout->addWidget(b);
    }
    group->buttons().first()->setChecked(true);
    into->addWidget(box);
    return group;
}

}  // namespace

// ---- The table model ----

ParadigmTableModel::ParadigmTableModel(QStringList columns, QStringList titles, RowCount rows, Cell cell, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)), titles_(std::move(titles)), rows_(std::move(rows)),
      cell_(std::move(cell)) {}

int ParadigmTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_(); }
int ParadigmTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

QVariant ParadigmTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return cell_(index.row(), columns_.value(index.column()));
}

QVariant ParadigmTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return titles_.value(section);
}

void ParadigmTableModel::reload() {
    beginResetModel();
    endResetModel();
}

// ---- Shared parts ----

// A table to look at, closed with Escape like the other reference windows.
ParadigmWindowBase::ParadigmWindowBase(QWidget* parent) : QMainWindow(parent) { ts::closeOnEscape(this); }

qint64 ParadigmWindowBase::getWordType() const { return word_ ? word_->getWordType() : 1; }

int ParadigmWindowBase::getNumRows() const {
    switch (getWordType()) {
    case 1: case 3: case 7: return 6;
    case 2: return 3;
    default:
        TSLogError("bad case constant at getNumRows");
        return 0;
    }
}

QString ParadigmWindowBase::getCaseName(int row) const {
    const qint64 t = getWordType();
    if (t == 1 || t == 3 || t == 7) {
        if (row < 1 || row > 6) {
            TSLogError("bad noun case constant at getCaseName");
            return {};
        }
        return QString::fromLatin1(kCaseNames[row - 1]);
    }
    if (t == 2) {
        if (row < 1 || row > 3) {
            TSLogError("bad verb case constant at getCaseName");
            return {};
        }
        return QString::fromLatin1(kPersons[row - 1]);
    }
    TSLogError("bad word type at getCaseName");
    return {};
}

void ParadigmWindowBase::setWord(std::shared_ptr<Word> word) { word_ = std::move(word); }

QTableView* ParadigmWindowBase::makeTable(ParadigmTableModel* model) {
    auto* table = new QTableView(this);
    table->setModel(model);
    table->verticalHeader()->hide();
    table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setAlternatingRowColors(true);
    QFont f = table->font();
    f.setPointSizeF(f.pointSizeF() * 1.15);
    table->setFont(f);
    return table;
}

// ---- Declensions ----

DeclensionsController* DeclensionsController::getDeclensionsController() {
    if (!gDeclensions) gDeclensions = new DeclensionsController;
    Q_ASSERT_X(gDeclensions, "getDeclensionsController", "unable to make Vocabulary  window controller");
    return gDeclensions;
}

DeclensionsController::DeclensionsController() {
    setObjectName(QStringLiteral("Declensions"));
    setWindowTitle(tr8("Declension"));
    setAttribute(Qt::WA_DeleteOnClose);
    model_ = new ParadigmTableModel(
        {QStringLiteral("Case"), QStringLiteral("Singular"), QStringLiteral("Plural")},
        {tr8("Case"), tr8("Singular"), tr8("Plural")}, [this] { return word_ ? getNumRows() : 0; },
        [this](int r, const QString& c) -> QString {
            if (c == QLatin1String("Case")) return getCaseName(r + 1);
            return word_->getDeclinedValue(r + 1, c == QLatin1String("Singular"), WordCode::AnyGender, false);
        },
        this);
    theCases = makeTable(model_);
    setCentralWidget(theCases);
    resize(460, 300);
}

void DeclensionsController::setWord(std::shared_ptr<Word> word) {
    ParadigmWindowBase::setWord(std::move(word));
    model_->reload();
    setWindowTitle(word_ ? word_->latin() : tr8("Declension"));
}

// ---- Conjugation ----

ConjugationWindowController* ConjugationWindowController::getConjugationWindowController() {
    if (!gConjugation) gConjugation = new ConjugationWindowController;
    Q_ASSERT_X(gConjugation, "getConjugationWindowController", "unable to make Vocabulary  window controller");
    return gConjugation;
}

ConjugationWindowController::ConjugationWindowController() {
    setObjectName(QStringLiteral("Conjugations"));
    setWindowTitle(tr8("Conjugation"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    auto* choices = new QVBoxLayout;
    // Rows 1 and 4 of the tenses have no subjunctive; the mood change
    // counts on that order.
    tense = radioColumn(central, choices, tr8("Tense"),
                        {{tr8("Present"), 1}, {tr8("Future"), 2}, {tr8("Imperfect"), 3},
                         {tr8("Perfect"), 4}, {tr8("Future Perfect"), 5}, {tr8("Pluperfect"), 6}});
    actPass = radioColumn(central, choices, tr8("Voice"), {{tr8("Active"), 1}, {tr8("Passive"), 0}});
    indicSubj = radioColumn(central, choices, tr8("Mood"), {{tr8("Indicative"), 1}, {tr8("Subjunctive"), 0}});
    choices->addStretch(1);
    row->addLayout(choices);

    formsModel_ = new ParadigmTableModel(
        {QStringLiteral("Pers"), QStringLiteral("Singular"), QStringLiteral("Plural")},
        {tr8("Person"), tr8("Singular"), tr8("Plural")}, [this] { return word_ ? getNumRows() : 0; },
        [this](int r, const QString& c) -> QString {
            if (c == QLatin1String("Pers")) return getCaseName(r + 1);
            return word_->getConjugatedValue(r + 1, c == QLatin1String("Singular"), moodTag() == 1, voiceTag() == 1,
                                             tenseTag(), false);
        },
        this);
    extraModel_ = new ParadigmTableModel(
        {QStringLiteral("Header"), QStringLiteral("Form")}, {tr8("Form"), QString()}, [this] { return word_ ? 12 : 0; },
        [this](int r, const QString& c) -> QString {
            if (c == QLatin1String("Header")) return getFormName(r);
            return word_->getVerbPart(r);
        },
        this);
    auto* tables = new QVBoxLayout;
    verbForms = makeTable(formsModel_);
    extraForms = makeTable(extraModel_);
    extraForms->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // Three persons need no more room than three rows.
    verbForms->setFixedHeight(verbForms->horizontalHeader()->sizeHint().height() +
                              3 * verbForms->verticalHeader()->defaultSectionSize() + 2 * verbForms->frameWidth() + 2);
    tables->addWidget(verbForms);
    tables->addWidget(extraForms, 1);
    row->addLayout(tables, 1);
    setCentralWidget(central);
    resize(640, 560);

    connect(tense, &QButtonGroup::idClicked, this, [this] { changeTense(); });
    connect(actPass, &QButtonGroup::idClicked, this, [this] { formsModel_->reload(); });
    connect(indicSubj, &QButtonGroup::idClicked, this, [this] { changeMood(); });
}

int ConjugationWindowController::tenseTag() const { return tense->checkedId(); }
int ConjugationWindowController::moodTag() const { return indicSubj->checkedId(); }
int ConjugationWindowController::voiceTag() const { return actPass->checkedId(); }

QString ConjugationWindowController::getCaseName(int row) const {
    return tr8(ParadigmWindowBase::getCaseName(row).toUtf8().constData());
}

QString ConjugationWindowController::getFormName(int row) {
    if (row < 0 || row >= 12) return {};
    return tr8(kFormNames[row]);
}

void ConjugationWindowController::setWord(std::shared_ptr<Word> word) {
    ParadigmWindowBase::setWord(std::move(word));
    setupRadioButtons();
    formsModel_->reload();
    extraModel_->reload();
    setWindowTitle(word_ ? word_->latin() : tr8("Conjugation"));
}

void ConjugationWindowController::setupRadioButtons() {
    if (!word_) return;
    const qint64 verbType = word_->getVerbType();
    const bool fixed = verbType == 1 || (verbType == 2 && tenseTag() >= 4);
    if (fixed) actPass->buttons().first()->setChecked(true);
    for (QAbstractButton* b : actPass->buttons()) b->setEnabled(!fixed);
}

void ConjugationWindowController::changeTense() {
    setupRadioButtons();
    formsModel_->reload();
}

void ConjugationWindowController::changeMood() {
    const QList<QAbstractButton*> cells = tense->buttons();
    for (int i = 0; i < cells.size(); ++i) cells[i]->setEnabled(!(i == 1 || i == 4) || moodTag() != 0);
    // The subjunctive has no future or future perfect: rather than forms of a
    // tense that does not exist, the present is shown.
    if (QAbstractButton* chosen = tense->checkedButton(); chosen && !chosen->isEnabled()) tense->button(1)->setChecked(true);
    changeTense();
}

// ---- Adjectives ----

AdjectiveWindowController* AdjectiveWindowController::getAdjectiveWindowController() {
    if (!gAdjective) gAdjective = new AdjectiveWindowController;
    Q_ASSERT_X(gAdjective, "getAdjectiveWindowController", "unable to make Vocabulary  window controller");
    return gAdjective;
}

AdjectiveWindowController::AdjectiveWindowController() {
    setObjectName(QStringLiteral("AdjectiveWindowController"));
    setWindowTitle(tr8("Adjective"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    auto* choices = new QVBoxLayout;
    comparisonChoice = radioColumn(central, choices, tr8("Degree"),
                                   {{tr8("Positive"), 0}, {tr8("Comparative"), 1}, {tr8("Superlative"), 2}});
    choices->addStretch(1);
    row->addLayout(choices);
    model_ = new ParadigmTableModel(
        {QStringLiteral("Case"), QStringLiteral("Masculine"), QStringLiteral("Feminine"), QStringLiteral("Neuter")},
        {tr8("Case"), tr8("Masculine"), tr8("Feminine"), tr8("Neuter")}, [this] { return word_ ? getNumRows() : 0; },
        [this](int r, const QString& c) -> QString {
            if (r == 6) return {};
            if (c == QLatin1String("Case")) return getCaseName(r + 1);
            auto adjective = std::dynamic_pointer_cast<Adjective>(word_);
            if (!adjective) return {};
            const qint64 gender = c == QLatin1String("Masculine") ? 1 : c == QLatin1String("Feminine") ? 2 : 3;
            const bool singular = r < 6;
            return adjective->getDeclinedValue(singular ? r + 1 : r - 6, singular, gender, getComparison(), false);
        },
        this);
    theCases = makeTable(model_);
    row->addWidget(theCases, 1);
    setCentralWidget(central);
    resize(640, 460);
    connect(comparisonChoice, &QButtonGroup::idClicked, this, [this] { changeComparison(); });
}

int AdjectiveWindowController::getNumRows() const {
    const qint64 t = getWordType();
    if (t == 3 || t == 7) return 13;
    TSLogError("bad case constant at getNumRows");
    return 0;
}

QString AdjectiveWindowController::getCaseName(int row) const {
    const qint64 t = getWordType();
    if (t != 1 && t != 3 && t != 7) {
        TSLogError("bad word type at getCaseName");
        return {};
    }
    if (row < 1 || row > 13) {
        TSLogError("bad noun case constant at getCaseName");
        return {};
    }
    return QString::fromLatin1(kAdjectiveRows[row - 1]);
}

int AdjectiveWindowController::getComparison() const { return comparisonChoice->checkedId(); }

void AdjectiveWindowController::changeComparison() { model_->reload(); }

void AdjectiveWindowController::setWord(std::shared_ptr<Word> word) {
    ParadigmWindowBase::setWord(std::move(word));
    model_->reload();
    setWindowTitle(word_ ? word_->latin() : tr8("Adjective"));
}

// ---- Opening ----

void ConjugationWindowController::openConjugationWindow(const std::shared_ptr<Word>& word, QObject*) {
    if (!word) return;
    ParadigmWindowBase* window = nullptr;
    switch (word->getWordType()) {
    case 1:
        window = DeclensionsController::getDeclensionsController();
        if (!window) TSLogError("nil declensions window");
        break;
    case 2:
        window = getConjugationWindowController();
        if (!window) TSLogError("nil conjugation window");
        break;
    case 3:
        window = AdjectiveWindowController::getAdjectiveWindowController();
        if (!window) TSLogError("nil conjugation window");
        break;
    default:
        return;
    }
    if (!window) return;
    window->setWord(word);
    window->show();
    window->raise();
    window->activateWindow();
}

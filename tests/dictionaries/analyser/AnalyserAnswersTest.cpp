// Answers of the real analyser whose shapes once confused the parser: forms
// shared between dictionary lines or written below one, tackons, analyses
// without a dictionary line, notices. Each answer was captured from the
// program after the controller's set-up script.

#include "dictionaries/DictionaryControllerParser.h"
#include "platform/AttributedString.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>

using P = DictionaryControllerParser;

namespace {

QString fixture(const QString& name) {
    QFile f(QStringLiteral(TS_ANALYSER_FIXTURES "/%1.txt").arg(name));
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromLatin1(f.readAll());
}

DictionaryEntryList parse(const char* name) {
    const QString answer = fixture(QString::fromLatin1(name));
    EXPECT_FALSE(answer.isEmpty()) << name;
    return P::parseEnglishVocab(answer);
}

QStringList texts(const DictionaryEntryList& list) {
    QStringList out;
    for (const auto& e : list) out << e->entry();
    return out;
}

DictionaryEntryList childrenOfType(const DictionaryEntryPtr& e, int type) {
    DictionaryEntryList out;
    for (const auto& c : e->childList())
        if (c->type() == type) out.push_back(c);
    return out;
}

bool isWordEntry(const DictionaryEntryPtr& e) { return e->type() >= 0 && e->type() <= DictionaryEntry::Packon; }

// Every word entry under the roots with this headword.
DictionaryEntryList entries(const DictionaryEntryList& roots, const QString& headword) {
    DictionaryEntryList out;
    for (const auto& root : roots)
        for (const auto& c : root->childList())
            if (isWordEntry(c) && c->entry() == headword) out.push_back(c);
    return out;
}

QString summary(const DictionaryEntryPtr& e) {
    const auto data = childrenOfType(e, DictionaryEntry::WordData);
    return data.empty() ? QString() : data.front()->entry();
}

QStringList meanings(const DictionaryEntryPtr& e) { return texts(childrenOfType(e, DictionaryEntry::Meaning)); }

// The meanings of the enclitic entry of an analysed form.
QStringList encliticMeanings(const DictionaryEntryPtr& root) {
    const auto enclitics = childrenOfType(root, DictionaryEntry::Enclitic);
    return enclitics.empty() ? QStringList() : meanings(enclitics.front());
}

DictionaryEntryPtr rootNamed(const DictionaryEntryList& roots, const QString& text) {
    for (const auto& r : roots)
        if (r->entry() == text) return r;
    return nullptr;
}

struct SummaryCase {
    const char* fixture;
    const char* headword;
    const char* summary;
};

void expectSummaries(const SummaryCase* rows, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        const SummaryCase& row = rows[k];
        const auto found = entries(parse(row.fixture), QString::fromLatin1(row.headword));
        ASSERT_FALSE(found.empty()) << row.fixture << " " << row.headword;
        for (const auto& e : found)
            EXPECT_EQ(summary(e), QString::fromLatin1(row.summary)) << row.fixture << " " << row.headword;
    }
}

}  // namespace

TEST(AnalyserAnswers, NounSummariesGatherOnlyTheirOwnForms) {
    // The forms above a dictionary line end at the meaning or dictionary
    // line of the word before.
    const SummaryCase rows[] = {
        {"rosa-lupum", "lupus lupi", "acc, gen pl"},
        {"rosa-lupum", "lupa lupae", "gen pl"},
        {"rosa-lupum", "rosa rosae", "nom, voc, abl"},
        {"nota", "nota notae", "nom, voc, abl"},
        {"nota", "notum noti", "nom pl, voc pl, acc pl"},
        {"muris", "mus muris", "gen, nom pl, acc pl"},
        {"muris", "murus muri", "loc pl, dat pl, abl pl"},
        {"vicini", "vicinus vicini", "gen, loc, nom pl, voc pl"},
        {"vicini", "vicinum vicini", "gen, loc"},
        {"generis", "genus generis", "gen"},
        {"generis", "gener generi", "loc pl, dat pl, abl pl"},
        {"mari", "Marius Mari", "voc, gen"},
        {"mari", "mare maris", "loc, dat, abl"},
        {"alba", "album albi", "nom pl, voc pl, acc pl"},
        {"alba", "alba albae", "nom, voc, abl"},
        {"pruna", "prunum pruni", "nom pl, voc pl, acc pl"},
        {"pecusve", "pecus pecoris", "nom, voc, acc"},
        {"pecusve", "pecus pecudis", "nom, voc"},
        {"pecusve", "pecu pecus", "gen"},
        {"arvave", "arvum arvi", "nom pl, voc pl, acc pl"},
        {"arvave", "arva arvae", "nom, voc, abl"},
    };
    expectSummaries(rows, std::size(rows));
}

TEST(AnalyserAnswers, SharedAndTrailingFormsAndTheVoiceOfTheOwnLine) {
    const SummaryCase rows[] = {
        // A second dictionary line after the first one's meanings shares its forms.
        {"sumere", "sumo sumere sumsi sumtus", "2s fut ind pass, imp s pass, 2s pres ind pass, pres inf act"},
        {"sumere", "sumo sumere sumpsi sumptus", "2s fut ind pass, imp s pass, 2s pres ind pass, pres inf act"},
        {"mixtis", "mingo mingere mixi mictus", "2pl perf ind act"},
        {"incidere", "incido incidere incidi incisus",
         "3pl perf ind act, 2s fut ind pass, imp s pass, 2s pres ind pass, pres inf act"},
        // Deponent from its own line only; the neighbour's does not carry over.
        {"laetentur", "laetor laetari laetatus sum", "3pl pres sub dep"},
        {"laetentur", "laeto laetare laetavi laetatus", "3pl pres sub pass"},
        // A meaning line holding "[" above shared forms.
        {"puniceo", "puniceus punicea puniceum", "dat m, dat n, abl m, abl n"},
        {"puniceo", "Puniceus Punicea Puniceum", "dat m, dat n, abl m, abl n"},
        // The perfect below attigo belongs to attingo alone.
        {"attigit", "attingo attingere attigi attactus", "3s perf ind act"},
        {"attigit", "attigo attigere attigi attactus", "3s perf ind act, 3s pres ind act"},
        // The supine the analyser writes below the dictionary line.
        {"relictum", "relinquo relinquere reliqui relictus", "supine,  perf pass ppl"},
    };
    expectSummaries(rows, std::size(rows));
}

TEST(AnalyserAnswers, EncliticMeaningBelongsToTheWordItJoins) {
    const QString que = QStringLiteral("-que = and (enclitic, translated before attached word)");
    const auto roots = parse("namque-virumque");
    EXPECT_EQ(texts(roots), (QStringList{QStringLiteral("namque"), QStringLiteral("nam"), QStringLiteral("virum")}));
    // On the analysed word, not on the word entries before or after it.
    for (const auto& root : roots) {
        for (const auto& word : childrenOfType(root, DictionaryEntry::Conjunction))
            EXPECT_FALSE(meanings(word).contains(que)) << word->entry().toStdString();
        for (const auto& word : childrenOfType(root, DictionaryEntry::Noun))
            EXPECT_FALSE(meanings(word).contains(que)) << word->entry().toStdString();
    }
    const auto nam = rootNamed(roots, QStringLiteral("nam"));
    const auto virum = rootNamed(roots, QStringLiteral("virum"));
    const auto namque = rootNamed(roots, QStringLiteral("namque"));
    ASSERT_TRUE(nam && virum && namque);
    EXPECT_TRUE(encliticMeanings(nam).contains(que));
    EXPECT_TRUE(encliticMeanings(virum).contains(que));
    EXPECT_TRUE(meanings(nam).isEmpty()) << "the enclitic is an entry of its own";
    EXPECT_TRUE(encliticMeanings(namque).isEmpty());
    EXPECT_EQ(meanings(entries(roots, QStringLiteral("nam")).at(0)),
              (QStringList{QStringLiteral("for, on the other hand"), QStringLiteral("for instance")}));

    // The same for -ve, and for -que in front of two nouns of one form.
    const auto pecus = parse("pecusve");
    ASSERT_EQ(pecus.size(), 1u);
    EXPECT_TRUE(encliticMeanings(pecus[0]).contains(QStringLiteral("-ve = or if you will (enclitic)")));
    EXPECT_EQ(meanings(entries(pecus, QStringLiteral("pecus pecudis")).at(0)),
              (QStringList{QStringLiteral("sheep"), QStringLiteral("animal")}));
    const auto populus = parse("populusque");
    ASSERT_EQ(populus.size(), 1u);
    EXPECT_TRUE(encliticMeanings(populus[0]).contains(que));

    // A packon's tackon meaning is the packon's own.
    const auto quidam = parse("quidam");
    ASSERT_EQ(quidam.size(), 1u);
    const auto pack = quidam[0]->childAtIndex(0);
    EXPECT_TRUE(meanings(pack).contains(QStringLiteral("a certain (one)")));
    EXPECT_TRUE(meanings(quidam[0]).isEmpty());
}

TEST(AnalyserAnswers, AnalysesWithoutADictionaryLineAppearOnce) {
    // mecum: the pronoun has no dictionary line; the tackon's meaning goes to it.
    const auto mecum = parse("mecum");
    ASSERT_EQ(mecum.size(), 1u);
    EXPECT_EQ(mecum[0]->entry(), QStringLiteral("me"));
    const auto me = entries(mecum, QStringLiteral("me"));
    ASSERT_EQ(me.size(), 1u);
    EXPECT_EQ(me[0]->type(), DictionaryEntry::Pronoun);
    EXPECT_EQ(summary(me[0]), QStringLiteral("abl c, acc c"));
    EXPECT_EQ(meanings(me[0]), (QStringList{QStringLiteral("I, me (PERS)"), QStringLiteral("myself (REFLEX)")}));
    EXPECT_TRUE(encliticMeanings(mecum[0]).contains(QStringLiteral("TACKON with (enclitic with PRON 5 0)")));
    EXPECT_EQ(childrenOfType(mecum[0], DictionaryEntry::Enclitic).at(0)->entry(), QStringLiteral("-cum"));

    // qui: the singular's meanings repeat the plural's (less one line); the
    // two analyses join: one entry, both forms, each meaning once.
    const auto qui = parse("qui");
    ASSERT_EQ(qui.size(), 1u);
    const auto pronouns = childrenOfType(qui[0], DictionaryEntry::Pronoun);
    ASSERT_EQ(pronouns.size(), 1u);
    EXPECT_EQ(summary(pronouns[0]), QStringLiteral("nom pl m, nom m"));
    const QStringList m = meanings(pronouns[0]);
    EXPECT_EQ(m.size(), 13);
    EXPECT_EQ(m.size(), QSet<QString>(m.begin(), m.end()).size()) << m.join(u'|').toStdString();
    EXPECT_EQ(meanings(entries(qui, QStringLiteral("queo quire quivi(ii) quitus")).at(0)),
              QStringList{QStringLiteral("be able")});

    // nostine: the first of two words and the notice above it.
    const auto nostine = parse("nostine");
    EXPECT_EQ(texts(nostine), (QStringList{QStringLiteral("nos"), QStringLiteral("tine")}));
    ASSERT_EQ(nostine.size(), 2u);
    const auto notices = childrenOfType(nostine[0], DictionaryEntry::WordModification);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0]->entry().startsWith(QStringLiteral("May be 2 words combined (nos+tine)")));
    EXPECT_TRUE(childrenOfType(nostine[1], DictionaryEntry::WordModification).empty());
    const auto nos = entries(nostine, QStringLiteral("nos"));
    ASSERT_EQ(nos.size(), 1u);
    EXPECT_EQ(meanings(nos[0]), QStringList{QStringLiteral("we (pl.), us")});
    EXPECT_EQ(summary(nos[0]), QStringLiteral("nom pl c, voc pl c, acc pl c"));
}

TEST(AnalyserAnswers, SyncopeNoticeIsKept) {
    const auto roots = parse("mixtis");
    const auto syncope = rootNamed(roots, QStringLiteral("mixistis"));
    ASSERT_TRUE(syncope);
    const auto notices = childrenOfType(syncope, DictionaryEntry::WordModification);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0]->entry(), QStringLiteral("Syncopated perfect sometimes drops the 'is' after 's' or 'x'"));
}

TEST(AnalyserAnswers, FormLinesBelongToOneDictionaryLine) {
    // attigo's own forms above it; the perfect below it is attingo's.
    const QStringList lines = P::separateTranslationString(fixture(QStringLiteral("attigit")));
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(P::formLinesOf(lines, 4), (QList<int>{0, 2}));
    EXPECT_EQ(P::formLinesOf(lines, 7), QList<int>{5});
    // relinquo: the participles above and the supine below, before the meanings.
    const QStringList relictum = P::separateTranslationString(fixture(QStringLiteral("relictum")));
    const int verb = int(relictum.indexOf(QRegularExpression(QStringLiteral("relinquo,.*"))));
    ASSERT_GT(verb, 0);
    const QList<int> owned = P::formLinesOf(relictum, verb);
    ASSERT_EQ(owned.size(), 5);
    EXPECT_EQ(P::getNthWord(2, relictum.at(owned.last())), QStringLiteral("SUPINE"));
    EXPECT_EQ(P::lineKind(relictum, owned.last() + 1), P::LineKind::Example);
}

TEST(AnalyserAnswers, EntryTextHelpersAreTheEntryTreesOwn) {
    const std::pair<const char*, const char*> rows[] = {
        {"  am.o  V", "amo"}, {"qu.i PRON 1 0", "qui"}, {"...", ""}, {"", ""}, {"\tm.e\n", "me"}};
    for (const auto& [line, word] : rows) {
        EXPECT_EQ(DictionaryEntry::getFirstWordInLine(QString::fromLatin1(line)), QString::fromLatin1(word)) << line;
        EXPECT_EQ(P::getFirstWordInLine(QString::fromLatin1(line)), QString::fromLatin1(word)) << line;
    }
    EXPECT_EQ(DictionaryEntry::stripDots(QStringLiteral("a.b..c.")), QStringLiteral("abc"));
    EXPECT_EQ(P::stripDots(QStringLiteral("a.b..c.")), QStringLiteral("abc"));
}

TEST(AnalyserAnswers, AnEncliticKeepsEveryAnalysisOfTheWordAndComesAfterThem) {
    // The answers as the analyser gives them after the set-up script: the
    // tackon first, then every analysis of the word it is attached to.
    struct Case { const char* fixture; const char* root; QStringList headwords; };
    const Case cases[] = {
        {"virumque", "virum", {"virus viri", "virum viri", "vir viri", "vis viris"}},
        {"rosamque", "rosam", {"rodo rodere rosi rosus", "rosa rosae"}},
    };
    for (const Case& c : cases) {
        const auto roots = parse(c.fixture);
        const auto root = rootNamed(roots, QString::fromLatin1(c.root));
        ASSERT_TRUE(root) << c.fixture;
        QStringList words;
        int enclitic = -1, lastWord = -1, at = 0;
        for (const auto& child : root->childList()) {
            if (isWordEntry(child)) {
                words << child->entry();
                lastWord = at;
            }
            if (child->type() == DictionaryEntry::Enclitic && child->entry() == QStringLiteral("-que")) enclitic = at;
            ++at;
        }
        for (const QString& h : c.headwords)
            EXPECT_TRUE(words.contains(h)) << c.fixture << ": " << h.toStdString() << " not in " << words.join(QLatin1Char('|')).toStdString();
        EXPECT_GT(enclitic, lastWord) << c.fixture << ": the enclitic follows the word's analyses";
        EXPECT_TRUE(meanings(root).isEmpty()) << c.fixture << ": meanings under the form would hide the analyses";
        EXPECT_EQ(root->getNumChildren(), root->childCount()) << c.fixture << ": every analysis is shown";
    }
}

TEST(AnalyserAnswers, IrregularVerbHeadwordsHaveNoEmptyBrackets) {
    for (const char* name : {"fuit", "tulit"}) {
        const auto roots = parse(name);
        ASSERT_FALSE(roots.empty()) << name;
        for (const auto& root : roots)
            for (const auto& word : root->childList()) {
                if (word->type() != DictionaryEntry::Verb) continue;
                // As the outline shows the headword.
                const auto shown = word->objectForKey(DictionaryEntry::kEntry).toObjectAs<ts::AttributedString>();
                ASSERT_TRUE(shown) << name;
                EXPECT_FALSE(shown->string().contains(QStringLiteral("()"))) << name << ": " << shown->string().toStdString();
                EXPECT_TRUE(shown->string().startsWith(word->entry())) << shown->string().toStdString();
            }
    }
}

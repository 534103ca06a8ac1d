#pragma once
// Every one-word form of a vocabulary word with its 9-character morphology
// tag (positions as TSWordFormData describes them), and the line of the
// word-form source that carries it.
//
// Nouns give their twelve case-and-number forms (both genders for a noun of
// common gender); adjectives every case, number, gender and degree; verbs
// their finite forms (the perfect passive through its participle), the
// present and perfect infinitives, the imperatives, the gerund and the
// participles and gerundive declined in full. Forms of several words (amātus
// sum, magis idōneus) are left out: a source line holds one word.
//
// Pure functions over the word's fields; any thread.

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

class Word;
class Adjective;
class Verb;

struct TaggedForm {
    QString form;  // with its long vowels marked (macron letters)
    std::array<char, 9> tag;
};
using TaggedFormList = std::vector<TaggedForm>;

namespace TaggedForms {

// Tag letters of the case codes 1-6 and of the gender codes 1-3.
char caseLetter(qint64 theCase);
char genderLetter(qint64 gender);
// "---------" with the part of speech at position 0.
std::array<char, 9> tag(char partOfSpeech);

void addNounForms(TaggedFormList& out, const Word& noun);
void addAdjectiveForms(TaggedFormList& out, const Adjective& adjective);
void addVerbForms(TaggedFormList& out, const Verb& verb);
// The forms of a pronoun of the table "Pronouns.txt" among the resources
// (lemma TAB tag TAB form a line; bad lines are logged with their number and
// skipped), by its plain lower-case lemma (ego, tu, hic, quis, qui...);
// false, adding nothing, for a pronoun the table does not hold.
bool addPronounForms(TaggedFormList& out, const QString& lemma);
// Whether the tables hold the word: the pronouns, and the numerals
// (ūnus, duo, trēs, ambō, mīlle with its plural mīlia), which
// addPronounForms declines the same way.
bool hasTableForms(const QString& lemma);

// The look-up key of a form: diacritics removed, lower case, "u" for "v";
// "j" read as "i" unless keepJ.
QString keyOf(const QString& form, bool keepJ);
// The form in the source's ASCII notation: "_" after a long vowel, "+"
// after ë and ï, breves and other marks dropped.
QString asciiForm(const QString& form);
// Appends "key TAB tag TAB lemma TAB form" and a line end, in UTF-8, once
// under the key with "i" and, when the form has a "j", again under the key
// that keeps it. Answers how many lines were written.
int appendSourceLines(QByteArray& out, const TaggedForm& form, const QByteArray& lemma);

}  // namespace TaggedForms

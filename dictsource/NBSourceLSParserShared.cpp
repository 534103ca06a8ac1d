// The Lewis and Short converter's forms of the rules it shares with the
// elementary converter.

#include "dictsource/LatinSourceRules.h"
#include "dictsource/NBSourceLSParser.h"

bool NBSourceLSParser::isVerb(const QString& text, bool* ignoreString) {
    if (ignoreString) *ignoreString = false;
    return latinsource::isVerb(*this, text, incomplete());
}

int NBSourceLSParser::conjugationForEreVerb() const {
    return latinsource::conjugationForEreVerb(curEntry() ? curEntry()->entry() : QString());
}

int NBSourceLSParser::conjugationForIreVerb() const {
    return latinsource::conjugationForIreVerb(curEntry() ? curEntry()->entry() : QString());
}

const QSet<QString>& NBSourceLSParser::ignorePosSet() { return latinsource::ignorePosSet(); }

const QSet<QString>& NBSourceLSParser::recalcitrantSet() {
    static const QSet<QString> set;
    return set;
}

DictionaryEntryPtr NBSourceLSParser::addRedirect(const QString& text) { return latinsource::addRedirect(*this, text); }

void NBSourceLSParser::makeThirdConjEndings(const QString& infinitive, const QString& perfect, const QString& supine) {
    latinsource::makeThirdConjEndings(*this, infinitive, perfect, supine);
}

void NBSourceLSParser::deleteFromLastString(const QString& target, const QString& replacement) {
    if (QString* top = topBuffer()) latinsource::deleteFromString(*top, target, replacement);
}

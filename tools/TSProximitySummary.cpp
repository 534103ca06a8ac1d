#include "TSProximitySummary.h"

#include "platform/Coder.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

TS_REGISTER_CLASS(TSProximityData)
TS_REGISTER_CLASS(TSProximitySummary)

namespace {

ts::Value weightsValue(const TSProximityData::Weights& w) {
    ts::ValueDictionary d;
    for (auto it = w.cbegin(); it != w.cend(); ++it) d[it.key()] = ts::Value(double(it.value()));
    return ts::Value(std::move(d));
}

TSProximityData::Weights weightsFrom(const ts::Value& v) {
    TSProximityData::Weights w;
    for (const auto& [k, x] : v.dictionary())
        if (x.isNumber()) w.insert(k, float(x.toDouble()));
    return w;
}

// The characters cleaning turns into blanks.
const std::array<bool, 0x10000>& blankTable() {
    static const std::array<bool, 0x10000> table = [] {
        std::array<bool, 0x10000> t{};
        const char16_t list[] = {u'[', u']', u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9', u';', u',', u'(',
                                 u')', u'\'', u'"', u'*', u'_', u'?', u'.', u':', u'{', u'}', u'$', u'+', 0x00F7, u'!',
                                 0x00BB, 0x201C, 0x201D, u'^', 0x00AB, 0x2018, u'~', u'/', u'\\', 0x2019, u'`', 0x2014,
                                 u'|', u'='};
        for (char16_t c : list) t[c] = true;
        return t;
    }();
    return table;
}

}  // namespace

// ---- TSProximityData -------------------------------------------------------

ts::ObjectPtr TSProximityData::copy() const {
    auto c = std::static_pointer_cast<TSProximityData>(VDData::copy());
    c->count_ = count_;
    c->priorWords_ = priorWords_;
    c->followingWords_ = followingWords_;
    return c;
}

void TSProximityData::encodeWithCoder(ts::Coder& coder) const {
    VDData::encodeWithCoder(coder);
    coder.encodeObject(weightsValue(priorWords_), QStringLiteral("priorWords"));
    coder.encodeObject(weightsValue(followingWords_), QStringLiteral("followingWords"));
    coder.encodeInteger(count_, QStringLiteral("count"));
}

bool TSProximityData::initWithCoder(ts::Coder& coder) {
    VDData::initWithCoder(coder);
    count_ = coder.decodeInteger(QStringLiteral("count"));
    followingWords_ = weightsFrom(coder.decodeObject(QStringLiteral("followingWords")));
    priorWords_ = weightsFrom(coder.decodeObject(QStringLiteral("priorWords")));
    return true;
}

// ---- cleaning and splitting --------------------------------------------------

QString TSProximitySummary::cleanString(const QString& text) {
    const auto& blank = blankTable();
    QString s = text;
    for (QChar& c : s)
        if (blank[c.unicode()]) c = QLatin1Char(' ');
    s = s.toLower();
    QString out;
    out.reserve(s.size() + 16);
    for (QChar c : s) {
        switch (c.unicode()) {
        case u'<': case u'>': case u'-': break;
        case 0x00E6: out += QLatin1String("ae"); break;
        case u'&': out += QLatin1String(" et "); break;
        case u'v': out += QLatin1Char('u'); break;
        case u'j': out += QLatin1Char('i'); break;
        default: out += c;
        }
    }
    return out;
}

QStringList TSProximitySummary::makeLineArray(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}\\x{85}\\x0B\\x0C.\\t]"));
    return cleanString(text).split(separators);
}

QStringList TSProximitySummary::makeWordArray(const QString& text) {
    const QString s = cleanString(text);
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= s.size(); ++i) {
        // Cleaning has already blanked stops, semicolons and commas.
        if (i == s.size() || s[i].isSpace()) {
            words.append(start < 0 ? QString() : s.mid(start, i - start));
            start = -1;
        } else if (start < 0) {
            start = i;
        }
    }
    return words;
}

TSProximitySummaryPtr TSProximitySummary::summaryFromString(const QString& text) {
    auto s = std::make_shared<TSProximitySummary>();
    s->summariseString(text);
    return s;
}

void TSProximitySummary::addString(const QString& text, QHash<QString, qint64>& counts) {
    for (const QString& w : makeWordArray(text))
        if (!w.isEmpty()) ++counts[w];
}

// ---- building ----------------------------------------------------------------

void TSProximitySummary::summariseString(const QString& text) { analyseText(makeLineArray(text)); }

void TSProximitySummary::analyseText(const QStringList& lines) {
    QStringList kept;
    for (const QString& line : lines) {
        if (line.isEmpty()) continue;
        kept.clear();
        qsizetype start = -1;
        for (qsizetype i = 0; i <= line.size(); ++i) {
            if (i == line.size() || line[i].isSpace()) {
                if (start >= 0) {
                    const qsizetype n = i - start;
                    const QChar c = line[start];
                    if (n >= 2 || c == QLatin1Char('o') || c == QLatin1Char('a') || c == QLatin1Char('e') ||
                        c == QLatin1Char('i'))
                        kept.append(line.mid(start, n));
                }
                start = -1;
            } else if (start < 0) {
                start = i;
            }
        }
        if (!kept.isEmpty()) parseLine(kept);
    }
}

TSProximityDataPtr TSProximitySummary::entryForWriting(const QString& word) {
    TSProximityDataPtr& e = index_[word];
    if (!e) {
        e = std::make_shared<TSProximityData>();
        e->setName(word);
        setObject(ts::Value(e), ts::Value(word));
    }
    return e;
}

void TSProximitySummary::parseLine(const QStringList& words) {
    // Positions are 16-bit: words from position 32,768 on take no part.
    const qsizetype n = std::min<qsizetype>(words.size(), 32768);
    for (qsizetype i = 0; i < n; ++i) {
        TSProximityDataPtr e = entryForWriting(words[i]);
        e->setCount(e->count() + 1);
        for (qsizetype j = i - 1; j >= 0 && i - j < 3; --j) e->priorWords()[words[j]] += 1.0f / float(i - j);
        for (qsizetype k = i + 1; k < n && k - i < 3; ++k) e->followingWords()[words[k]] += 1.0f / float(k - i);
    }
}

TSProximityDataPtr TSProximitySummary::entry(const QString& word) const {
    return index_.value(word);
}

// ---- ranking -----------------------------------------------------------------

void TSProximitySummary::addDataToCandidates(QHash<QString, float>& candidates, const TSProximityData::Weights& data) {
    for (auto it = data.cbegin(); it != data.cend(); ++it) candidates[it.key()] += it.value();
}

void TSProximitySummary::sortSearchResults(QStringList& results, const QHash<QString, float>& candidates) {
    std::stable_sort(results.begin(), results.end(), [&](const QString& a, const QString& b) {
        return candidates.value(a, 0.0f) > candidates.value(b, 0.0f);
    });
}

void TSProximitySummary::sortResults(QStringList& results, const QStringList& knownWords, qsizetype u) const {
    QHash<QString, float> candidates;
    for (qsizetype i = std::max<qsizetype>(0, u - 2); i < u && i < knownWords.size(); ++i)
        if (auto e = entry(knownWords[i])) addDataToCandidates(candidates, e->followingWords());
    if (u + 1 >= 0 && u + 1 < knownWords.size())
        if (auto e = entry(knownWords[u + 1])) addDataToCandidates(candidates, e->priorWords());
    if (results.isEmpty())
        results = sortCandidates(candidates);
    else
        sortSearchResults(results, candidates);
}

TSProximitySummaryPtr TSProximitySummary::pruned(qint64 minimumCount) const {
    auto out = std::make_shared<TSProximitySummary>();
    for (auto it = index_.cbegin(); it != index_.cend(); ++it) {
        const TSProximityDataPtr& e = it.value();
        if (e->count() < minimumCount) continue;
        auto kept = std::make_shared<TSProximityData>();
        kept->setName(e->name());
        kept->setCount(e->count());
        const float threshold = std::max(1.0f, float(e->count()) * 0.01f);
        for (auto w = e->priorWords().cbegin(); w != e->priorWords().cend(); ++w)
            if (w.value() >= threshold) kept->priorWords().insert(w.key(), w.value());
        for (auto w = e->followingWords().cbegin(); w != e->followingWords().cend(); ++w)
            if (w.value() >= threshold) kept->followingWords().insert(w.key(), w.value());
        out->index_.insert(it.key(), kept);
        out->setObject(ts::Value(kept), ts::Value(it.key()));
    }
    return out;
}

void TSProximitySummary::encodeWithCoder(ts::Coder& coder) const {
    if (index_.isEmpty()) storedData();  // an empty model still archives its empty dictionary
    QMMutableDictionary::encodeWithCoder(coder);
}

bool TSProximitySummary::initWithCoder(ts::Coder& coder) {
    QMMutableDictionary::initWithCoder(coder);
    index_.clear();
    for (const auto& [k, v] : storedData())
        if (auto e = v.toObjectAs<TSProximityData>()) index_.insert(k.toString(), e);
    return true;
}

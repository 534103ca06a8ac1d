#pragma once
// The construction search's model: finds Latin prohibitions in text ("ne"
// with a second-person present or perfect subjunctive, "ne" with an
// imperative, "noli"/"nolite" with an infinitive), recognising verb forms
// through the word-form dictionary, and crawls a site for them.
//
// Results form a tree of TSConstructionResult: page nodes (named by the
// page's title) hold group nodes ("Present", "Perfect", "Imperative",
// "Noli + Infinitive", in that order, each only when it has sentences), which
// hold one leaf per sentence, its rich text with the clause emphasised.
//
// The crawl is iterative (no recursion, whatever the site's depth), reads
// only pages on the start page's host and in its folder or below, reads each
// page once, stops at a page limit and when cancelled, and gets its pages
// through the page ripper's fetcher (with that fetcher's time-outs).
//
// Threads: searchForConstruction and crawl run on any thread; each page node
// is complete before it is handed to the callback and not touched by the
// crawl afterwards.

#include "foundation/VDData.h"
#include "platform/AttributedString.h"

#include <QSet>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <map>
#include <vector>

class TSConstructionResult;
using TSConstructionResultPtr = std::shared_ptr<TSConstructionResult>;

class TSConstructionResult : public VDData {
    TS_OBJECT(TSConstructionResult, VDData)
public:
    // Created empty on first use.
    std::vector<TSConstructionResultPtr>& children() { return children_; }
    const std::vector<TSConstructionResultPtr>& children() const { return children_; }
    int numChildren() const { return int(children_.size()); }
    ts::AttributedStringPtr result() const { return result_; }
    void setResult(ts::AttributedStringPtr result) { result_ = std::move(result); }
    TSConstructionResultPtr parent() const { return parent_.lock(); }
    void addChild(const TSConstructionResultPtr& child);
    // Removes the child; false when it is not one.
    bool removeChild(const TSConstructionResult* child);

private:
    std::vector<TSConstructionResultPtr> children_;
    ts::AttributedStringPtr result_;
    std::weak_ptr<TSConstructionResult> parent_;
};

class ConstructionSearch {
public:
    using Sentences = std::vector<ts::AttributedStringPtr>;
    // "Present", "Perfect", "Imperative", "Infinitive" to the sentences found.
    using Found = std::map<QString, Sentences>;

    // The words that stop or veto a match; empty.
    static const QSet<QString>& subjIgnoreSet();
    static const QSet<QString>& subjPostIgnoreSet();
    static const QSet<QString>& imperativeIgnoreSet();

    // The text in lower case, without diacritics (combining marks too), "u"
    // for "v" and "i" for "j"; a letter or sign without an ASCII form stays
    // as it is, never a stop. For each of its units, the range
    // [starts[i], ends[i]) of the original text it came from; a mark's
    // range belongs to the unit of its letter.
    struct Cleaned {
        QString text;
        std::vector<qsizetype> starts, ends;
    };
    static Cleaned cleaned(const QString& text);
    static Found searchForConstruction(const QString& text);
    // The sentence of the unchanged text, without leading blanks, in the
    // base style with the clause emphasised; both ranges are cut to the text.
    static ts::AttributedStringPtr sentenceString(const QString& original, ts::TextRange sentence,
                                                  ts::TextRange clause);
    static const ts::Attributes& baseAttributes();
    static const ts::Attributes& emphasisAttributes();

    // The page node for a page's texts; null when nothing was found.
    static TSConstructionResultPtr pageNode(const QString& title, const QStringList& texts);

    struct CrawlOptions {
        int pageLimit = 200;
    };
    struct CrawlCallbacks {
        std::function<void(const QUrl& page)> progress;      // before a page is read
        std::function<void(TSConstructionResultPtr)> found;  // a page with sentences
        std::function<void(const QUrl& page, const QString& why)> failed;  // a page that could not be read
    };
    // Answers how many pages were read; a page that could not be read is
    // reported and not counted.
    static int crawl(const QUrl& start, const CrawlOptions& options, const std::atomic_bool& cancel,
                     const CrawlCallbacks& callbacks);
    // Whether a link lies on the start page's host and in its folder.
    static bool inScope(const QUrl& start, const QUrl& link);
};

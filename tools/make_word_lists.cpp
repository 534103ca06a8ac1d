// Makes the pattern finder's shipped word lists with the corpus tools.
//
//   tessarin-wordlists OUTDIR DICTPAGE.RAW [--zerivuv SUPPORTFOLDER] TEXT.xml...
//
// From the Latin TEI texts: "theLatinLibrary.txt" (every word of the corpus
// and its count) and "llWords.txt" (its plain-letter lines). From the
// dictionary page: "listall.txt" (every principal part) and "residuals.txt"
// (those the corpus lacks). "Zerivuv Words.txt": the transcriptions of an
// installed abbreviations dictionary when one is named, else the headwords
// of the dictionary page's abbreviation entries.
#include "TSCorpusTools.h"
#include "TSDictPage.h"
#include "TSProximitySummary.h"
#include "TSWordLists.h"

#include "dictionaries/Zerivuv/Zerivuv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include <cstdio>

namespace {

// The running text of a TEI file's body, without notes and speakers' names.
QString teiText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QXmlStreamReader xml(&f);
    xml.setNamespaceProcessing(false);
    // Elements whose words are not the author's running text.
    auto skipped = [](QStringView name) {
        return name == QLatin1String("note") || name == QLatin1String("speaker") || name == QLatin1String("head") ||
               name == QLatin1String("stage");
    };
    QString text;
    int inText = 0, skip = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == QLatin1String("text")) ++inText;
            if (skipped(xml.name())) ++skip;
            if (xml.name() == QLatin1String("l") || xml.name() == QLatin1String("p")) text += QLatin1Char('\n');
            break;
        case QXmlStreamReader::EndElement:
            if (xml.name() == QLatin1String("text")) --inText;
            if (skipped(xml.name())) --skip;
            break;
        case QXmlStreamReader::Characters:
            if (inText > 0 && skip == 0) text += xml.text();
            break;
        case QXmlStreamReader::EntityReference:
            text += QLatin1Char(' ');
            break;
        default: break;
        }
    }
    return text;
}

bool writeUtf8(const QString& path, const QStringList& lines) {
    QString s;
    for (const QString& l : lines) s += l + QLatin1Char('\n');
    return TSCorpusTools::writeFile(path, s.toUtf8());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tessarin-wordlists OUTDIR DICTPAGE.RAW [--zerivuv FOLDER] TEXT.xml...\n");
        return 2;
    }
    const QDir out(args.takeFirst());
    const QString dictPagePath = args.takeFirst();
    QString zerivuvFolder;
    if (args.size() >= 2 && args.first() == QLatin1String("--zerivuv")) {
        args.takeFirst();
        zerivuvFolder = args.takeFirst();
    }

    TSProximitySummary corpus;
    for (const QString& tei : args) corpus.summariseString(teiText(tei));
    const QString frequency = TSCorpusTools::frequencyList(corpus);
    if (!TSCorpusTools::writeFile(out.filePath(QStringLiteral("theLatinLibrary.txt")), frequency.toUtf8())) return 1;
    const QStringList llLines = TSCorpusTools::allASCIIWords(frequency);
    if (!writeUtf8(out.filePath(TSWordLists::llWordsFile()), llLines)) return 1;

    QString page;
    if (!TSWordLists::readText(dictPagePath, &page)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(dictPagePath));
        return 1;
    }
    QStringList parts, abbreviations;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        const QString head = line.section(QStringLiteral("::"), 0, 0);
        QStringList tokens = head.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (tokens.isEmpty()) continue;
        const bool abbreviation = tokens.contains(QStringLiteral("ABB."));
        for (QString t : tokens) {
            t.remove(QLatin1Char('#'));
            t.remove(QLatin1Char(','));
            if (t.isEmpty() || t == QLatin1String("-") || !t[0].isLower() || t.startsWith(QLatin1Char('('))) continue;
            if (t == QLatin1String("undeclined")) continue;
            parts.append(t);
        }
        if (abbreviation) abbreviations.append(tokens.first().remove(QLatin1Char('#')));
    }
    const QStringList listall = TSCorpusTools::listallArray(parts.join(QLatin1Char('\n')));
    if (!writeUtf8(out.filePath(QStringLiteral("listall.txt")), listall)) return 1;
    QSet<QString> corpusWords;
    for (const QString& l : llLines) corpusWords.insert(l.section(QLatin1Char('\t'), 0, 0));
    QStringList residuals;
    for (const QString& w : listall)
        if (!corpusWords.contains(w)) residuals.append(w);
    if (!writeUtf8(out.filePath(TSWordLists::residualWordsFile()), residuals)) return 1;

    QStringList zerivuvWords;
    if (!zerivuvFolder.isEmpty()) {
        Zerivuv z(zerivuvFolder);
        z.loadDatabase();
        for (const auto& e : z.entries())
            if (e && !e->transcription().isEmpty()) zerivuvWords.append(e->transcription());
    } else {
        zerivuvWords = abbreviations;
    }
    zerivuvWords.removeDuplicates();
    zerivuvWords.sort();
    if (!writeUtf8(out.filePath(TSWordLists::zerivuvWordsFile()), zerivuvWords)) return 1;
    std::printf("%lld corpus words, %lld plain lines, %lld dictionary words, %lld residuals, %lld abbreviations\n",
                qint64(corpus.wordCount()), qint64(llLines.size()), qint64(listall.size()), qint64(residuals.size()),
                qint64(zerivuvWords.size()));
    return 0;
}

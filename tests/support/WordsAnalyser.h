#pragma once
// Runs the Latin analyser installed on the system (Whitaker's Words) over a
// list of words, for tests that check generated forms against it.
//
// The analyser reads its data files from the working directory and writes
// scratch files there, so it runs in a private empty one. It pages long
// answers even into a pipe (and the pager swallows the next line), so its
// parameters are set first, after "#", one answer per parameter in its order;
// then "N" to the offer to save them. A sentinel that is no word at all comes
// last: seeing it reported shows that every query before it was read.

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>

namespace words_analyser {

inline QString program() { return QStandardPaths::findExecutable(QStringLiteral("whitakers-words")); }

struct Run {
    bool finished = false;
    QString output;
    QString error;  // why the run is not usable
};

// The analyser's answers to `queries`, one per line. unknownOnly reports
// unknown words only (DO_UNKNOWNS_ONLY); fixes and tricks (DO_FIXES,
// DO_TRICKS) are always off, since they would accept wrong forms such as
// pulchrissimus or capīre.
inline Run analyse(const QStringList& queries, bool unknownOnly) {
    static const QString sentinel = QStringLiteral("zqxzqk");
    Run run;
    const QString path = program();
    if (path.isEmpty()) {
        run.error = QStringLiteral("whitakers-words is not installed");
        return run;
    }
    QStringList input = {QStringLiteral("#")};
    const char* const answers[15] = {"", "", unknownOnly ? "Y" : "N", "", "", "", "", "N", "N", "", "", "", "", "", ""};
    for (const char* a : answers) input.append(QString::fromLatin1(a));
    input.append(QStringLiteral("N"));
    input.append(queries);
    input.append(sentinel);
    input.append(QString());
    input.append(QString());

    QTemporaryDir dir;
    if (!dir.isValid()) {
        run.error = QStringLiteral("no scratch folder");
        return run;
    }
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.setProgram(path);
    process.start();
    if (!process.waitForStarted(60000)) {
        run.error = QStringLiteral("the analyser did not start");
        return run;
    }
    process.write((input.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        run.error = QStringLiteral("the analyser did not finish");
        return run;
    }
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    if (!run.output.contains(sentinel)) {
        run.error = QStringLiteral("the analyser stopped early:\n") + run.output.right(2000);
        return run;
    }
    run.finished = true;
    return run;
}

// How the analyser may echo a word: as typed, or with v written u and j written i.
inline QStringList echoes(const QString& word) {
    QString folded = word;
    folded.replace(QLatin1Char('v'), QLatin1Char('u')).replace(QLatin1Char('j'), QLatin1Char('i'));
    return folded == word ? QStringList{word} : QStringList{word, folded};
}

// The queries (plain lower-case words) the analyser calls UNKNOWN.
inline QStringList unknownWords(const QStringList& queries, QString* error) {
    const Run run = analyse(queries, true);
    if (!run.finished) {
        if (error) *error = run.error;
        return {};
    }
    // "=>word   ========   UNKNOWN"
    static const QRegularExpression unknownLine(QStringLiteral("^(?:=>)?(\\S+)\\s+=+\\s+UNKNOWN"),
                                                QRegularExpression::MultilineOption);
    QSet<QString> reported;
    for (auto it = unknownLine.globalMatch(run.output); it.hasNext();) reported.insert(it.next().captured(1));
    QStringList unknown;
    for (const QString& q : queries) {
        const QStringList forms = echoes(q);
        if (std::any_of(forms.begin(), forms.end(), [&](const QString& e) { return reported.contains(e); }))
            unknown.append(q);
    }
    return unknown;
}

}  // namespace words_analyser

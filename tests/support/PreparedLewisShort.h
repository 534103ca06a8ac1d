#pragma once
// The prepared Lewis and Short and its word-form list as the command-line
// tool makes them from the bundled letter files (convert-ls, then
// make-forms), once per test process. The including target defines
// TS_DICTSOURCE_TOOL and TS_SOURCE_DIR_DEFAULT.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct PreparedLewisShort {
    QString source, dictionary, forms, error;  // error: empty when both were made
};

inline const PreparedLewisShort& preparedLewisShort() {
    static QTemporaryDir dir;
    static const PreparedLewisShort made = [] {
        PreparedLewisShort p;
        p.source = QStringLiteral(TS_SOURCE_DIR_DEFAULT "/resources/lexica");
        p.dictionary = dir.filePath(QStringLiteral("EditedLewisShort.xml"));
        p.forms = dir.filePath(QStringLiteral("macrons.txt"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        const auto run = [&](const QStringList& args) {
            QProcess tool;
            tool.setProcessEnvironment(env);
            tool.setStandardInputFile(QProcess::nullDevice());
            tool.start(QStringLiteral(TS_DICTSOURCE_TOOL), args);
            if (tool.waitForFinished(300000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0)
                return true;
            p.error = args.first() + QStringLiteral(": ") + QString::fromUtf8(tool.readAllStandardError());
            return false;
        };
        if (run({QStringLiteral("convert-ls"), QStringLiteral("--non-interactive"), QStringLiteral("--source"), p.source,
                 QStringLiteral("--out"), p.dictionary}))
            run({QStringLiteral("make-forms"), QStringLiteral("--dictionary"), p.dictionary});
        return p;
    }();
    return made;
}

#include "MakeForms.h"

#include "dictionaries/LewisAndShort.h"
#include "dictionaries/PreparedFormList.h"

#include <QFileInfo>

#include <cstdio>

namespace {

void print(const QString& text) { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }

}  // namespace

int makeFormsCommand(QStringList args) {
    QString dictionary, out;
    bool force = false;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--dictionary") && !args.isEmpty()) dictionary = args.takeFirst();
        else if (a == QLatin1String("--out") && !args.isEmpty()) out = args.takeFirst();
        else if (a == QLatin1String("--force")) force = true;
        else {
            std::fprintf(stderr, "usage: tessarin-dictsource make-forms [--dictionary FILE] [--out FILE] [--force]\n");
            return 2;
        }
    }
    if (dictionary.isEmpty()) dictionary = LewisAndShort::editedLewisShortURL().toLocalFile();
    if (dictionary.isEmpty()) {
        print(QStringLiteral("No Dictionaries folder; give --dictionary FILE"));
        return 1;
    }
    dictionary = QFileInfo(dictionary).absoluteFilePath();
    if (out.isEmpty()) out = QFileInfo(dictionary).absolutePath() + QStringLiteral("/macrons.txt");
    if (!force && PreparedFormList::isCurrent(out, dictionary)) {
        print(QStringLiteral("%1 is current").arg(out));
        return 0;
    }
    PreparedFormList::Summary summary;
    QString error;
    print(QStringLiteral("Making the word-form list from %1 ...").arg(dictionary));
    if (!PreparedFormList::write(dictionary, out, &summary, &error)) {
        print(error);
        return 1;
    }
    print(summary.text());
    print(QStringLiteral("-> %1").arg(out));
    return 0;
}

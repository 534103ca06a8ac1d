#include "TerminalDeveloperPrompt.h"

#include <QByteArray>

namespace {

bool readLine(FILE* in, QByteArray& line) {
    line.clear();
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') line.append(char(c));
    return c != EOF || !line.isEmpty();
}

}  // namespace

DeveloperAnswer TerminalDeveloperPrompt::ask(const DeveloperQuestion& question) {
    DeveloperAnswer answer;
    answer.button = question.buttons.isEmpty() ? -1 : 0;
    answer.editedText = question.editableText.value_or(QString());
    std::fprintf(out_, "\n%s\n", question.message.toUtf8().constData());
    if (!question.informativeText.isEmpty()) std::fprintf(out_, "%s\n", question.informativeText.toUtf8().constData());
    if (question.editableText) std::fprintf(out_, "---\n%s\n---\n", question.editableText->toUtf8().constData());
    for (qsizetype i = 0; i < question.buttons.size(); ++i)
        std::fprintf(out_, "  %lld) %s\n", static_cast<long long>(i + 1), question.buttons.at(i).toUtf8().constData());
    QByteArray line;
    for (;;) {
        std::fprintf(out_, "> ");
        std::fflush(out_);
        if (!readLine(in_, line)) return answer;
        bool ok = false;
        const int n = line.trimmed().toInt(&ok);
        if (ok && n >= 1 && n <= question.buttons.size()) {
            answer.button = n - 1;
            break;
        }
    }
    if (question.editableText) {
        std::fprintf(out_, "New text, ended by a line with only \".\" (only \".\" keeps it):\n");
        QString text;
        bool any = false;
        while (readLine(in_, line) && line != ".") {
            if (any) text += QLatin1Char('\n');
            text += QString::fromUtf8(line);
            any = true;
        }
        if (any) answer.editedText = text;
    }
    return answer;
}

#pragma once
// Asks the developer's questions on the terminal: the question, the
// buttons numbered from 1, and for an editable text the text itself, which
// the developer may replace by typing lines ended with a line holding only
// ".". End of input answers the first button.

#include "dictsource/DeveloperPrompt.h"

#include <cstdio>

class TerminalDeveloperPrompt : public DeveloperPrompt {
public:
    TerminalDeveloperPrompt(FILE* in = stdin, FILE* out = stderr) : in_(in), out_(out) {}
    DeveloperAnswer ask(const DeveloperQuestion& question) override;

private:
    FILE* in_;
    FILE* out_;
};

#pragma once
// The developer prompt of the window layer: each question of a dictionary
// converter as a modal dialog with the message, the informative text, the
// piece of source to edit as plain text (no automatic substitutions) and the
// buttons in the order the converter gave them.
//
// The application installs it with DeveloperPrompt::setCurrent once its
// windows exist. Closing the dialog without a button answers the first
// button, which is "Skip" in every question the converters ask.
//
// Threads: asked on the GUI thread (the conversions that ask run there).

#include "dictsource/DeveloperPrompt.h"
#include "dictsource/DeveloperSink.h"

class QDialog;

class DialogDeveloperPrompt : public DeveloperPrompt {
public:
    DeveloperAnswer ask(const DeveloperQuestion& question) override;

    // The dialog of a question, for showing it modally or taking its picture;
    // `answer` is filled when a button is pressed.
    static QDialog* makeDialog(const DeveloperQuestion& question, DeveloperAnswer* answer);
};

// What the converters hand the developer, in the window layer: questions as
// modal dialogs, pasteboard texts on the clipboard through `clipboard` (the
// application's writer; null writes plain text to the clipboard) as well as
// into the sink's file, and beeps as the system beep.
void installDeveloperDialogs(DeveloperSink::PasteboardWriter clipboard = nullptr);

#pragma once
// The prompter the application installs: real, modal message boxes and file
// dialogs for the questions the model asks. Main thread.

#include "platform/Prompter.h"

class QWidget;

class WidgetPrompter : public ts::Prompter {
public:
    // A window of the program the user can see, shown and mapped on screen
    // (no pop-up): the active one when it is, else the first such; null
    // while none is. A question asked without one may never be seen.
    static QWidget* windowOnScreen();

    int alert(const ts::AlertRequest& request) override;
    QStringList openPanel(const ts::OpenPanelRequest& request) override;
    QString savePanel(const ts::SavePanelRequest& request) override;
    int runModalPanel(QObject* panel) override;
};

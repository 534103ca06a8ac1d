#pragma once
// The prompter the application installs: real, modal message boxes and file
// dialogs for the questions the model asks. Main thread.

#include "platform/Prompter.h"

class WidgetPrompter : public ts::Prompter {
public:
    int alert(const ts::AlertRequest& request) override;
    QStringList openPanel(const ts::OpenPanelRequest& request) override;
    QString savePanel(const ts::SavePanelRequest& request) override;
    int runModalPanel(QObject* panel) override;
};

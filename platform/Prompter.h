#pragma once
// The one road by which model code asks the user something: alerts, open
// panels and save panels all go through the current Prompter.
//
// Model code never shows a window itself. It builds a request and asks
// Prompter::current(), which answers synchronously. The window layer
// installs a prompter that runs the real, modal panels; tests install one
// that answers from a script (ScriptedPrompter) and records what was asked.
//
// Until someone installs a prompter, the default one answers without a
// person: an alert answers its default button, an open panel chooses
// nothing and a save panel is cancelled. So a question asked in a tool or a
// test that did not expect it takes the safe way out (callers put the
// harmless button first and make it the default).
//
// Texts in requests are shown as given; callers that hold localisation keys
// turn them into texts with Prompter::localized(), which asks the installed
// localiser (the application installs its strings-table look-up) and answers
// the key itself while none is installed.
//
// Threads: current(), setCurrent(), localized() and setLocalizer() may be
// called from any thread; a prompter's own operations are called on the
// thread that asks (the main thread, for every question the model asks).

#include <QString>

class QObject;
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace ts {

struct AlertRequest {
    enum class Style { Warning, Informational, Critical };
    QString messageText;
    QString informativeText;
    // Button titles, left to right as the platform lists them (the first is
    // the rightmost, default button on the original platform).
    QStringList buttons;
    // Index of the button that Return presses and the default prompter answers.
    int defaultButton = 0;
    // Index of the button that Escape presses; -1: the one titled "Cancel"
    // or "No" (localised), when there is one.
    int cancelButton = -1;
    Style style = Style::Warning;
};

struct OpenPanelRequest {
    QString title;
    QString message;
    QString directory;          // where the panel starts; empty: anywhere
    QStringList allowedFileTypes;  // extensions without the dot; empty: any
    // What the allowed files are ("TEI Texts"); empty: named after the types
    // (typesDescription below).
    QString typesDescription;
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = false;
};

struct SavePanelRequest {
    QString title;
    QString message;
    QString directory;
    QString nameFieldStringValue;  // the proposed file name
    QStringList allowedFileTypes;
    QString typesDescription;  // as in OpenPanelRequest
};

class Prompter;
using PrompterPtr = std::shared_ptr<Prompter>;

class Prompter {
public:
    virtual ~Prompter() = default;

    // The index of the button the user pressed; -1 when the alert could not
    // be shown at all. The default answers request.defaultButton.
    virtual int alert(const AlertRequest& request);
    // The chosen paths; empty when the user cancelled. The default cancels.
    virtual QStringList openPanel(const OpenPanelRequest& request);
    // The chosen path; a null string when the user cancelled. The default
    // cancels.
    virtual QString savePanel(const SavePanelRequest& request);
    // A modal panel the window layer made (a print or page-setup dialog,
    // which has an exec() slot): 1 when the user confirmed it, 0 when not.
    // The default shows nothing and answers 0.
    virtual int runModalPanel(QObject* panel);

    // The process-wide prompter; never null (the default until one is set).
    static PrompterPtr current();
    // Installs a prompter; null restores the default.
    static void setCurrent(PrompterPtr prompter);

    // Localisation of request texts: key and strings table to text.
    using Localizer = std::function<QString(const QString& key, const QString& table)>;
    static void setLocalizer(Localizer localizer);
    // The installed localiser's text for the key; the key itself when there
    // is no localiser or it answers a null string.
    static QString localized(const QString& key, const QString& table = {});
    // A panel filter's name for files of these extensions, after what they
    // are: "PDF Documents" for "pdf", "Text Files" for "txt", "Tessarin
    // Documents" for the documents' own; "Files" for types it does not know.
    static QString typesDescription(const QStringList& extensions);

    // Installs a prompter for the life of the scope and restores the one
    // that was current before.
    class Scope {
    public:
        explicit Scope(PrompterPtr prompter);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        PrompterPtr previous_;
    };
};

// Answers from queues of prepared answers and records every request, for
// tests and scripted runs. An empty queue gives the default prompter's
// answer.
class ScriptedPrompter : public Prompter {
public:
    int alert(const AlertRequest& request) override;
    QStringList openPanel(const OpenPanelRequest& request) override;
    QString savePanel(const SavePanelRequest& request) override;
    int runModalPanel(QObject* panel) override;

    void queueAlertAnswer(int button);
    void queueOpenPanelAnswer(QStringList paths);
    void queueSavePanelAnswer(QString path);
    void queueModalPanelAnswer(int answer);
    int modalPanelCount() const;

    std::vector<AlertRequest> alerts() const;
    std::vector<OpenPanelRequest> openPanels() const;
    std::vector<SavePanelRequest> savePanels() const;

private:
    mutable std::mutex mutex_;
    std::vector<int> alertAnswers_;
    std::vector<QStringList> openAnswers_;
    std::vector<QString> saveAnswers_;
    std::vector<AlertRequest> alerts_;
    std::vector<OpenPanelRequest> openPanels_;
    std::vector<SavePanelRequest> savePanels_;
    std::vector<int> modalAnswers_;
    int modalPanels_ = 0;
};

}  // namespace ts

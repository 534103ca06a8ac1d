#include "Prompter.h"

namespace ts {

namespace {

std::mutex& stateMutex() {
    static std::mutex m;
    return m;
}

PrompterPtr& installedPrompter() {
    static PrompterPtr p;
    return p;
}

Prompter::Localizer& installedLocalizer() {
    static Prompter::Localizer l;
    return l;
}

PrompterPtr defaultPrompter() {
    static const PrompterPtr p = std::make_shared<Prompter>();
    return p;
}

template <class T>
bool takeFirst(std::vector<T>& queue, T& out) {
    if (queue.empty()) return false;
    out = std::move(queue.front());
    queue.erase(queue.begin());
    return true;
}

}  // namespace

int Prompter::alert(const AlertRequest& request) {
    if (request.buttons.isEmpty()) return 0;  // the platform's single "OK"
    if (request.defaultButton < 0 || request.defaultButton >= request.buttons.size()) return 0;
    return request.defaultButton;
}

QStringList Prompter::openPanel(const OpenPanelRequest&) { return {}; }

QString Prompter::savePanel(const SavePanelRequest&) { return QString(); }

int Prompter::runModalPanel(QObject*) { return 0; }

int ScriptedPrompter::runModalPanel(QObject* panel) {
    int answer = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++modalPanels_;
        if (takeFirst(modalAnswers_, answer)) return answer;
    }
    return Prompter::runModalPanel(panel);
}

void ScriptedPrompter::queueModalPanelAnswer(int answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    modalAnswers_.push_back(answer);
}

int ScriptedPrompter::modalPanelCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modalPanels_;
}

PrompterPtr Prompter::current() {
    std::lock_guard<std::mutex> lock(stateMutex());
    const PrompterPtr& p = installedPrompter();
    return p ? p : defaultPrompter();
}

void Prompter::setCurrent(PrompterPtr prompter) {
    std::lock_guard<std::mutex> lock(stateMutex());
    installedPrompter() = std::move(prompter);
}

void Prompter::setLocalizer(Localizer localizer) {
    std::lock_guard<std::mutex> lock(stateMutex());
    installedLocalizer() = std::move(localizer);
}

QString Prompter::typesDescription(const QStringList& extensions) {
    static const QStringList documents = {QStringLiteral("tsdx"), QStringLiteral("tsmd")};
    static const QStringList images = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                       QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("gif"),
                                       QStringLiteral("bmp")};
    struct Kind {
        QStringList types;
        const char* name;
    };
    static const Kind kinds[] = {
        {documents, "Tessarin Documents"},
        {{QStringLiteral("pdf")}, "PDF Documents"},
        {{QStringLiteral("txt")}, "Text Files"},
        {{QStringLiteral("xml")}, "XML Files"},
        {{QStringLiteral("plist")}, "Property Lists"},
        {{QStringLiteral("html"), QStringLiteral("shtml"), QStringLiteral("htm")}, "Web Pages"},
        {images, "Images"},
    };
    if (extensions.isEmpty()) return localized(QStringLiteral("All Files"));
    // The kind that holds every type; a mixed list names the one that holds
    // most of them, as the panel's first filter shows them all anyway.
    const Kind* best = nullptr;
    qsizetype bestCount = 0;
    for (const Kind& kind : kinds) {
        qsizetype count = 0;
        for (const QString& e : extensions)
            if (kind.types.contains(e.toLower())) ++count;
        if (count > bestCount) {
            best = &kind;
            bestCount = count;
        }
    }
    if (!best) return localized(QStringLiteral("Files"));
    return localized(QString::fromLatin1(best->name));
}

QString Prompter::localized(const QString& key, const QString& table) {
    Localizer localizer;
    {
        std::lock_guard<std::mutex> lock(stateMutex());
        localizer = installedLocalizer();
    }
    if (!localizer) return key;
    const QString text = localizer(key, table);
    return text.isNull() ? key : text;
}

Prompter::Scope::Scope(PrompterPtr prompter) {
    std::lock_guard<std::mutex> lock(stateMutex());
    previous_ = installedPrompter();
    installedPrompter() = std::move(prompter);
}

Prompter::Scope::~Scope() {
    std::lock_guard<std::mutex> lock(stateMutex());
    installedPrompter() = std::move(previous_);
}

// --- ScriptedPrompter ---

int ScriptedPrompter::alert(const AlertRequest& request) {
    int answer = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        alerts_.push_back(request);
        if (takeFirst(alertAnswers_, answer)) return answer;
    }
    return Prompter::alert(request);
}

QStringList ScriptedPrompter::openPanel(const OpenPanelRequest& request) {
    QStringList answer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        openPanels_.push_back(request);
        if (takeFirst(openAnswers_, answer)) return answer;
    }
    return Prompter::openPanel(request);
}

QString ScriptedPrompter::savePanel(const SavePanelRequest& request) {
    QString answer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        savePanels_.push_back(request);
        if (takeFirst(saveAnswers_, answer)) return answer;
    }
    return Prompter::savePanel(request);
}

void ScriptedPrompter::queueAlertAnswer(int button) {
    std::lock_guard<std::mutex> lock(mutex_);
    alertAnswers_.push_back(button);
}

void ScriptedPrompter::queueOpenPanelAnswer(QStringList paths) {
    std::lock_guard<std::mutex> lock(mutex_);
    openAnswers_.push_back(std::move(paths));
}

void ScriptedPrompter::queueSavePanelAnswer(QString path) {
    std::lock_guard<std::mutex> lock(mutex_);
    saveAnswers_.push_back(std::move(path));
}

std::vector<AlertRequest> ScriptedPrompter::alerts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return alerts_;
}

std::vector<OpenPanelRequest> ScriptedPrompter::openPanels() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return openPanels_;
}

std::vector<SavePanelRequest> ScriptedPrompter::savePanels() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return savePanels_;
}

}  // namespace ts

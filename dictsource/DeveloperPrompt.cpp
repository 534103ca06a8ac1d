#include "dictsource/DeveloperPrompt.h"

namespace {

std::mutex& promptMutex() {
    static std::mutex m;
    return m;
}

DeveloperPromptPtr& promptSlot() {
    static DeveloperPromptPtr p = std::make_shared<SkipDeveloperPrompt>();
    return p;
}

}  // namespace

DeveloperPromptPtr DeveloperPrompt::current() {
    std::lock_guard<std::mutex> lock(promptMutex());
    return promptSlot();
}

void DeveloperPrompt::setCurrent(DeveloperPromptPtr prompt) {
    std::lock_guard<std::mutex> lock(promptMutex());
    promptSlot() = prompt ? std::move(prompt) : std::make_shared<SkipDeveloperPrompt>();
}

DeveloperAnswer SkipDeveloperPrompt::ask(const DeveloperQuestion& question) {
    DeveloperAnswer answer;
    answer.button = question.buttons.isEmpty() ? -1 : 0;
    answer.editedText = question.editableText.value_or(QString());
    return answer;
}

DeveloperAnswer ScriptedDeveloperPrompt::ask(const DeveloperQuestion& question) {
    std::unique_lock<std::mutex> lock(mutex_);
    questions_.push_back(question);
    if (answers_.empty()) {
        lock.unlock();
        return SkipDeveloperPrompt().ask(question);
    }
    auto [button, text] = answers_.front();
    answers_.pop_front();
    DeveloperAnswer answer;
    answer.button = button;
    answer.editedText = text ? *text : question.editableText.value_or(QString());
    return answer;
}

void ScriptedDeveloperPrompt::queueAnswer(int button, std::optional<QString> editedText) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.emplace_back(button, std::move(editedText));
}

std::vector<DeveloperQuestion> ScriptedDeveloperPrompt::questions() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return questions_;
}

#include "tools/net/LocalMacronizer.h"

#include "morphology/TSWordFormDictionary.h"

#include <QObject>

class LocalMacronizer::Receiver : public TextMacronizerProtocol {
public:
    explicit Receiver(Completion completion) : completion_(std::move(completion)) {}
    void textMacronized(const std::vector<ts::AttributedStringPtr>& results, const ts::ObjectPtr&) override {
        Completion completion = take();
        if (!completion) return;
        MacronizerResult result;
        if (!results.empty() && results.front()) {
            result.ok = true;
            result.text = results.front();
        } else {
            result.message = QObject::tr("The text could not be marked.");
        }
        completion(result);
    }
    Completion take() {
        Completion c = std::move(completion_);
        completion_ = nullptr;
        return c;
    }

private:
    Completion completion_;
};

LocalMacronizer::~LocalMacronizer() {
    // The dictionary holds the receiver weakly: once it is gone, no answer
    // is delivered.
    receiver_.reset();
}

void LocalMacronizer::macronize(const QString& text, Completion completion) {
    cancel();
    receiver_ = std::make_shared<Receiver>(std::move(completion));
    TSWordFormDictionary::addMacrons({ts::AttributedString::make(text)}, nullptr, receiver_);
}

void LocalMacronizer::cancel() {
    if (!receiver_) return;
    std::shared_ptr<Receiver> receiver = std::move(receiver_);
    if (Completion c = receiver->take()) {
        MacronizerResult result;
        result.cancelled = true;
        result.message = QObject::tr("Cancelled");
        c(result);
    }
}

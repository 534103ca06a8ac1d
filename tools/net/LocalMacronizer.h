#pragma once
// Marks vowel lengths with the word-form dictionary, on this machine: each
// known word gets its marked form, words with several forms are coloured
// orange and unknown words red (the dictionary's own marking). No network.
//
// Threads: main thread; the marking runs on the global queue.

#include "tools/Macronizer.h"

#include <memory>

class LocalMacronizer : public Macronizer {
public:
    LocalMacronizer() = default;
    ~LocalMacronizer() override;

    void macronize(const QString& text, Completion completion) override;
    void cancel() override;

private:
    class Receiver;
    std::shared_ptr<Receiver> receiver_;
};

#pragma once
// A 32-bit counter that threads may change at once.

#include <QtGlobal>

#include <atomic>

class LGAtomicCountable {
public:
    virtual ~LGAtomicCountable() = default;
    virtual qint32 increment() = 0;
    virtual qint32 decrement() = 0;
    virtual qint32 value() const = 0;
};

class LGAtomicCounter : public LGAtomicCountable {
public:
    explicit LGAtomicCounter(qint32 defaultValue = 0) : value_(defaultValue) {}
    // Each answers the new value.
    qint32 increment() override { return value_.fetch_add(1) + 1; }
    qint32 decrement() override { return value_.fetch_sub(1) - 1; }
    qint32 value() const override { return value_.load(); }

private:
    std::atomic<qint32> value_;
};

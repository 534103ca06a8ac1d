#pragma once
// Filters that pass or drop messages by their context, for any logger's
// setLogFormatter(): the allow-list filter passes only listed contexts (an
// empty list drops everything), the deny-list filter drops listed contexts.
// A passed message keeps its text unchanged.
//
// Threads: the lists are guarded by a lock, so a logger queue may filter
// while another thread edits them.

#include "LGLogger.h"

#include <QList>

#include <mutex>
#include <set>

class LGLoggingContextSet {
public:
    void addToSet(qint64 context);
    void removeFromSet(qint64 context);
    // In no fixed order.
    QList<qint64> currentSet() const;
    bool isInSet(qint64 context) const;

private:
    mutable std::mutex mutex_;
    std::set<qint64> set_;
};

class LGContextAllowlistFilterLogFormatter : public LGLogFormatter {
public:
    void addToAllowlist(qint64 context) { contextSet_.addToSet(context); }
    void removeFromAllowlist(qint64 context) { contextSet_.removeFromSet(context); }
    QList<qint64> allowlist() const { return contextSet_.currentSet(); }
    bool isOnAllowlist(qint64 context) const { return contextSet_.isInSet(context); }
    // The older names.
    void addToWhitelist(qint64 context) { addToAllowlist(context); }
    void removeFromWhitelist(qint64 context) { removeFromAllowlist(context); }
    QList<qint64> whitelist() const { return allowlist(); }
    bool isOnWhitelist(qint64 context) const { return isOnAllowlist(context); }

    QString formatLogMessage(const LGLogMessage& message) override;

private:
    LGLoggingContextSet contextSet_;
};

class LGContextDenylistFilterLogFormatter : public LGLogFormatter {
public:
    void addToDenylist(qint64 context) { contextSet_.addToSet(context); }
    void removeFromDenylist(qint64 context) { contextSet_.removeFromSet(context); }
    QList<qint64> denylist() const { return contextSet_.currentSet(); }
    bool isOnDenylist(qint64 context) const { return contextSet_.isInSet(context); }
    // The older names.
    void addToBlacklist(qint64 context) { addToDenylist(context); }
    void removeFromBlacklist(qint64 context) { removeFromDenylist(context); }
    QList<qint64> blacklist() const { return denylist(); }
    bool isOnBlacklist(qint64 context) const { return isOnDenylist(context); }

    QString formatLogMessage(const LGLogMessage& message) override;

private:
    LGLoggingContextSet contextSet_;
};

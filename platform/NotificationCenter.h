#pragma once
// Named notifications between loosely coupled objects.
//
// A notification has a string name, an optional sender (an opaque address the
// poster chooses, usually the posting object; compared, never dereferenced)
// and a user-info dictionary. Observers register a handler for a name and/or
// a sender (empty name / null sender: any). Posting calls every matching
// handler synchronously on the posting thread, in registration order.
//
// Lifetime: addObserver() answers a token; the registration ends when the
// token is destroyed or reset, so an observer that keeps its token as a member
// is unregistered automatically when it dies. The owner-based form ties the
// registration to a std::weak_ptr instead: it ends when the owner expires or
// on removeObserver(owner).
//
// Threads: registration, removal and posting may happen on any thread. A
// handler may add or remove observers (itself included) while a notification
// is being delivered: a removed observer is not called again from the moment
// its removal returns on the delivering thread; one added during a delivery
// first hears the next notification. A handler already running on another
// thread when its token is destroyed may still finish.

#include "Value.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace ts {

struct Notification {
    QString name;
    const void* sender = nullptr;
    ValueDictionary userInfo;
};

using NotificationHandler = std::function<void(const Notification&)>;

class NotificationCenter;

// Move-only handle on one registration.
class ObserverToken {
public:
    ObserverToken() = default;
    ObserverToken(ObserverToken&&) noexcept = default;
    ObserverToken& operator=(ObserverToken&& other) noexcept;
    ObserverToken(const ObserverToken&) = delete;
    ObserverToken& operator=(const ObserverToken&) = delete;
    ~ObserverToken() { reset(); }

    // Ends the registration now.
    void reset();
    bool isActive() const;

private:
    friend class NotificationCenter;
    struct Entry;
    ObserverToken(std::weak_ptr<NotificationCenter*> center, std::shared_ptr<Entry> entry)
        : center_(std::move(center)), entry_(std::move(entry)) {}
    std::weak_ptr<NotificationCenter*> center_;
    std::shared_ptr<Entry> entry_;
};

class NotificationCenter {
public:
    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The process-wide centre.
    static NotificationCenter& defaultCenter();

    [[nodiscard]] ObserverToken addObserver(const QString& name, const void* sender, NotificationHandler handler);

    // The registration lives as long as `owner` does (checked at each post)
    // or until removeObserver(owner).
    void addObserver(const std::weak_ptr<const void>& owner, const QString& name, const void* sender,
                     NotificationHandler handler);
    // Ends every owner-based registration of `owner`; with a name and/or
    // sender, only the registrations made for exactly that name and sender.
    void removeObserver(const void* owner);
    void removeObserver(const void* owner, const QString& name, const void* sender);

    void post(const Notification& notification);
    void post(const QString& name, const void* sender = nullptr, const ValueDictionary& userInfo = {});

    // Registrations currently alive (expired owners are not counted).
    int observerCount() const;

private:
    friend class ObserverToken;
    using Entry = ObserverToken::Entry;
    void remove(const std::shared_ptr<Entry>& entry);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
    // Tokens hold this weakly, so a token outliving its centre is harmless.
    std::shared_ptr<NotificationCenter*> self_;
};

}  // namespace ts

#include "NotificationCenter.h"

#include <algorithm>

namespace ts {

struct ObserverToken::Entry {
    QString name;
    const void* sender = nullptr;
    NotificationHandler handler;
    bool hasOwner = false;
    const void* ownerAddress = nullptr;
    std::weak_ptr<const void> owner;
    std::atomic<bool> active{true};

    bool matches(const Notification& n) const {
        return (name.isEmpty() || name == n.name) && (!sender || sender == n.sender);
    }
    bool alive() const { return active.load() && (!hasOwner || !owner.expired()); }
};

ObserverToken& ObserverToken::operator=(ObserverToken&& other) noexcept {
    if (this != &other) {
        reset();
        center_ = std::move(other.center_);
        entry_ = std::move(other.entry_);
    }
    return *this;
}

void ObserverToken::reset() {
    if (!entry_) return;
    entry_->active = false;
    if (auto center = center_.lock()) (*center)->remove(entry_);
    entry_.reset();
    center_.reset();
}

bool ObserverToken::isActive() const { return entry_ && entry_->active.load(); }

NotificationCenter::NotificationCenter() : self_(std::make_shared<NotificationCenter*>(this)) {}

NotificationCenter::~NotificationCenter() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& e : entries_) e->active = false;
}

NotificationCenter& NotificationCenter::defaultCenter() {
    // Never destroyed: observers may unregister during static destruction.
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

ObserverToken NotificationCenter::addObserver(const QString& name, const void* sender, NotificationHandler handler) {
    auto entry = std::make_shared<Entry>();
    entry->name = name;
    entry->sender = sender;
    entry->handler = std::move(handler);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.push_back(entry);
    }
    return ObserverToken(self_, entry);
}

void NotificationCenter::addObserver(const std::weak_ptr<const void>& owner, const QString& name, const void* sender,
                                     NotificationHandler handler) {
    auto locked = owner.lock();
    if (!locked) return;
    auto entry = std::make_shared<Entry>();
    entry->name = name;
    entry->sender = sender;
    entry->handler = std::move(handler);
    entry->hasOwner = true;
    entry->ownerAddress = locked.get();
    entry->owner = owner;
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(entry);
}

void NotificationCenter::removeObserver(const void* owner) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const std::shared_ptr<Entry>& e) {
                                      if (!e->hasOwner || e->ownerAddress != owner) return false;
                                      e->active = false;
                                      return true;
                                  }),
                   entries_.end());
}

void NotificationCenter::removeObserver(const void* owner, const QString& name, const void* sender) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const std::shared_ptr<Entry>& e) {
                                      if (!e->hasOwner || e->ownerAddress != owner) return false;
                                      if (!name.isEmpty() && e->name != name) return false;
                                      if (sender && e->sender != sender) return false;
                                      e->active = false;
                                      return true;
                                  }),
                   entries_.end());
}

void NotificationCenter::remove(const std::shared_ptr<Entry>& entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find(entries_.begin(), entries_.end(), entry);
    if (it != entries_.end()) entries_.erase(it);
}

void NotificationCenter::post(const Notification& notification) {
    // Deliver from a snapshot so handlers may change the registrations; each
    // entry's flag is checked again just before its call.
    std::vector<std::shared_ptr<Entry>> snapshot;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                      [](const std::shared_ptr<Entry>& e) { return !e->alive(); }),
                       entries_.end());
        for (auto& e : entries_)
            if (e->matches(notification)) snapshot.push_back(e);
    }
    for (auto& e : snapshot) {
        if (!e->active.load()) continue;
        if (e->hasOwner) {
            // Keep the owner alive for the length of its handler.
            auto owner = e->owner.lock();
            if (!owner) continue;
            e->handler(notification);
        } else {
            e->handler(notification);
        }
    }
}

void NotificationCenter::post(const QString& name, const void* sender, const ValueDictionary& userInfo) {
    post(Notification{name, sender, userInfo});
}

int NotificationCenter::observerCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return int(std::count_if(entries_.begin(), entries_.end(), [](const std::shared_ptr<Entry>& e) { return e->alive(); }));
}

}  // namespace ts

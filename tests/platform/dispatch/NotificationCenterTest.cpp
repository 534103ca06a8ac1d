#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using ts::Notification;
using ts::NotificationCenter;
using ts::ObserverToken;

TEST(NotificationCenter, DeliversNameSenderAndUserInfoSynchronously) {
    NotificationCenter center;
    int sender = 0;
    std::vector<QString> got;
    ts::Value word;
    ObserverToken token = center.addObserver(QStringLiteral("WordChangedNotification"), nullptr, [&](const Notification& n) {
        got.push_back(n.name);
        EXPECT_EQ(n.sender, &sender);
        word = n.userInfo.at(QStringLiteral("Original Word"));
    });
    center.post(QStringLiteral("WordChangedNotification"), &sender, {{QStringLiteral("Original Word"), ts::Value("amo")}});
    ASSERT_EQ(got.size(), 1u);  // delivered before post returned
    EXPECT_EQ(word.toString(), QStringLiteral("amo"));
}

TEST(NotificationCenter, FiltersByNameAndBySender) {
    NotificationCenter center;
    int a = 0, b = 0;
    int anyCount = 0, nameCount = 0, senderCount = 0, bothCount = 0;
    auto t1 = center.addObserver(QString(), nullptr, [&](const Notification&) { ++anyCount; });
    auto t2 = center.addObserver(QStringLiteral("Vocab Changed"), nullptr, [&](const Notification&) { ++nameCount; });
    auto t3 = center.addObserver(QString(), &a, [&](const Notification&) { ++senderCount; });
    auto t4 = center.addObserver(QStringLiteral("Vocab Changed"), &a, [&](const Notification&) { ++bothCount; });
    center.post(QStringLiteral("Vocab Changed"), &a);
    center.post(QStringLiteral("Vocab Changed"), &b);
    center.post(QStringLiteral("WordList Changed"), &a);
    center.post(QStringLiteral("WordList Changed"));
    EXPECT_EQ(anyCount, 4);
    EXPECT_EQ(nameCount, 2);
    EXPECT_EQ(senderCount, 2);
    EXPECT_EQ(bothCount, 1);
}

TEST(NotificationCenter, RegistrationEndsWithTokenOrOwner) {
    NotificationCenter center;
    int tokenCalls = 0, ownerCalls = 0;
    {
        ObserverToken token = center.addObserver(QStringLiteral("n"), nullptr, [&](const Notification&) { ++tokenCalls; });
        center.post(QStringLiteral("n"));
        ObserverToken moved = std::move(token);  // the registration moves with the token
        center.post(QStringLiteral("n"));
    }
    center.post(QStringLiteral("n"));
    EXPECT_EQ(tokenCalls, 2);

    auto owner = std::make_shared<int>(1);
    center.addObserver(std::weak_ptr<const void>(owner), QStringLiteral("n"), nullptr,
                       [&](const Notification&) { ++ownerCalls; });
    center.post(QStringLiteral("n"));
    owner.reset();
    center.post(QStringLiteral("n"));
    EXPECT_EQ(ownerCalls, 1);
    EXPECT_EQ(center.observerCount(), 0);

    auto owner2 = std::make_shared<int>(2);
    center.addObserver(std::weak_ptr<const void>(owner2), QStringLiteral("n"), nullptr,
                       [&](const Notification&) { ++ownerCalls; });
    center.removeObserver(owner2.get());
    center.post(QStringLiteral("n"));
    EXPECT_EQ(ownerCalls, 1);
}

TEST(NotificationCenter, ObserversMayRemoveThemselvesAndOthersDuringDelivery) {
    NotificationCenter center;
    std::vector<int> calls;
    ObserverToken first, second, third, late;
    first = center.addObserver(QStringLiteral("n"), nullptr, [&](const Notification&) {
        calls.push_back(1);
        first.reset();   // itself
        third.reset();   // a later observer of the same delivery
    });
    second = center.addObserver(QStringLiteral("n"), nullptr, [&](const Notification&) {
        calls.push_back(2);
        // Added during delivery: first hears the next notification.
        late = center.addObserver(QStringLiteral("n"), nullptr, [&](const Notification&) { calls.push_back(4); });
    });
    third = center.addObserver(QStringLiteral("n"), nullptr, [&](const Notification&) { calls.push_back(3); });
    center.post(QStringLiteral("n"));
    EXPECT_EQ(calls, (std::vector<int>{1, 2}));
    calls.clear();
    second.reset();
    center.post(QStringLiteral("n"));
    EXPECT_EQ(calls, (std::vector<int>{4}));
}

TEST(NotificationCenter, PostingFromAnotherThreadDeliversOnThatThread) {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    std::thread::id deliveredOn;
    auto token = center.addObserver(QStringLiteral("dictionary changed"), nullptr,
                                    [&](const Notification&) { deliveredOn = std::this_thread::get_id(); });
    std::thread::id poster;
    std::thread t([&] {
        poster = std::this_thread::get_id();
        center.post(QStringLiteral("dictionary changed"));
    });
    t.join();
    EXPECT_EQ(deliveredOn, poster);
    EXPECT_NE(deliveredOn, std::this_thread::get_id());
}

TEST(NotificationCenter, ConcurrentRegistrationAndPostingIsSafe) {
    NotificationCenter center;
    std::atomic<int> delivered{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                auto token = center.addObserver(QStringLiteral("x"), nullptr, [&](const Notification&) { ++delivered; });
                center.post(QStringLiteral("x"));
            }
        });
    }
    for (auto& t : threads) t.join();
    // Each post reaches at least its own thread's live observer.
    EXPECT_GE(delivered.load(), 800);
    EXPECT_EQ(center.observerCount(), 0);
}

TEST(NotificationCenter, TokenOutlivingItsCentreIsHarmless) {
    ObserverToken token;
    {
        NotificationCenter center;
        token = center.addObserver(QStringLiteral("n"), nullptr, [](const Notification&) {});
    }
    token.reset();
    EXPECT_FALSE(token.isActive());
}

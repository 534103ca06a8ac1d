// The never-throwing unarchive helpers and their error values and log lines.

#include "support/CaptureLogger.h"

#include "foundation/Archiver.h"
#include "foundation/NSKeyedUnarchiverExtensions.h"
#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Url.h"
#include "platform/KeyedArchiver.h"
#include "platform/Uuid.h"

#include <gtest/gtest.h>

using ts::Value;
using ts::ValueArray;

namespace {

class Unregistered : public ts::Object {
    TS_OBJECT(Unregistered, ts::Object)
};

const char kTypedstreamBytes[] = "\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@\x84\x84\x84\x08NSString";
const QByteArray kTypedstream(kTypedstreamBytes, sizeof kTypedstreamBytes - 1);

TEST(NSKeyedUnarchiverExtensions, KeyedArchiveDecodesWithoutErrorOrLog) {
    CaptureLogger::Scope capture;
    auto uuid = ts::Uuid::create();
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ValueArray{"a", uuid, 3});
    UnarchiveError error;
    error.code = 99;  // cleared by the call
    const Value v = NSKeyedUnarchiverExtensions::unarchiveObjectWithData(data, error);
    EXPECT_FALSE(error.isSet());
    ASSERT_EQ(v.array().size(), 3u);
    EXPECT_EQ(v.array()[1], Value(uuid));
    EXPECT_EQ(capture->count(), 0);
}

// New uuids name themselves in the platform's upper-case form, as uuids
// made from bytes do.
TEST(Uuid, NewAndRebuiltUuidsWriteTheSameUpperCaseText) {
    for (int i = 0; i < 50; ++i) {
        auto made = ts::Uuid::create();
        const QString expected = made->uuid().toString(QUuid::WithoutBraces).toUpper();
        EXPECT_EQ(made->UUIDString(), expected);
        EXPECT_EQ(ts::Uuid(made->uuid()).UUIDString(), expected);
        EXPECT_EQ(ts::Uuid::fromString(expected.toLower())->UUIDString(), expected);
    }
}

TEST(NSKeyedUnarchiverExtensions, FailuresReportTheUnkeyedAttemptOnly) {
    struct Case {
        const char* name;
        QByteArray data;
        qint64 code;
        QString exception;
    };
    // Written under a class name nobody registered.
    const QByteArray unknownClass = ts::KeyedArchiver::archivedDataWithRootObject(std::make_shared<Unregistered>());
    const std::vector<Case> cases{
        {"garbage", QByteArray("not an archive at all"), 1, "NSInvalidUnarchiveOperationException"},
        {"keyed archive of an unknown class", unknownClass, 1, "NSInvalidUnarchiveOperationException"},
        {"empty data", QByteArray(), 2, "NSInvalidArgumentException"},
        {"typedstream", kTypedstream, 3, "TSUnsupportedArchiveException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaptureLogger::Scope capture;
        UnarchiveError error;
        EXPECT_TRUE(NSKeyedUnarchiverExtensions::unarchiveObjectWithData(c.data, error).isNull());
        EXPECT_EQ(error.domain, "Application Error");
        EXPECT_EQ(error.code, c.code);
        EXPECT_EQ(error.underlyingError(), c.exception);
        EXPECT_FALSE(error.localizedDescription().isEmpty());
        EXPECT_EQ(error.userInfo.size(), 2u);
        // One line, "%@ %@" with the reason and the name; nothing from the keyed attempt.
        ASSERT_EQ(capture->count(), 1);
        EXPECT_EQ(capture->messages()[0], error.localizedDescription() + " " + c.exception);
    }
    UnarchiveError error;
    EXPECT_TRUE(NSKeyedUnarchiverExtensions::unarchiveUnkeyedObjectWithData(kTypedstream, error).isNull());
    EXPECT_EQ(error.code, 3);
    EXPECT_TRUE(error.localizedDescription().contains("typedstream"));
}

TEST(NSKeyedUnarchiverExtensions, AllowListIsPassedOn) {
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ValueArray{ts::Uuid::create()});
    UnarchiveError error;
    EXPECT_TRUE(NSKeyedUnarchiverExtensions::unarchiveObjectWithData(data, error, {"NSArray"}).isArray());
    EXPECT_TRUE(NSKeyedUnarchiverExtensions::unarchiveObjectWithData(data, error, {"NSDictionary"}).isNull());
    EXPECT_EQ(error.code, 1);
}

TEST(Archiver, RoundTripAndLoggedFailures) {
    CaptureLogger::Scope capture;
    // Platform classes are known without the caller registering them.
    auto colour = std::const_pointer_cast<ts::Color>(ts::Color::calibratedRgb(1, 0.5, 0));
    const QByteArray data = Archiver::archivedDataWithRootObject(ts::ValueDictionary{{"colour", colour}, {"n", 1}});
    ASSERT_FALSE(data.isEmpty());
    const Value back = Archiver::unarchiveObjectWithData(data);
    auto c = back["colour"].toObjectAs<ts::Color>();
    ASSERT_TRUE(c) << back.description().toStdString();
    EXPECT_TRUE(c->isEqual(*colour));
    EXPECT_EQ(capture->count(), 0);

    EXPECT_TRUE(Archiver::unarchiveObjectWithData(QByteArray("\x00\x01", 2)).isNull());
    EXPECT_EQ(capture->messages().value(capture->count() - 1), "Unable to unarchive object");

    capture->clear();
    EXPECT_TRUE(Archiver::archivedDataWithRootObject(ValueArray{ts::Uid{1}}).isEmpty());
    EXPECT_EQ(capture->count(), 1);
}

TEST(Archiver, RichTextObjectsTravelThroughTheGenericObjectPath) {
    // Classes written elsewhere, archived through their own coding methods and
    // made again from the class registry.
    auto text = ts::AttributedString::make("Arma virumque cano",
                                           {{ts::AttributeName::Font, ts::Font::make("Helvetica-Bold", 13)}});
    auto link = ts::Url::make("footnote:0123456789ABCDEF0123456789ABCDEF");
    text->addAttribute(ts::AttributeName::Link, link, {5, 8});
    const QByteArray data = Archiver::archivedDataWithRootObject(ValueArray{text, link});
    const Value back = Archiver::unarchiveObjectWithData(data);
    ASSERT_EQ(back.array().size(), 2u) << back.description().toStdString();
    auto t = back.array()[0].toObjectAs<ts::AttributedString>();
    auto u = back.array()[1].toObjectAs<ts::Url>();
    ASSERT_TRUE(t && u);
    EXPECT_TRUE(t->isEqual(*text));
    EXPECT_EQ(u->absoluteString(), link->absoluteString());
}

}  // namespace

#include "platform/Object.h"
#include "platform/Value.h"

#include <gtest/gtest.h>

using ts::Value;

TEST(Value, UnsignedKeepsItsKindOnlyAboveInt64Max) {
    EXPECT_EQ(Value(quint64(5)).type(), Value::Type::Integer);
    EXPECT_EQ(Value(quint64(INT64_MAX)).type(), Value::Type::Integer);
    const Value big(quint64(UINT64_MAX));
    EXPECT_EQ(big.type(), Value::Type::Unsigned);
    EXPECT_EQ(big.toUInt64(), UINT64_MAX);
    EXPECT_NE(big, Value(qint64(-1)));
}

TEST(Value, LenientReadersAnswerEmptyDefaultsForOtherKinds) {
    const Value s("text");
    EXPECT_EQ(s.toInt64(), 0);
    EXPECT_TRUE(s.toData().isEmpty());
    EXPECT_TRUE(s.array().empty());
    EXPECT_TRUE(s["key"].isNull());
    EXPECT_EQ(Value(1e300).toInt64(), INT64_MAX);
    EXPECT_EQ(Value(std::nan("")).toInt64(), 0);
    EXPECT_TRUE(Value("YES").toBool());
    EXPECT_FALSE(Value("no").toBool());
}

TEST(Value, ContainersCompareDeeply) {
    ts::ValueDictionary d{{"a", Value(ts::ValueArray{1, "x", 2.5})}, {"b", Value(true)}};
    Value a(d), b(d);
    EXPECT_EQ(a, b);
    b.dictionary()["a"].array().push_back(Value());
    EXPECT_NE(a, b);
    // A bool is not the integer 1.
    EXPECT_NE(Value(true), Value(1));
}

TEST(Value, DatesUseThe2001Epoch) {
    const ts::Date d = ts::Date::fromDateTime(QDateTime(QDate(2001, 1, 2), QTime(0, 0), Qt::UTC));
    EXPECT_DOUBLE_EQ(d.seconds, 86400.0);
    EXPECT_EQ(d.toDateTime(), QDateTime(QDate(2001, 1, 2), QTime(0, 0), Qt::UTC));
    EXPECT_DOUBLE_EQ(ts::Date::fromDateTime(QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC)).seconds, -978307200.0);
}

namespace {
class Named : public ts::Object {
    TS_OBJECT(Named, ts::Object)
public:
    QString n;
    bool isEqual(const ts::Object& o) const override {
        auto* other = dynamic_cast<const Named*>(&o);
        return other && other->n == n;
    }
    int compare(const ts::Object& o) const override {
        auto* other = dynamic_cast<const Named*>(&o);
        return other ? n.compare(other->n) : ts::Object::compare(o);
    }
};
}  // namespace

TEST(Value, OrderIsTotalAcrossKindsAndObjects) {
    auto x = std::make_shared<Named>();
    x->n = "b";
    auto y = std::make_shared<Named>();
    y->n = "a";
    auto y2 = std::make_shared<Named>();
    y2->n = "a";
    EXPECT_GT(ts::compareValues(Value(x), Value(y)), 0);
    EXPECT_EQ(ts::compareValues(Value(y), Value(y2)), 0);
    EXPECT_LT(ts::compareValues(Value(-1), Value(quint64(UINT64_MAX))), 0);
    EXPECT_LT(ts::compareValues(Value(2), Value(2.5)), 0);
    EXPECT_LT(ts::compareValues(Value("B"), Value("a")), 0);  // code-unit order
    EXPECT_NE(ts::compareValues(Value(1), Value("1")), 0);
    EXPECT_EQ(Value(x), Value(std::make_shared<Named>(*x)));
}

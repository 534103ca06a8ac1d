#include "platform/ClassRegistry.h"

#include <gtest/gtest.h>

namespace {
class Base : public ts::Object {
    TS_OBJECT(Base, ts::Object)
};
class Derived : public Base {
    TS_OBJECT(Derived, Base)
};
class Unrelated : public ts::Object {
    TS_OBJECT(Unrelated, ts::Object)
};
}  // namespace

TEST(ClassRegistry, MakesOnlyRegisteredClassesOfTheExpectedKind) {
    ts::ClassRegistry::registerClass<Derived>();
    ts::ClassRegistry::registerClass<Unrelated>();

    auto d = ts::ClassRegistry::makeAs<Base>("Derived");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->className(), "Derived");
    EXPECT_EQ(d->classHierarchy(), (QStringList{"Derived", "Base", "NSObject"}));

    // A registered class of another kind is refused where a Base is expected.
    EXPECT_FALSE(ts::ClassRegistry::makeAs<Base>("Unrelated"));
    // Names nobody registered make nothing, whatever a file says.
    EXPECT_FALSE(ts::ClassRegistry::make("Base"));
    EXPECT_FALSE(ts::ClassRegistry::make("QProcess"));
    EXPECT_FALSE(ts::ClassRegistry::make(""));
    EXPECT_TRUE(ts::ClassRegistry::registeredNames().contains("Derived"));
}

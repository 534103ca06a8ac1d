#include "foundation/NBPointVariationDetails.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "support/CaptureLogger.h"
#include "support/Python.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QStringList kWaveKeys{"numWaves", "phaseShift", "amplitude", "phase", "drawDirection"};

NBPointVariationDetailsPtr roundTrip(const NBPointVariationDetailsPtr& record, QByteArray* archive = nullptr) {
    QString error;
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(record), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    if (archive) *archive = data;
    return ts::KeyedUnarchiver::unarchive(data, {NBPointVariationDetails::staticClassName()}, &error)
        .toObjectAs<NBPointVariationDetails>();
}

}  // namespace

TEST(NBPointVariationDetails, DefaultsAreStoredOnFirstRead) {
    NBPointVariationDetails r;
    for (const QString& key : NBPointVariationDetails::saveableKeys()) EXPECT_TRUE(r.storedValue(key).isNull());
    EXPECT_EQ(r.numWaves(), 3);
    EXPECT_EQ(r.phaseShift(), 0);
    EXPECT_EQ(r.amplitude(), 0.02);
    EXPECT_FALSE(r.phase());
    EXPECT_EQ(r.drawDirection(), 0);
    EXPECT_EQ(r.name(), QString(""));
    EXPECT_FALSE(r.name().isNull());
    for (const QString& key : kWaveKeys) EXPECT_FALSE(r.storedValue(key).isNull()) << key.toStdString();
    EXPECT_TRUE(r.storedValue("name").isNull());
}

TEST(NBPointVariationDetails, DirectionTests) {
    struct Case {
        int direction;
        bool up, down, alternate;
    };
    const Case cases[] = {{0, false, false, false}, {1, true, false, false}, {2, false, true, false},
                          {3, false, false, true},  {4, false, false, false}, {-1, false, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.direction);
        NBPointVariationDetails r;
        r.setDrawDirection(c.direction);
        EXPECT_EQ(r.drawsUp(), c.up);
        EXPECT_EQ(r.drawsDown(), c.down);
        EXPECT_EQ(r.drawsAlternate(), c.alternate);
    }
}

TEST(NBPointVariationDetails, ArchivingANewRecordWritesEveryDefault) {
    auto record = std::make_shared<NBPointVariationDetails>();
    QByteArray archive;
    const auto back = roundTrip(record, &archive);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->storedValue("name"), ts::Value(QString("")));
    for (const QString& key : kWaveKeys) EXPECT_EQ(back->storedValue(key), record->storedValue(key)) << key.toStdString();

    // The same archive read by an independent reader.
    QTemporaryDir dir;
    QFile file(dir.filePath("variation.plist"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(archive) == archive.size());
    file.close();
    const PythonRun p = runPython("import plistlib,sys\n"
                                  "a=plistlib.load(open(sys.argv[1],'rb'))\n"
                                  "o=a['$objects']\n"
                                  "r=o[a['$top']['root'].data]\n"
                                  "print(o[r['$class'].data]['$classname'])\n"
                                  "for k in sorted(r):\n"
                                  "  if k=='$class': continue\n"
                                  "  v=r[k]\n"
                                  "  if isinstance(v,plistlib.UID): v=o[v.data]\n"
                                  "  print(k, repr(v))\n",
                                  {file.fileName()});
    if (!p.started) GTEST_SKIP() << "python3 is not available";
    ASSERT_EQ(p.exitCode, 0) << p.err.toStdString();
    EXPECT_EQ(p.out.trimmed().split('\n'),
              QStringList({"NBPointVariationDetails", "amplitude 0.02", "drawDirection 0", "name ''", "numWaves 3",
                           "phase False", "phaseShift 0"}));
}

TEST(NBPointVariationDetails, ArchiveRoundTripKeepsEveryField) {
    auto record = std::make_shared<NBPointVariationDetails>();
    record->setName("Tremolo");
    record->setNumWaves(5);
    record->setPhaseShift(-2);
    record->setAmplitude(0.125);
    record->setPhase(true);
    record->setDrawDirection(3);
    const auto back = roundTrip(record);
    ASSERT_TRUE(back);
    for (const QString& key : NBPointVariationDetails::saveableKeys())
        EXPECT_EQ(back->storedValue(key), record->storedValue(key)) << key.toStdString();
}

TEST(NBPointVariationDetails, MissingOrMistypedKeysFallBackToDefaults) {
    CaptureLogger::Scope capture;
    // Hand-made archive: only "numWaves", and "amplitude" holding text.
    struct Partial : ts::Object {
        void encodeWithCoder(ts::Coder& coder) const override {
            coder.encodeObject(ts::Value(qint64(9)), "numWaves");
            coder.encodeObject(ts::Value("loud"), "amplitude");
            coder.encodeObject(ts::Value(7), "name");
        }
        QString className() const override { return NBPointVariationDetails::staticClassName(); }
        QStringList classHierarchy() const override { return {className(), "NSObject"}; }
    };
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(std::make_shared<Partial>()));
    const auto back = ts::KeyedUnarchiver::unarchive(data).toObjectAs<NBPointVariationDetails>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->storedValue("numWaves"), ts::Value(qint64(9)));
    EXPECT_TRUE(back->storedValue("amplitude").isNull());
    EXPECT_TRUE(back->storedValue("phase").isNull());
    EXPECT_TRUE(back->storedValue("name").isNull());
    EXPECT_EQ(back->amplitude(), 0.02);
    EXPECT_TRUE(capture->contains("is not a number"));
    EXPECT_TRUE(capture->contains("is not a string"));
}

TEST(NBPointVariationDetails, CopyCarriesDefaultsAsStoredValues) {
    NBPointVariationDetails r;
    r.setAmplitude(0.5);
    const auto c = std::dynamic_pointer_cast<NBPointVariationDetails>(r.copy());
    ASSERT_TRUE(c);
    EXPECT_EQ(c->storedValue("name"), ts::Value(QString("")));
    EXPECT_EQ(c->storedValue("amplitude"), ts::Value(0.5));
    EXPECT_EQ(c->storedValue("numWaves"), ts::Value(qint64(3)));
    EXPECT_EQ(c->storedValue("phase"), ts::Value(false));
    // The copy is independent.
    c->setAmplitude(1);
    EXPECT_EQ(r.amplitude(), 0.5);
}

TEST(NBPointVariationDetails, EqualityIsByNameOnly) {
    auto named = [](const char* name, double amplitude) {
        auto r = std::make_shared<NBPointVariationDetails>();
        if (name) r->setName(name);
        r->setAmplitude(amplitude);
        return r;
    };
    struct Case {
        const char* name;
        NBPointVariationDetailsPtr a, b;
        bool equal;
    };
    const Case cases[] = {
        {"same name, different amplitude", named("Trill", 0.1), named("Trill", 0.9), true},
        {"different names", named("Trill", 0.1), named("Turn", 0.1), false},
        {"both unnamed", named(nullptr, 0.1), named(nullptr, 0.3), true},
        {"unnamed and empty name", named(nullptr, 0.1), named("", 0.1), false},
        {"named and unnamed", named("Trill", 0.1), named(nullptr, 0.1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.a->isEqualTo(c.b.get()), c.equal);
        EXPECT_EQ(c.b->isEqualTo(c.a.get()), c.equal);
        EXPECT_EQ(c.a->isEqual(*c.b), c.equal);
        if (c.equal) {
            EXPECT_EQ(c.a->integrityHash(), c.b->integrityHash());
            EXPECT_EQ(c.a->hashComponents(), c.b->hashComponents());
        }
    }
    EXPECT_FALSE(named("Trill", 0.1)->isEqualTo(nullptr));
    EXPECT_FALSE(named(nullptr, 0.1)->isEqualTo(nullptr));
}

TEST(NBPointVariationDetails, HashesFollowTheStoredName) {
    NBPointVariationDetails unnamed;
    const quint64 classHash = NBPointVariationDetails::stringHash("NBPointVariationDetails");
    EXPECT_EQ(unnamed.integrityHash(), classHash);
    // Reading the name does not store it, so the hash does not change.
    EXPECT_EQ(unnamed.name(), QString(""));
    EXPECT_EQ(unnamed.integrityHash(), classHash);

    NBPointVariationDetails empty;
    empty.setName("");
    EXPECT_EQ(empty.integrityHash(), NBPointVariationDetails::stringHash("") + 31 * classHash);

    NBPointVariationDetails named;
    named.setName("Mordent");
    EXPECT_NE(named.integrityHash(), classHash);
    EXPECT_EQ(named.hashComponents(), QStringLiteral("NBPointVariationDetails %1 Mordent %2")
                                          .arg(classHash)
                                          .arg(named.integrityHash()));
    EXPECT_EQ(unnamed.hashComponents(), QStringLiteral("NBPointVariationDetails %1  %1").arg(classHash));
}

TEST(NBPointVariationDetails, KeyValueAccessRefusesUnknownKeys) {
    CaptureLogger::Scope capture;
    NBPointVariationDetails r;
    EXPECT_FALSE(r.setValue(ts::Value(1), "colour"));
    EXPECT_TRUE(r.value("colour").isNull());
    EXPECT_TRUE(capture->contains("colour"));
    EXPECT_TRUE(r.setValue(ts::Value(4.0), "numWaves"));
    EXPECT_EQ(r.numWaves(), 4);
    EXPECT_TRUE(r.setValue(ts::Value(), "numWaves"));
    EXPECT_EQ(r.numWaves(), 3);
}

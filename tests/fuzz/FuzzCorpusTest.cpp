// Runs a fuzz target's body over every input of its seed corpus (and the
// inputs the fuzzer found and that were kept there), so that the readers are
// checked against them in every build, not only in the fuzzing one.

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(FuzzCorpus, EveryInputPassesTheTargetsChecks) {
    const QDir dir(QStringLiteral(TS_FUZZ_CORPUS_DIR));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), 0);
    }
    EXPECT_GE(names.size(), 3) << "the seed corpus is missing";
}

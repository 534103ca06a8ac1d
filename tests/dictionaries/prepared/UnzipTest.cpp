// Unpacking archives: what is refused (links, existing files, oversized or
// overlong entries) leaves the target as it was. The archives are written by
// python3's zipfile.

#include "PreparedFixtures.h"

#include "support/CaptureLogger.h"

using namespace fixtures;

namespace {

class Unzip : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pythonAvailable()) GTEST_SKIP() << "python3 writes the archives";
        ASSERT_TRUE(dir_.isValid());
        QDir().mkpath(target());
    }
    QString target() const { return dir_.filePath(QStringLiteral("out")); }
    QString archive() const { return dir_.filePath(QStringLiteral("a.zip")); }
    // Runs a script with `z`, an open ZipFile on the archive, and `zipfile`.
    bool makeArchive(const QString& body) {
        const PythonRun r = runPython(QStringLiteral("import zipfile,sys\n"
                                                     "z=zipfile.ZipFile(sys.argv[1],'w')\n%1\nz.close()")
                                          .arg(body),
                                      {archive()});
        return r.exitCode == 0;
    }
    // Replaces the uncompressed size of every entry in the central directory.
    bool patchDeclaredSize(quint32 size) {
        const PythonRun r = runPython(QStringLiteral("import sys,struct\n"
                                                     "b=bytearray(open(sys.argv[1],'rb').read())\n"
                                                     "i=b.find(b'PK\\x01\\x02')\n"
                                                     "while i>=0:\n"
                                                     "    struct.pack_into('<I',b,i+24,int(sys.argv[2]))\n"
                                                     "    i=b.find(b'PK\\x01\\x02',i+4)\n"
                                                     "open(sys.argv[1],'wb').write(b)"),
                                      {archive(), QString::number(size)});
        return r.exitCode == 0;
    }
    bool unzip() { return TSDictionary::unzip(QUrl::fromLocalFile(archive()), QUrl::fromLocalFile(target())); }
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(Unzip, RefusesSymbolicLinkEntries) {
    ASSERT_TRUE(makeArchive(QStringLiteral("i=zipfile.ZipInfo('link.xml')\ni.create_system=3\n"
                                           "i.external_attr=(0o120777<<16)\nz.writestr(i,'/etc/passwd')\n"
                                           "z.writestr('plain.txt','ok')")));
    CaptureLogger::Scope log;
    EXPECT_FALSE(unzip());
    EXPECT_FALSE(QFileInfo::exists(target() + QStringLiteral("/link.xml")));
    EXPECT_FALSE(QFileInfo(target() + QStringLiteral("/link.xml")).isSymLink());
    EXPECT_EQ(readFile(target() + QStringLiteral("/plain.txt")), QByteArray("ok"));
    EXPECT_TRUE(log->contains(QStringLiteral("refused symbolic link")));
}

TEST_F(Unzip, NeverReplacesAFileOrWritesThroughALink) {
    ASSERT_TRUE(makeArchive(QStringLiteral("z.writestr('kept.xml','new')\nz.writestr('linked/inside.txt','x')\n"
                                           "z.writestr('dangling.txt','y')")));
    ASSERT_TRUE(writeFile(target() + QStringLiteral("/kept.xml"), "edited by the user"));
    const QString elsewhere = dir_.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(elsewhere);
    ASSERT_TRUE(QFile::link(elsewhere, target() + QStringLiteral("/linked")));
    ASSERT_TRUE(QFile::link(dir_.filePath(QStringLiteral("nowhere.txt")), target() + QStringLiteral("/dangling.txt")));
    CaptureLogger::Scope log;
    EXPECT_FALSE(unzip());
    EXPECT_EQ(readFile(target() + QStringLiteral("/kept.xml")), QByteArray("edited by the user"));
    EXPECT_FALSE(QFileInfo::exists(elsewhere + QStringLiteral("/inside.txt")));
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("nowhere.txt"))));
    EXPECT_TRUE(log->contains(QStringLiteral("exists and is kept")));
    EXPECT_TRUE(log->contains(QStringLiteral("symbolic link")));
}

TEST_F(Unzip, RefusesEntriesLargerThanDeclaredOrAllowed) {
    struct Case {
        const char* name;
        quint32 declared;
    } cases[] = {
        {"declared beyond the cap", 0xFFFFFFF0u},
        {"data longer than declared", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(archive());
        ASSERT_TRUE(makeArchive(QStringLiteral("z.writestr('big.txt','0123456789'*100)")));
        ASSERT_TRUE(patchDeclaredSize(c.declared));
        CaptureLogger::Scope log;
        EXPECT_FALSE(unzip());
        EXPECT_FALSE(QFileInfo::exists(target() + QStringLiteral("/big.txt")));
        EXPECT_TRUE(log->contains(QStringLiteral("Error unzipping")));
    }
}

#include "dictionaries/Zerivuv/Zerivuv.h"
#include "support/CaptureLogger.h"
#include "zerivuv/XlsxFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ZerivuvTable : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString folder() const { return dir.path(); }
    bool install(const QString& rowsJson) {
        return writeSheetWorkbook(dir.filePath(Zerivuv::spreadsheetName()), rowsJson);
    }
    void writePicture(const QString& name, const QByteArray& bytes) {
        QDir(folder()).mkpath(Zerivuv::imagesFolderName());
        QFile f(dir.filePath(Zerivuv::imagesFolderName() + "/" + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QStringList transcriptions(const std::vector<ZerivuvEntryPtr>& entries) {
        QStringList out;
        for (const auto& e : entries) out << e->transcription();
        return out;
    }
};

TEST_F(ZerivuvTable, ColumnsByHeaderInAnyOrder) {
    ASSERT_TRUE(install(R"([["transcription","id","characters","other"],
                            ["praeter",1,"p\u0304t","x"],["AETERNUM",2,12,"y"],["aqua",3,null]])"));
    Zerivuv z(folder());
    ASSERT_TRUE(z.databaseLoaded());
    EXPECT_EQ(z.count(), 3);
    const auto all = z.recordsContainingString(QString());
    EXPECT_EQ(transcriptions(all), (QStringList{"AETERNUM", "aqua", "praeter"}));
    EXPECT_EQ(all[0]->characters(), QStringLiteral("12"));  // a number becomes its text
    EXPECT_FALSE(all[0]->category().isValid());
    EXPECT_FALSE(all[0]->period().isValid());
    EXPECT_TRUE(all[1]->characters().isNull());
    EXPECT_EQ(all[2]->characters(), QString::fromUtf8("p\u0304t"));
    EXPECT_EQ(transcriptions(z.recordsContainingString("ae")), (QStringList{"AETERNUM", "praeter"}));
    EXPECT_TRUE(z.recordsContainingString("zzz").empty());
}

TEST_F(ZerivuvTable, NumbersStayNumbersOutsideTextFields) {
    ASSERT_TRUE(install(R"([["id","characters","transcription","period","category"],
                            [5,"a","first",1,"x"],[5,12,"second",12,"y"],[6,"b","",null,3]])"));
    Zerivuv z(folder());
    ASSERT_EQ(z.count(), 2);
    const auto five = z.recordsContainingString("second");
    ASSERT_EQ(five.size(), 1u);
    EXPECT_EQ(five[0]->characters(), QStringLiteral("12"));
    EXPECT_EQ(five[0]->period(), QVariant(12.0));
    EXPECT_EQ(five[0]->category(), QVariant(QStringLiteral("y")));
    EXPECT_TRUE(z.recordsContainingString("first").empty());
}

TEST_F(ZerivuvTable, HeadersAreExactAndRowsNeedAnID) {
    auto log = CaptureLogger::install();
    ASSERT_TRUE(install(R"([["ID","characters","transcription"],[1,"a","alpha"]])"));
    Zerivuv z(folder());
    EXPECT_TRUE(z.databaseLoaded());
    EXPECT_EQ(z.count(), 0);
    EXPECT_TRUE(log->contains("No ID for row"));
    EXPECT_TRUE(z.tableProblem().contains("Missing columns: \"id\", \"category\", \"period\".")) << z.tableProblem().toStdString();
    ASSERT_TRUE(install(R"([["id","characters"],[null,"a"]])"));
    EXPECT_EQ(Zerivuv(folder()).tableProblem(), "No row below the header of the spreadsheet's first sheet has an id.");
    ASSERT_TRUE(install(R"([["id"],[1]])"));
    EXPECT_TRUE(Zerivuv(folder()).tableProblem().isEmpty());
    log->uninstall();
}

TEST_F(ZerivuvTable, MissingOrDamagedSpreadsheetIsNotLoaded) {
    EXPECT_FALSE(Zerivuv(folder()).databaseLoaded());
    EXPECT_FALSE(Zerivuv(QString()).databaseLoaded());
    QFile f(dir.filePath(Zerivuv::spreadsheetName()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a workbook");
    f.close();
    Zerivuv z(folder());
    EXPECT_FALSE(z.databaseLoaded());
    EXPECT_EQ(z.count(), 0);
}

TEST_F(ZerivuvTable, PicturesLoadOnDemandFromDigitNames) {
    ASSERT_TRUE(install(R"([["id","transcription"],[7,"septem"],["../../secret","evil"],[8,"octo"],["x1","bad"]])"));
    writePicture("7.jpg", fakePicture("seven"));
    Zerivuv z(folder());
    ASSERT_EQ(z.count(), 4);
    for (const auto& e : z.entries()) {
        SCOPED_TRACE(e->transcription().toStdString());
        EXPECT_FALSE(e->imageLoaded());
        if (e->transcription() == "septem") {
            EXPECT_EQ(e->imageFileName(), QStringLiteral("7.jpg"));
            EXPECT_EQ(e->image(), fakePicture("seven"));
            EXPECT_TRUE(e->imageLoaded());
        } else if (e->transcription() == "octo") {
            EXPECT_TRUE(e->image().isEmpty());
            writePicture("8.jpg", fakePicture("eight"));  // tried again on the next request
            EXPECT_EQ(e->image(), fakePicture("eight"));
        } else {
            EXPECT_TRUE(e->imageFileName().isEmpty());
            EXPECT_TRUE(e->image().isEmpty());
        }
    }
}

}  // namespace

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out.append(char(v));
    return out;
}

}  // namespace

// The width comes from the picture's own header, without decoding it; a
// header that is cut short or lies about its lengths gives 0.
TEST(ZerivuvEntry, ImageWidthFromTheLoadedPictureHeader) {
    const QByteArray png = bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                  0, 0, 0, 96, 0, 0, 0, 56, 8, 2, 0, 0, 0});
    // Start of image, an APP0 segment, then a baseline frame 120 wide.
    const QByteArray jpeg = bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF, 0xC0, 0, 11, 8, 0, 56, 0, 120, 3,
                                   1, 0x22, 0, 0xFF, 0xD9});
    const struct {
        const char* name;
        QByteArray data;
        float width;
    } cases[] = {
        {"png", png, 96},
        {"jpeg", jpeg, 120},
        {"none loaded", QByteArray(), 0},
        {"png cut short", png.left(20), 0},
        {"jpeg cut inside the frame header", jpeg.left(14), 0},
        {"jpeg segment longer than the data", bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x7F, 0xFF, 0}), 0},
        {"jpeg with a zero segment length", bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0, 0}), 0},
        {"not a picture", QByteArray("GIF89a......"), 0},
    };
    for (const auto& c : cases) {
        ZerivuvEntry entry;
        entry.setImage(c.data);
        EXPECT_EQ(entry.imageWidth(), c.width) << c.name;
    }
    // Asking never loads: an entry whose picture file exists still answers 0.
    QTemporaryDir support;
    QDir(support.path()).mkpath(QStringLiteral("img_abbr"));
    QFile file(support.filePath(QStringLiteral("img_abbr/7.jpg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpeg);
    file.close();
    ZerivuvEntry entry;
    entry.setSupportFolder(support.path());
    entry.setEntryID(7);
    EXPECT_EQ(entry.imageWidth(), 0);
    EXPECT_FALSE(entry.image().isEmpty());
    EXPECT_EQ(entry.imageWidth(), 120);
}

TEST(RKXLSXParser, InvertDictionarySwapsKeysAndValues) {
    const QHash<QString, QString> inverted =
        ts::RKXLSXParser::invertDictionary({{"rId1", "image1.png"}, {"rId2", "image2.png"}, {"rId3", "image2.png"}});
    EXPECT_EQ(inverted.size(), 2);
    EXPECT_EQ(inverted.value("image1.png"), "rId1");
    EXPECT_TRUE(inverted.value("image2.png") == "rId2" || inverted.value("image2.png") == "rId3");
}

// The model of the XML checking window: the match walk, the entry shown,
// accepted edits and where the walk resumes, the save.
#include "ParserFixture.h"

#include "dictsource/XMLCheckSession.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kFirst = QStringLiteral(
    "<entryFree id=\"n1\" key=\"aba\" type=\"main\"><orth extent=\"full\" lang=\"la\">aba</orth> "
    "<note>a long remark, longer than the distance from the end of the match to the next entry's match, so resuming unshifted misses it</note> <itype>i</itype> <sense n=\"I\" level=\"1\">one</sense>"
    "</entryFree>");
const QString kSecond = QStringLiteral(
    "<entryFree id=\"n2\" key=\"abb\" type=\"main\"><itype>j</itype> <sense n=\"I\" level=\"1\">two</sense>"
    "<sense n=\"II\" level=\"1\">three <itype>k</itype></sense><sense n=\"III\" level=\"1\">four</sense></entryFree>");

XMLCheckSession sessionOver(const QString& text) {
    XMLCheckSession s;
    s.setFileText(text);
    EXPECT_TRUE(s.setSearchAndReplace(QStringLiteral("<itype>(\\w+)</itype>"), QStringLiteral("<itype>$1, x</itype>")));
    return s;
}

}  // namespace

TEST(XMLCheckSession, TheWalkVisitsEveryMatchAndStopsAfterTheLast) {
    XMLCheckSession s = sessionOver(kFirst + QLatin1Char('\n') + kSecond);
    QStringList seen;
    while (s.startCheck()) seen << s.substring();
    EXPECT_EQ(seen, QStringList({"<itype>i</itype>", "<itype>j</itype>", "<itype>k</itype>"}));
    EXPECT_TRUE(s.walkOver());
    EXPECT_FALSE(s.startCheck());
}

TEST(XMLCheckSession, AMatchAtTheFirstCharacterIsFound) {
    XMLCheckSession s = sessionOver(QStringLiteral("<itype>a</itype> and <itype>b</itype>"));
    ASSERT_TRUE(s.startCheck());
    EXPECT_EQ(s.lastRange(), (TextRange{0, 16}));
}

TEST(XMLCheckSession, TheShownStretchAndTheProposal) {
    XMLCheckSession s = sessionOver(kFirst + kSecond);
    ASSERT_TRUE(s.startCheck());
    // One sense: the stretch ends at the entry's "</entryFree".
    EXPECT_EQ(s.rawEntryString(), kFirst.left(kFirst.indexOf(QLatin1String("</entryFree"))));
    EXPECT_EQ(s.suggestedString(), QString(s.rawEntryString()).replace(QLatin1String("<itype>i</itype>"),
                                                                       QLatin1String("<itype>i, x</itype>")));
    EXPECT_EQ(s.replacedMatch(), QStringLiteral("<itype>i, x</itype>"));
    // The entry tested is the whole entry and nothing past it.
    EXPECT_EQ(s.curEntryString(s.suggestedString()),
              QString(kFirst).replace(QLatin1String("<itype>i</itype>"), QLatin1String("<itype>i, x</itype>")));
    EXPECT_EQ(XMLCheckSession::key(s.curEntryString(s.rawEntryString())), QStringLiteral("aba"));
    ASSERT_TRUE(s.startCheck());
    // Several senses: the stretch ends at the second "</sense" after the match.
    EXPECT_TRUE(s.rawEntryString().endsWith(QLatin1String("three <itype>k</itype>")));
}

TEST(XMLCheckSession, AfterAnAcceptedEditTheWalkResumesAtTheShiftedPosition) {
    // The edit removes more characters before the match than lie between
    // its end and the next entry's match; resuming at the old
    // end would pass over the match of the next entry.
    XMLCheckSession s = sessionOver(kFirst + kSecond);
    ASSERT_TRUE(s.startCheck());
    QString edited = s.suggestedString();
    edited.remove(QStringLiteral("<note>a long remark, longer than the distance from the end of the match to the next entry's match, so resuming unshifted misses it</note> "));
    QString why;
    ASSERT_EQ(s.insertEditedText(edited, &why), XMLCheckSession::AcceptResult::Accepted) << why << "\n" << edited;
    EXPECT_TRUE(s.dirty());
    ASSERT_TRUE(s.startCheck());
    EXPECT_EQ(s.substring(), QStringLiteral("<itype>j</itype>"));
    EXPECT_TRUE(s.fileString().startsWith(edited + QLatin1String("</entryFree>")));

    // A longer edit does not revisit its own match either.
    XMLCheckSession t = sessionOver(kFirst + kSecond);
    ASSERT_TRUE(t.startCheck());
    ASSERT_EQ(t.insertEditedText(QString(t.rawEntryString()).replace(QLatin1String("<sense"),
                                                                      QLatin1String("<etym>x</etym><sense"))),
              XMLCheckSession::AcceptResult::Accepted);
    ASSERT_TRUE(t.startCheck());
    EXPECT_EQ(t.substring(), QStringLiteral("<itype>j</itype>"));
}

TEST(XMLCheckSession, EditsThatAreRefused) {
    const QString text = kFirst + kSecond;
    {
        XMLCheckSession s = sessionOver(text);
        ASSERT_TRUE(s.startCheck());
        QString broken = s.suggestedString();
        broken.replace(QLatin1String("</orth>"), QLatin1String("</ort>"));
        QString error;
        EXPECT_FALSE(s.checkForErrors(broken, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(s.insertEditedText(broken), XMLCheckSession::AcceptResult::Malformed);
        EXPECT_EQ(s.fileString(), text);
        EXPECT_FALSE(s.dirty());
    }
    {
        // The text at the shown position changed since it was shown.
        XMLCheckSession s = sessionOver(text);
        ASSERT_TRUE(s.startCheck());
        s.setFileText(QStringLiteral("<x/>") + text);
        EXPECT_EQ(s.insertEditedText(s.suggestedString()), XMLCheckSession::AcceptResult::Moved);
        EXPECT_EQ(s.fileString(), QStringLiteral("<x/>") + text);
    }
    {
        // Without a key there is no entry to test.
        XMLCheckSession s = sessionOver(QStringLiteral("<entryFree><itype>a</itype></entryFree>"));
        ASSERT_TRUE(s.startCheck());
        EXPECT_FALSE(s.checkForErrors(s.suggestedString()));
        EXPECT_EQ(s.insertEditedText(s.suggestedString()), XMLCheckSession::AcceptResult::NoEntry);
    }
}

TEST(XMLCheckSession, SaveKeepsTheEncoding) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LewisShort.xml"));
    ASSERT_TRUE(SourceTextFile::write(path, kFirst + kSecond, SourceTextFile::Encoding::UTF16LE));
    XMLCheckSession s;
    ASSERT_TRUE(s.load(path));
    ASSERT_TRUE(s.setSearchAndReplace(QStringLiteral("<itype>(\\w+)</itype>"), QStringLiteral("<itype>$1, x</itype>")));
    ASSERT_TRUE(s.startCheck());
    ASSERT_EQ(s.insertEditedText(s.suggestedString()), XMLCheckSession::AcceptResult::Accepted);
    ASSERT_TRUE(s.saveFileString());
    EXPECT_FALSE(s.dirty());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const QString expected = QString(kFirst).replace(QLatin1String("<itype>i</itype>"),
                                                     QLatin1String("<itype>i, x</itype>")) + kSecond;
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2),
              expected);
    // A save into a folder that is gone fails and keeps the edits.
    s.setFileText(expected, dir.filePath(QStringLiteral("gone/LewisShort.xml")));
    QString error;
    EXPECT_FALSE(s.saveFileString(&error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(XMLCheckSession, PairAndEditingHelpers) {
    XMLCheckSession s;
    SourceRegex::ReplacementList list;
    list.search = {QStringLiteral("// c"), QStringLiteral("a(b)"), QStringLiteral("z")};
    list.replace = {QStringLiteral("-"), QStringLiteral("$1"), QStringLiteral("")};
    ASSERT_TRUE(s.setSearchAndReplaceStrings(list));
    EXPECT_EQ(s.searchString(), QStringLiteral("a(b)"));
    EXPECT_EQ(s.replaceString(), QStringLiteral("$1"));
    list.replace.removeLast();
    list.lengthMismatch = true;
    QString error;
    EXPECT_FALSE(s.setSearchAndReplaceStrings(list, &error));
    EXPECT_EQ(error, QStringLiteral("search and replace not same length"));
    EXPECT_FALSE(s.setSearchAndReplace(QStringLiteral("(("), QString(), &error));

    EXPECT_EQ(XMLCheckSession::removeFirstSense(QStringLiteral("a<sense n=\"1\">b</sense><sense>c</sense>")),
              QStringLiteral("ab<sense>c</sense>"));
    EXPECT_FALSE(XMLCheckSession::removeFirstSense(QStringLiteral("a<sense n=\"1\">b")));
    EXPECT_EQ(XMLCheckSession::insertUnknownTrans(QStringLiteral("x <sense>y</sense>")),
              QStringLiteral("x <pos>u</pos><sense>y</sense>"));
    EXPECT_FALSE(XMLCheckSession::insertUnknownTrans(QStringLiteral("x")));
}

TEST(XMLCheckSession, ColouredReadableForm) {
    const auto t = XMLCheckSession::makeColouredHumanReadableString(
        QStringLiteral("<entryFree key=\"a\"><orth extent=\"full\">amo</orth>, <itype>āvi</itype> "
                       "<pos>v.</pos></pos><pos>"));
    EXPECT_EQ(t.text, QStringLiteral(" amo, āvi v.</pos><pos>"));
    auto spanText = [&](XMLCheckSession::Colour c) {
        for (const auto& s : t.spans)
            if (s.colour == c) return t.text.mid(s.start, s.length);
        return QString();
    };
    EXPECT_EQ(spanText(XMLCheckSession::Colour::Orth), QStringLiteral("amo"));
    EXPECT_EQ(spanText(XMLCheckSession::Colour::Purple), QStringLiteral("āvi"));
    EXPECT_EQ(spanText(XMLCheckSession::Colour::Red), QStringLiteral("v."));
    // A closing tag before the opening one removes nothing.
    EXPECT_EQ(XMLCheckSession::makeColouredHumanReadableString(QStringLiteral("</pos>x<pos>")).text,
              QStringLiteral("</pos>x<pos>"));
}

TEST(XMLCheckSession, NounsWithoutGender) {
    auto make = [](int type, int gender, const char* key) {
        auto e = std::make_shared<DictionaryEntry>();
        e->setType(type);
        if (gender) e->setGender(gender);
        e->setKey(QString::fromLatin1(key));
        return e;
    };
    const DictionaryEntryList words = {make(1, 0, "a"), make(1, 1, "b"), make(2, 0, "c"), make(1, 0, "d")};
    EXPECT_EQ(XMLCheckSession::nextMalformed(words, nullptr), words[0]);
    EXPECT_EQ(XMLCheckSession::nextMalformed(words, words[0]), words[3]);
    EXPECT_EQ(XMLCheckSession::nextMalformed(words, words[3]), nullptr);
    EXPECT_EQ(XMLCheckSession::nextMalformed(words, make(1, 0, "x")), nullptr);

    XMLCheckSession s = sessionOver(kFirst + kSecond);
    ASSERT_TRUE(s.showEntry(make(1, 0, "abb")));
    EXPECT_TRUE(s.findingMalformed());
    EXPECT_TRUE(s.rawEntryString().startsWith(QLatin1String("<entryFree id=\"n2\"")));
    EXPECT_FALSE(s.showEntry(make(1, 0, "ab")));
}

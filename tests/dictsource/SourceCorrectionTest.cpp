// Corrections written back into a source file: every answer of every
// question gives the byte-exact file, in the encoding it was read in.
#include "ParserFixture.h"

#include "dictsource/SourceTextFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Three entries; "amor" comes first and holds the same inflection types as
// "amo", so an anchor that matched inside key="amor" would edit it instead.
const QString kAmor = QStringLiteral(
    "<entryFree id=\"n1\" key=\"amor\" type=\"main\"><orth extent=\"full\" lang=\"la\">amor</orth>, "
    "<itype>\u0101vi, \u0101tum</itype>, <itype>\u014Dris</itype>, <itype>a,b,c</itype>, <itype>e,f,g,h</itype> "
    "<sense id=\"s1\" n=\"I\" level=\"1\">love</sense></entryFree>\n");
const QString kAmoHead = QStringLiteral(
    "<entryFree id=\"n2\" key=\"amo\" type=\"main\">");
const QString kAmoOrth = QStringLiteral("<orth extent=\"full\" lang=\"la\">amo</orth>");
const QString kAmoBody = QStringLiteral(
    ", <itype>\u0101vi, \u0101tum</itype>, <itype>\u014Dris</itype>, <itype>a,b,c</itype>, <itype>e,f,g,h</itype> "
    "<sense id=\"s2\" n=\"I\" level=\"1\">to love</sense></entryFree>\n");
const QString kThird = QStringLiteral(
    "<entryFree id=\"n3\" key=\"circumspectio\" type=\"main\"><orth extent=\"full\" "
    "lang=\"la\">circumspecto-tio</orth>, <itype>\u014Dnis</itype>, <gen>f.</gen> "
    "<sense id=\"s3\" n=\"I\" level=\"1\">a looking round</sense></entryFree>\n");

QString document(const QString& amoEntry) {
    return QStringLiteral("<TEI.2><text><body><div0 type=\"alphabetic letter\" n=\"A\">\n") + kAmor + amoEntry +
           kThird + QStringLiteral("</div0></body></text></TEI.2>\n");
}
QString original() { return document(kAmoHead + kAmoOrth + kAmoBody); }
// The fixture with one text of the "amo" entry replaced.
QString amoWith(const QString& from, const QString& to) {
    QString body = kAmoHead + kAmoOrth + kAmoBody;
    const qsizetype at = body.indexOf(from);
    EXPECT_GE(at, 0) << from;
    body.replace(at, from.size(), to);
    return document(body);
}

// The bytes an independent writer gives: no shared code with the reader.
QByteArray bytesOf(const QString& text, SourceTextFile::Encoding encoding) {
    if (encoding == SourceTextFile::Encoding::UTF8) return text.toUtf8();
    QByteArray out("\xFF\xFE", 2);
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

struct Fixture {
    QTemporaryDir dir;
    QString path;
    std::shared_ptr<NBSourceLSParser> parser = std::make_shared<NBSourceLSParser>();
    std::shared_ptr<ScriptedDeveloperPrompt> prompt = std::make_shared<ScriptedDeveloperPrompt>();
    DeveloperSinkPtr sink = std::make_shared<DeveloperSink>();
    std::shared_ptr<QStringList> messages = std::make_shared<QStringList>();

    explicit Fixture(SourceTextFile::Encoding encoding, const QString& key = QStringLiteral("amo"),
                     const QString& text = original()) {
        path = dir.filePath(QStringLiteral("LewisShort.xml"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytesOf(text, encoding));
        f.close();
        parser->setCorrectionSource(path);
        parser->setDeveloperPrompt(prompt);
        parser->setDeveloperSink(sink);
        auto m = messages;
        parser->setLogSink([m](const char*, const char*, int, const QString& t) { *m << t; });
        auto entry = std::make_shared<DictionaryEntry>();
        entry->setKey(key);
        entry->setEntry(key);
        parser->setCurEntry(entry);
    }
    QByteArray bytes() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool logged(const QString& part) const {
        for (const QString& m : *messages)
            if (m.contains(part)) return true;
        return false;
    }
};

const SourceTextFile::Encoding kEncodings[] = {SourceTextFile::Encoding::UTF8, SourceTextFile::Encoding::UTF16LE};

QString snippetAfter(const QString& element, qsizetype past) {
    const QString text = original();
    const qsizetype anchor = text.indexOf(QStringLiteral("key=\"amo\""));
    const qsizetype at = text.indexOf(element, anchor);
    return text.mid(anchor, at + element.size() + past - anchor);
}

}  // namespace

TEST(SourceCorrection, EachAnswerOfTheTwoPartQuestionGivesItsFile) {
    const QString element = QStringLiteral("<itype>\u0101vi, \u0101tum</itype>");
    const QString snippet = snippetAfter(element, 120);
    QString edited = snippet;
    edited.replace(element, QStringLiteral("<itype>\u0101vi</itype>"));
    struct Case {
        int button;
        QString expected;
        bool handled;
        std::optional<QString> edit;
    };
    const Case cases[] = {
        {0, original(), false, std::nullopt},
        {1, amoWith(element, QStringLiteral("<itype>\u0101vi</itype><foreign lang=\"la\"> \u0101tum</foreign>")), true,
         std::nullopt},
        {2, amoWith(element, QStringLiteral("\u0101vi, \u0101tum")), true, std::nullopt},
        {3, amoWith(element, QStringLiteral("<itype>\u0101vi, \u0101tum, 4</itype>")), true, std::nullopt},
        {4, amoWith(element, QStringLiteral("<itype>\u0101vi, \u0101tum, 3</itype>")), true, std::nullopt},
        {5, amoWith(element, QStringLiteral("<itype>\u0101vi, \u0101tum, 2</itype>")), true, std::nullopt},
        {6, amoWith(element, QStringLiteral("<itype>\u0101vi, \u0101tum, 1</itype>")), true, std::nullopt},
        {7, amoWith(element, QStringLiteral("<itype>\u0101vi</itype>, \u0101tum")), true, std::nullopt},
        {8,
         amoWith(kAmoOrth + QStringLiteral(", ") + element,
                 QStringLiteral("<orth extent=\"full\" lang=\"la\">amo -\u0101vi</orth>, <itype> \u0101tum</itype>")),
         true, std::nullopt},
        {9, amoWith(element, QStringLiteral("<itype>\u0101vi</itype>")), true, edited},
    };
    for (auto encoding : kEncodings) {
        for (const Case& c : cases) {
            Fixture f(encoding);
            f.prompt->queueAnswer(c.button, c.edit);
            f.parser->checkFor2CompChange({QStringLiteral("\u0101vi"), QStringLiteral(" \u0101tum")});
            EXPECT_EQ(f.bytes(), bytesOf(c.expected, encoding)) << "button " << c.button;
            EXPECT_EQ(f.sink->beepCount(), c.handled ? 0 : 1) << "button " << c.button;
            ASSERT_EQ(f.prompt->questions().size(), 1u);
            const DeveloperQuestion q = f.prompt->questions().front();
            EXPECT_EQ(q.message, QStringLiteral("amo"));
            EXPECT_EQ(q.informativeText, QStringLiteral("1: \u0101vi\n2:  \u0101tum"));
            EXPECT_EQ(q.buttons.size(), 10);
            EXPECT_EQ(q.editableText.value_or(QString()), snippet);
            if (!c.handled) {
                EXPECT_EQ(f.sink->pasteboardText(), QStringLiteral("@\"\u0101vi, \u0101tum\","));
                EXPECT_TRUE(f.logged(QStringLiteral("amo 2 component iType not handled \u0101vi\n \u0101tum\n")));
            }
        }
    }
}

TEST(SourceCorrection, EachAnswerOfTheOnePartQuestionGivesItsFile) {
    const QString element = QStringLiteral("<itype>\u014Dris</itype>");
    const QString snippet = snippetAfter(element, 40);
    QString edited = snippet;
    edited.replace(element, QStringLiteral("<itype>\u014Dris</itype> <pos>n.</pos>"));
    struct Case {
        int button;
        QString expected;
        bool handled;
    };
    const Case cases[] = {
        {0, original(), false},
        {1, original(), false},
        {2, amoWith(element, QStringLiteral("<foreign lang=\"la\">\u014Dris</foreign>")), true},
        {3, amoWith(element, QStringLiteral("\u014Dris")), true},
        {4,
         amoWith(kAmoOrth + QStringLiteral(", <itype>\u0101vi, \u0101tum</itype>, ") + element,
                 QStringLiteral("<orth extent=\"full\" lang=\"la\">amo -\u014Dris</orth>, <itype>\u0101vi, "
                                "\u0101tum</itype>, ")),
         true},
        {5, amoWith(element, QStringLiteral("<itype>\u014Dris, 4</itype>")), true},
        {6, amoWith(element, QStringLiteral("<itype>\u014Dris, 3</itype>")), true},
        {7, amoWith(element, QStringLiteral("<itype>\u014Dris, 2</itype>")), true},
        {8, amoWith(element, QStringLiteral("<itype>\u014Dris, 1</itype>")), true},
        {9, amoWith(element, QStringLiteral("<itype>\u014Dris</itype> <pos>n.</pos>")), true},
    };
    for (auto encoding : kEncodings) {
        for (const Case& c : cases) {
            Fixture f(encoding);
            f.prompt->queueAnswer(c.button, c.button == 9 ? std::optional<QString>(edited) : std::nullopt);
            f.parser->checkForChange(QStringLiteral(" Failed to handle 1 component iType: "), QStringLiteral("\u014Dris"));
            EXPECT_EQ(f.bytes(), bytesOf(c.expected, encoding)) << "button " << c.button;
            EXPECT_EQ(f.sink->beepCount(), c.handled ? 0 : 1) << "button " << c.button;
            ASSERT_EQ(f.prompt->questions().size(), 1u);
            EXPECT_EQ(f.prompt->questions().front().editableText.value_or(QString()), snippet);
            if (!c.handled) {
                EXPECT_EQ(f.sink->pasteboardText(), QStringLiteral("@\"\u014Dris\","));
                EXPECT_TRUE(f.logged(QStringLiteral("amo  Failed to handle 1 component iType:  \u014Dris")));
            }
        }
    }
}

TEST(SourceCorrection, ThreeAndFourPartAnswers) {
    const QString three = QStringLiteral("<itype>a,b,c</itype>");
    const QString four = QStringLiteral("<itype>e,f,g,h</itype>");
    const QString snippet4 = snippetAfter(four, 120);
    QString edited4 = snippet4;
    edited4.replace(four, QStringLiteral("<itype>e, f</itype>"));
    for (auto encoding : kEncodings) {
        const std::tuple<int, QString, bool> threeCases[] = {
            {0, original(), false},
            {1, amoWith(three, QStringLiteral("a,b,c")), true},
            {2, amoWith(three, QStringLiteral("<itype>a,b</itype>,c")), true},
        };
        for (const auto& [button, expected, handled] : threeCases) {
            Fixture f(encoding);
            f.prompt->queueAnswer(button);
            EXPECT_EQ(f.parser->checkFor3CompChange({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}),
                      handled);
            EXPECT_EQ(f.bytes(), bytesOf(expected, encoding)) << "button " << button;
            EXPECT_EQ(f.prompt->questions().front().informativeText, QStringLiteral("1: a\n2: b\n3 c: "));
        }
        const std::tuple<int, QString, bool> fourCases[] = {
            {0, original(), false},
            {1, amoWith(four, QStringLiteral("e,f,g,h")), true},
            {2, amoWith(four, QStringLiteral("<itype>e,f g,h</itype>")), true},
            {3, amoWith(four, QStringLiteral("<itype>e, f</itype>")), true},
        };
        for (const auto& [button, expected, handled] : fourCases) {
            Fixture f(encoding);
            f.prompt->queueAnswer(button, button == 3 ? std::optional<QString>(edited4) : std::nullopt);
            EXPECT_EQ(f.parser->checkFor4CompChange(
                          {QStringLiteral("e"), QStringLiteral("f"), QStringLiteral("g"), QStringLiteral("h")}),
                      handled);
            EXPECT_EQ(f.bytes(), bytesOf(expected, encoding)) << "button " << button;
        }
    }
}

TEST(SourceCorrection, AMalformedEditIsAskedAgainAndNeverWritten) {
    const QString element = QStringLiteral("<itype>\u0101vi, \u0101tum</itype>");
    const QString snippet = snippetAfter(element, 120);
    QString broken = snippet;
    broken.replace(element, QStringLiteral("<itype>\u0101vi</ityp>"));
    {
        // Broken, then Skip: nothing written, the broken text shown again.
        Fixture f(SourceTextFile::Encoding::UTF8);
        f.prompt->queueAnswer(9, broken);
        f.prompt->queueAnswer(0);
        f.parser->checkFor2CompChange({QStringLiteral("\u0101vi"), QStringLiteral(" \u0101tum")});
        EXPECT_EQ(f.bytes(), original().toUtf8());
        ASSERT_EQ(f.prompt->questions().size(), 2u);
        EXPECT_EQ(f.prompt->questions()[1].editableText.value_or(QString()), broken);
        EXPECT_EQ(f.sink->beepCount(), 1);
    }
    {
        // Broken, then mended: the mended text is written.
        Fixture f(SourceTextFile::Encoding::UTF8);
        QString mended = snippet;
        mended.replace(element, QStringLiteral("<itype>\u0101vi</itype>"));
        f.prompt->queueAnswer(9, broken);
        f.prompt->queueAnswer(9, mended);
        f.parser->checkFor2CompChange({QStringLiteral("\u0101vi"), QStringLiteral(" \u0101tum")});
        EXPECT_EQ(f.bytes(), amoWith(element, QStringLiteral("<itype>\u0101vi</itype>")).toUtf8());
    }
}

TEST(SourceCorrection, NotHandledPaths) {
    struct Case {
        const char* name;
        QString key;
        QString text;
    };
    // An itype only before the entry's anchor is not found; a key that is
    // not in the file, and a file in neither UTF-8 nor a marked encoding,
    // take the same path and leave the file as it was.
    const QString beforeOnly = document(kAmoHead + kAmoOrth + QStringLiteral(" <sense n=\"I\">x</sense></entryFree>\n"));
    const Case cases[] = {
        {"element before the anchor", QStringLiteral("amo"), beforeOnly},
        {"unknown key", QStringLiteral("amare"), original()},
    };
    for (const Case& c : cases) {
        Fixture f(SourceTextFile::Encoding::UTF8, c.key, c.text);
        f.parser->checkForChange(QStringLiteral(" What is this: "), QStringLiteral("\u014Dris"));
        f.parser->checkFor2CompChange({QStringLiteral("a"), QStringLiteral("b")});
        EXPECT_FALSE(f.parser->checkFor3CompChange({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        EXPECT_TRUE(f.prompt->questions().empty()) << c.name;
        EXPECT_EQ(f.sink->beepCount(), 2) << c.name;
        EXPECT_EQ(f.bytes(), c.text.toUtf8()) << c.name;
    }
    Fixture latin1(SourceTextFile::Encoding::UTF8);
    QByteArray bytes = original().toUtf8();
    bytes.replace("to love", "t\xE9 love");
    {
        QFile out(latin1.path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    latin1.prompt->queueAnswer(3);
    latin1.parser->checkForChange(QStringLiteral(" OR: "), QStringLiteral("\u014Dris"));
    EXPECT_TRUE(latin1.prompt->questions().empty());
    EXPECT_EQ(latin1.bytes(), bytes);
    EXPECT_TRUE(latin1.logged(QStringLiteral("not valid UTF-8")));

    // With nobody to ask the file is not even read: the answer would be
    // "Skip", and the not-handled path is taken all the same.
    Fixture unattended(SourceTextFile::Encoding::UTF8);
    unattended.parser->setDeveloperPrompt(std::make_shared<SkipDeveloperPrompt>());
    QFile::remove(unattended.path);
    unattended.parser->checkForChange(QStringLiteral(" OR: "), QStringLiteral("\u014Dris"));
    EXPECT_EQ(unattended.sink->beepCount(), 1);
    EXPECT_TRUE(unattended.logged(QStringLiteral("amo  OR:  \u014Dris")));
    EXPECT_FALSE(unattended.logged(QStringLiteral("LewisShort.xml")));
}

// Answers the hyphen question with the given button and skips every other.
class HyphenPrompt : public DeveloperPrompt {
public:
    explicit HyphenPrompt(int button) : button_(button) {}
    DeveloperAnswer ask(const DeveloperQuestion& question) override {
        if (!question.message.startsWith(QLatin1String("Remove hyphen?"))) return {};
        hyphenQuestions.push_back(question);
        return {button_, question.editableText.value_or(QString())};
    }
    std::vector<DeveloperQuestion> hyphenQuestions;

private:
    int button_;
};

TEST(SourceCorrection, TheHyphenQuestionDuringAConversion) {
    for (auto encoding : kEncodings) {
        for (int button : {0, 1}) {
            Fixture f(encoding);
            // The inflection types the rules leave are asked about too and
            // skipped; the hyphen question is the one that concerns this test.
            auto prompt = std::make_shared<HyphenPrompt>(button);
            f.parser->setDeveloperPrompt(prompt);
            f.parser->parseFileAtLocation(QUrl::fromLocalFile(f.path));
            ASSERT_TRUE(f.parser->succeeded());
            const std::vector<DeveloperQuestion>& hyphen = prompt->hyphenQuestions;
            ASSERT_EQ(hyphen.size(), 1u);
            EXPECT_EQ(hyphen.front().message, QStringLiteral("Remove hyphen? circumspectio"));
            EXPECT_EQ(hyphen.front().informativeText, QStringLiteral("circumspecto-tio"));
            EXPECT_TRUE(f.logged(QStringLiteral("circumspectio funny hyphen circumspecto-tio")));
            QString expected = original();
            if (button == 1) expected.replace(QStringLiteral("circumspecto-tio"), QStringLiteral("circumspectotio"));
            EXPECT_EQ(f.bytes(), bytesOf(expected, encoding)) << "button " << button;

            // The next conversion reads what was written.
            auto second = std::make_shared<NBSourceLSParser>();
            second->discardLogs();
            second->setDeveloperPrompt(std::make_shared<ScriptedDeveloperPrompt>());
            second->parseFileAtLocation(QUrl::fromLocalFile(f.path));
            ASSERT_EQ(second->entries().size(), 3u);
            EXPECT_EQ(second->entries()[2]->entry().startsWith(QLatin1String("circumspectotio")), button == 1);
        }
    }
}

TEST(SourceCorrection, TwoCorrectionsInOneRunBothReachTheFile) {
    Fixture f(SourceTextFile::Encoding::UTF16LE);
    f.prompt->queueAnswer(5);
    f.parser->checkForChange(QStringLiteral(" OR: "), QStringLiteral("\u014Dris"));
    f.prompt->queueAnswer(1);
    EXPECT_TRUE(f.parser->checkFor3CompChange({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    QString expected = amoWith(QStringLiteral("<itype>\u014Dris</itype>"), QStringLiteral("<itype>\u014Dris, 4</itype>"));
    const qsizetype amo = expected.indexOf(QStringLiteral("key=\"amo\""));
    expected.replace(expected.indexOf(QStringLiteral("<itype>a,b,c</itype>"), amo), 20, QStringLiteral("a,b,c"));
    EXPECT_EQ(f.bytes(), bytesOf(expected, SourceTextFile::Encoding::UTF16LE));
}

TEST(SourceTextFile, EncodingsAreKeptAndStrangersRefused) {
    const QString text = QStringLiteral("<a>\u0101 \U0001D11E</a>");
    struct Case {
        QByteArray bytes;
        bool readable;
        SourceTextFile::Encoding encoding;
    };
    QByteArray utf16be("\xFE\xFF", 2);
    for (QChar c : text) {
        utf16be.append(char(c.unicode() >> 8));
        utf16be.append(char(c.unicode() & 0xFF));
    }
    const Case cases[] = {
        {text.toUtf8(), true, SourceTextFile::Encoding::UTF8},
        {QByteArray("\xEF\xBB\xBF") + text.toUtf8(), true, SourceTextFile::Encoding::UTF8BOM},
        {bytesOf(text, SourceTextFile::Encoding::UTF16LE), true, SourceTextFile::Encoding::UTF16LE},
        {utf16be, true, SourceTextFile::Encoding::UTF16BE},
        {QByteArray("<a>\xE9</a>"), false, SourceTextFile::Encoding::UTF8},
        {QByteArray("<a>\xC3</a>"), false, SourceTextFile::Encoding::UTF8},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        auto decoded = SourceTextFile::decode(c.bytes);
        ASSERT_EQ(decoded.has_value(), c.readable);
        if (!decoded) continue;
        EXPECT_EQ(decoded->text, text);
        EXPECT_EQ(decoded->encoding, c.encoding);
        // Written back, the bytes are the same as read.
        const QString path = dir.filePath(QStringLiteral("f.xml"));
        ASSERT_TRUE(SourceTextFile::write(path, decoded->text, decoded->encoding));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), c.bytes);
    }
    // Saving through a symbolic link replaces the file it points to and
    // keeps the link.
    const QString target = dir.filePath(QStringLiteral("target.xml"));
    const QString link = dir.filePath(QStringLiteral("link.xml"));
    ASSERT_TRUE(SourceTextFile::write(target, QStringLiteral("<a/>"), SourceTextFile::Encoding::UTF8));
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(SourceTextFile::write(link, text, SourceTextFile::Encoding::UTF8));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), text.toUtf8());
    }
    // Saving into a missing folder fails and says so.
    QString error;
    EXPECT_FALSE(SourceTextFile::write(dir.filePath(QStringLiteral("missing/f.xml")), text,
                                       SourceTextFile::Encoding::UTF8, &error));
    EXPECT_FALSE(error.isEmpty());
}

// The word-class question of an untyped entry writes its answer into the
// source file in the file's own encoding; Skip, or nobody to ask, leaves the
// file byte for byte.
TEST(SourceCorrection, UntypedEntryAnswerIsWrittenInTheFilesEncoding) {
    for (auto encoding : kEncodings) {
        Fixture f(encoding);
        f.prompt->queueAnswer(1);
        f.parser->checkUnknownType();
        ASSERT_EQ(f.prompt->questions().size(), 1u);
        const std::optional<QString> expected = NBSourceLSParser::insertPos(original(), QStringLiteral("amo"), 1);
        ASSERT_TRUE(expected.has_value());
        EXPECT_NE(*expected, original());
        EXPECT_EQ(f.bytes(), bytesOf(*expected, encoding));

        Fixture skipped(encoding);
        skipped.prompt->queueAnswer(0);
        skipped.parser->checkUnknownType();
        EXPECT_EQ(skipped.bytes(), bytesOf(original(), encoding));

        Fixture unattended(encoding);
        unattended.parser->setDeveloperPrompt(std::make_shared<SkipDeveloperPrompt>());
        unattended.parser->checkUnknownType();
        EXPECT_EQ(unattended.bytes(), bytesOf(original(), encoding));
    }
    // The question shows the entry as readable text, not XML.
    Fixture f(SourceTextFile::Encoding::UTF8);
    f.parser->checkUnknownType();
    ASSERT_EQ(f.prompt->questions().size(), 1u);
    const QString shown = f.prompt->questions()[0].informativeText;
    EXPECT_TRUE(shown.contains(QStringLiteral("to love"))) << shown;
    EXPECT_FALSE(shown.contains(QStringLiteral("<sense id="))) << shown;
    EXPECT_FALSE(shown.contains(QStringLiteral("<orth"))) << shown;
    EXPECT_FALSE(shown.contains(QStringLiteral("</itype>"))) << shown;
    // Nothing is asked when no answer could be written: a key the file
    // does not hold, or a file that cannot be read.
    Fixture missingKey(SourceTextFile::Encoding::UTF8, QStringLiteral("amatus"));
    missingKey.parser->checkUnknownType();
    EXPECT_TRUE(missingKey.prompt->questions().empty());
    EXPECT_TRUE(missingKey.logged(QStringLiteral("amatus not changed")));
    Fixture unreadable(SourceTextFile::Encoding::UTF8);
    unreadable.parser->setCorrectionSource(unreadable.dir.filePath(QStringLiteral("gone.xml")));
    unreadable.parser->checkUnknownType();
    EXPECT_TRUE(unreadable.prompt->questions().empty());
    EXPECT_TRUE(unreadable.logged(QStringLiteral("amo not changed")));
}

// The letter files end their lines with CR LF and lay long elements over
// several lines; the converter reads each such run as one blank. The element
// is found all the same, the developer sees line feeds only, and what is
// written back keeps the file's CR LF.
TEST(SourceCorrection, ElementsLaidOverCrLfLinesAreFoundAndKeepTheFilesLineEnds) {
    QString crlf = original();
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const QString laid = QStringLiteral("<itype>\u0101vi,\r\n\t\t\u0101tum</itype>");
    const qsizetype amo = crlf.indexOf(QStringLiteral("key=\"amo\""));
    crlf.replace(crlf.indexOf(QStringLiteral("<itype>\u0101vi, \u0101tum</itype>"), amo), 19, laid);
    const QStringList components{QStringLiteral("\u0101vi"), QStringLiteral(" \u0101tum")};
    {
        Fixture f(SourceTextFile::Encoding::UTF8, QStringLiteral("amo"), crlf);
        f.prompt->queueAnswer(3);  // add 4
        f.parser->checkFor2CompChange(components);
        ASSERT_EQ(f.prompt->questions().size(), 1u);
        EXPECT_FALSE(f.prompt->questions()[0].editableText->contains(QLatin1Char('\r')));
        QString expected = crlf;
        expected.replace(crlf.indexOf(laid), laid.size(), QStringLiteral("<itype>\u0101vi, \u0101tum, 4</itype>"));
        EXPECT_EQ(f.bytes(), expected.toUtf8());
    }
    {
        Fixture f(SourceTextFile::Encoding::UTF8, QStringLiteral("amo"), crlf);
        const qsizetype end = crlf.indexOf(laid) + laid.size() + 120;
        const QString snippet = crlf.mid(amo, end - amo);
        QString edited = QString(snippet).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        edited.replace(QStringLiteral("<itype>\u0101vi,\n\t\t\u0101tum</itype>"),
                       QStringLiteral("<itype>\u0101vi</itype>,\n<itype>\u0101tum</itype>"));
        f.prompt->queueAnswer(9, edited);
        f.parser->checkFor2CompChange(components);
        ASSERT_EQ(f.prompt->questions().size(), 1u);
        EXPECT_EQ(*f.prompt->questions()[0].editableText, QString(snippet).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QString expected = crlf;
        expected.replace(amo, snippet.size(), QString(edited).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
        EXPECT_EQ(f.bytes(), expected.toUtf8());
    }
}

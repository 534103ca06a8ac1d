#pragma once
// Reads an English translation in the Perseus library's TEI.2 form into a
// text tree, with a fixed element vocabulary and no element settings.
//
// Result (data() after parseFileAtLocation): a dictionary with "state" (the
// reference unit names of the last "refsDecl", in order), "language" (language
// id to name, from "langUsage"), "Text" and, for the later parts of a text
// split by "div0", "Part <n>" (each a TSText), and the header fields "title",
// "author", "editor", "pubPlace", "publisher" and "date" (last one in the
// header wins). Null when the document could not be read at all; a document
// that breaks off keeps what was read before the break, and the parse error
// is logged and left in addressParser()->parserError().
//
// The tree: "div1" and "div2" become TSMatchedChunk sections named "<unit>
// <n>" from the reference units; a "p" outside any section opens an unnamed
// one that stays open. A paragraph's text becomes one TSLine per text line
// ("l" ends a line), placed after the speaker and stage directions met inside
// it and before its notes and "TLN line" markers (TSNote, TSMilestone). A
// verse ("l") outside every paragraph and note is a paragraph of its own: a
// translation in verse keeps all its lines. The
// cast list goes into the root's "Cast List" as TSCharacter entries (a note
// on a role becomes the entry's child). Every node placed in the tree has
// its parent link set; cast entries belong to the list, not to the tree.
//
// Text buffers: every element that collects text has its own buffer, pushed
// at its start and popped at its end; inline elements the reader does not
// place (emphasis, dates, names, ...) hand their text on to the enclosing
// element, so no text around them is lost. Entities the document uses
// without declaring (its DTD is remote and never loaded) come from the
// bundle's "ExternalEntities" table, or stay as their names. Greek in Beta
// Code inside "foreign", "quote", "emph", "abbr" or "term" of a language
// named "Greek" is converted.
//
// One parse at a time per object, on the calling thread; nothing throws.

#include "foundation/RKXMLFileParser.h"
#include "textmodel/TSCharacter.h"
#include "textmodel/TSImportNodes.h"
#include "textmodel/TSText.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TSPerseusEnglishFileParser : public ts::RKXMLFileParser {
    TS_OBJECT(TSPerseusEnglishFileParser, ts::RKXMLFileParser)

public:
    TSPerseusEnglishFileParser() = default;

    // Element sets.
    static const QSet<QString>& ignoreSet();
    static const QSet<QString>& storableSet();
    static const QSet<QString>& ignoreText();
    static const QSet<QString>& noLogSet();
    // Elements whose text stays part of the enclosing element's text.
    static const QSet<QString>& noDeleteCurLineSet();

    ts::Value data() const override;
    // The result, created on first use.
    ts::ValueDictionary& storedData();
    // The TSText under the current text key, created there on first use.
    TSTextPtr text();
    QString textKey() const { return textKey_; }

    // The innermost text buffer (a scratch buffer outside every element).
    QString& curString();
    // That buffer trimmed of white space and line ends; null when there is no
    // buffer or nothing is left.
    QString trimmedCurString() const;

    TSChunkPtr curChunk() const;
    std::shared_ptr<TSLine> lastLine() const;
    // The name of the element enclosing the current one; null when none.
    QString parentStackFrame() const;
    // Reference unit n of "state"; empty when there are not that many.
    QString stateForLevel(qint64 level);
    std::shared_ptr<TSMilestone> lastMilestone() const;
    qint64 lastKnownLine() const;
    bool inNote() const;
    // The innermost declared language of the open elements; null when none.
    QString curLanguage() const;

    const QList<std::shared_ptr<QString>>& stringStack() const { return stringStack_; }
    const QStringList& stackList() const { return stackList_; }
    const QStringList& languageStack() const { return languageStack_; }
    const std::vector<TSChunkPtr>& chunkStack() const { return chunkStack_; }
    const std::vector<TSChunkPtr>& noteStack() const { return noteStack_; }

    void reset() override;
    void parserDidStartElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                               const QString& qualifiedName, const ts::XMLAttributes& attributes) override;
    void parserFoundCharacters(ts::XMLEventParser& parser, const QString& characters) override;
    void parserDidEndElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                             const QString& qualifiedName) override;
    std::optional<QByteArray> parserResolveExternalEntityName(ts::XMLEventParser& parser, const QString& name,
                                                              const QString& systemID) override;
    // Notes and markers still waiting for a paragraph go to the open
    // section (or the text), so none is lost.
    void parserDidEndDocument(ts::XMLEventParser& parser) override;
    void parserFoundIgnorableWhitespace(ts::XMLEventParser&, const QString&) override {}

private:
    void startSection(const ts::XMLAttributes& attributes, qint64 level);
    void endElement(const QString& name);
    void endParagraph();
    void endMilestone();
    void endInline();
    void endNote();
    // The buffer that is current once the element being closed has gone.
    QString* enclosingString();
    std::shared_ptr<QString> enclosingBuffer();
    bool verseOutsideParagraph(const QString& name) const;
    // The open section, or the text itself when no section is open.
    TSChunkPtr placeForNodes();
    bool inHeader() const;

    // Each buffer is shared with the notes that record the text before them,
    // so appending to it later copies nothing.
    QList<std::shared_ptr<QString>> stringStack_;
    QStringList stackList_;
    std::vector<TSChunkPtr> noteStack_;
    QStringList languageStack_;
    ts::ValueDictionary storedData_;
    bool hasStoredData_ = false;
    QString curKey_;
    std::vector<TSChunkPtr> chunkStack_;
    TSCharacterPtr curCharacter_;
    QString curLemma_;
    QString textKey_ = QStringLiteral("Text");

    // Per open element: whether it has a buffer of its own, and whether it
    // opened a section.
    std::vector<bool> ownsBuffer_;
    std::vector<bool> openedSection_;
    QString scratch_;
};

#pragma once
// Reads a source-language text in the Perseus library's TEI.2 form, with a
// fixed element vocabulary: the bibliographic fields of the header, and from
// the body one TSText per "head", one TSLine per "milestone" and one TSNote
// per "note".
//
// Result (data() after parseFileAtLocation): a dictionary with "state" (an
// empty array), "language" (an empty dictionary) and the header fields "title", "author",
// "editor", "pubPlace", "publisher" and "date" as written (last one wins).
// Null when the document could not be read at all; a document that breaks
// off keeps what was read before the break, and the parse error is logged and
// left in addressParser()->parserError(). Afterwards chunkStack() holds the
// body's texts in document order, each with its milestone lines as children
// (parent links set), and noteStack() the notes.
//
// Text buffers: each element has one of its own, pushed at its start and
// popped at its end. In the body an element's text, its children's included,
// also reaches the head or note it stands in and the text a note records as
// preceding it; what an element holds directly is what is logged when the
// reader has no place for it. A milestone met before any head opens an
// unnamed text, so no line is lost; a note takes the number of the last
// milestone line before it (0 before the first).
//
// Entities the document uses without declaring (its DTD is remote and never
// loaded) come from the bundle's "ExternalEntities" table, or stay as their
// names, logged. One parse at a time per object, on the calling thread;
// nothing throws.

#include "foundation/RKXMLFileParser.h"
#include "textmodel/TSImportNodes.h"
#include "textmodel/TSText.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TSPerseusSourceFileParser : public ts::RKXMLFileParser {
    TS_OBJECT(TSPerseusSourceFileParser, ts::RKXMLFileParser)

public:
    TSPerseusSourceFileParser() = default;

    // Element sets.
    static const QSet<QString>& ignoreSet();
    static const QSet<QString>& storableSet();
    static const QSet<QString>& headerCaptureSet();
    static const QSet<QString>& noHeaderLogSet();
    static const QSet<QString>& bodyIgnoreSet();
    static const QSet<QString>& bodyNoLogSet();
    static const QSet<QString>& noLogSet();
    static const QSet<QString>& ignoreText();
    // The entity table (see TSPerseusText::lookupList).
    static const QHash<QString, QString>& lookupList();

    ts::Value data() const override;
    // The result, created with "state" and "language" on first use.
    ts::ValueDictionary& storedData();

    // 0 none or not recognised, 1 Latin, 2 Greek: the last "foreign" passage.
    qint32 language() const { return language_; }
    bool inHeader() const;
    // The innermost buffer; null when there is none or it is empty.
    QString lastStackString() const;
    // The enclosing element's buffer; null when there is none or it is empty.
    QString prevStackString() const;
    void setPrevStackString(const QString& string);
    // lastStackString trimmed, with line ends made blanks.
    QString trimmedCurString() const;
    // The number of the last milestone line; 0 before the first.
    qint64 curSection() const { return lastMilestoneLine_; }
    // lastStackString, from Beta Code when the passage is Greek; resets the
    // language.
    QString parseForeignString();

    // The same queries as the translation reader's.
    TSTextPtr text();
    TSChunkPtr curChunk() const;
    std::shared_ptr<TSLine> lastLine() const;
    QString parentStackFrame() const;
    QString stateForLevel(qint64 level);
    QString curLanguage() const;
    bool inNote() const;
    void setHeadName();

    const QStringList& stackList() const { return stackList_; }
    const QList<QString>& stackStrings() const { return stackStrings_; }
    const std::vector<TSTextPtr>& chunkStack() const { return chunkStack_; }
    const std::vector<std::shared_ptr<TSNote>>& noteStack() const { return noteStack_; }

    void reset() override;
    void parserDidStartElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                               const QString& qualifiedName, const ts::XMLAttributes& attributes) override;
    void parserFoundCharacters(ts::XMLEventParser& parser, const QString& characters) override;
    void parserDidEndElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                             const QString& qualifiedName) override;
    std::optional<QByteArray> parserResolveExternalEntityName(ts::XMLEventParser& parser, const QString& name,
                                                              const QString& systemID) override;
    void parserFoundIgnorableWhitespace(ts::XMLEventParser&, const QString&) override {}

private:
    void startForeignWithAttributes(const ts::XMLAttributes& attributes);
    void startMilestone(const ts::XMLAttributes& attributes);
    void endHeaderElement(const QString& name);
    void endBodyElement(const QString& name);
    void logUnplacedText(const QString& name) const;

    qint32 language_ = 0;
    QList<QString> stackStrings_;
    // Per open element, its text with its children's (see above); shared with
    // the notes that record the text before them, so appending to it later
    // copies nothing.
    QList<std::shared_ptr<QString>> fullStrings_;
    QStringList stackList_;
    ts::ValueDictionary storedData_;
    bool hasStoredData_ = false;
    std::vector<TSTextPtr> chunkStack_;
    std::vector<std::shared_ptr<TSNote>> noteStack_;
    qint64 lastMilestoneLine_ = 0;
};

#include "foundation/RKXMLFileParser.h"

#include "app/logging/LGLog.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace ts {

// ---------------------------------------------------------------------------
// XMLAttributes, XMLParseError

QString XMLAttributes::value(const QString& name) const {
    for (const Entry& e : *this)
        if (e.first == name) return e.second;
    return QString();
}

bool XMLAttributes::contains(const QString& name) const {
    for (const Entry& e : *this)
        if (e.first == name) return true;
    return false;
}

ValueDictionary XMLAttributes::toDictionary() const {
    ValueDictionary d;
    for (const Entry& e : *this) d[e.first] = Value(e.second);
    return d;
}

void XMLAttributes::append(QString name, QString value) {
    Entry& e = appendSlot();
    e.first = std::move(name);
    e.second = std::move(value);
}

XMLAttributes::Entry& XMLAttributes::appendSlot() {
    if (count_ == qsizetype(entries_.size())) entries_.emplace_back();
    return entries_[size_t(count_++)];
}

QString XMLParseError::description() const {
    return QStringLiteral("XML error %1 at line %2, column %3: %4")
        .arg(code)
        .arg(line)
        .arg(column)
        .arg(message.trimmed());
}

// ---------------------------------------------------------------------------
// The libxml2 side of one parse.
//
// The parser context's user data stays the context itself, so that libxml2's
// own SAX2 handlers (kept for the document type declaration and its entity
// table, which the entity look-ups need) receive what they expect; the
// session hangs off the context's private pointer.

struct XMLEventParser::Session {
    XMLEventParser* owner = nullptr;
    RKXMLFileParser* delegate = nullptr;
    xmlParserCtxtPtr ctxt = nullptr;
    int depth = 0;
    qint64 delivered = 0;
    qint64 deliveryLimit = 0;
    bool failed = false;
    bool aborted = false;

    // Answers to entity names the document does not define. In text the
    // answer goes out as characters straight from the reference, as libxml2
    // does for its predefined entities: declaring it as an internal entity
    // would make libxml2 parse the replacement anew, with a parser context of
    // its own, at every reference. Attribute values need a declared entity
    // (the predefined path copies one byte there), made on first use.
    struct Answer {
        xmlEntity inText{};
        xmlEntityPtr declared = nullptr;
        QByteArray name;
        QByteArray content;  // clean UTF-8, owned here
        QByteArray escaped;  // the same, safe as the content of a declaration
    };
    std::unordered_map<std::string, std::unique_ptr<Answer>> undefinedAnswers;
    std::unordered_set<std::string> askedUndefined;
    bool decodingAttribute = false;
    std::unordered_map<std::string, std::optional<QString>> externalAnswers;

    // Namespace prefixes declared per open element, for the end-mapping events.
    std::vector<QString> openPrefixes;
    std::vector<int> openPrefixCounts;

    XMLAttributes attributes;
    QString characters;
    // Every call decodes a piece from inside the document, so a leading
    // U+FEFF is a zero-width no-break space of the text, never a byte-order
    // mark to drop (libxml2 has taken the document's own).
    QStringDecoder utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};

    // Decodes into `target`, reusing its storage unless a reader kept a copy
    // of it: text and attribute values need no allocation per event.
    void decodeInto(QString& target, const xmlChar* bytes, int len) {
        target.resize(len);  // never more UTF-16 units than UTF-8 bytes
        QChar* begin = target.data();
        // ASCII, as nearly all text of these documents is, is widened here,
        // sixteen bytes at a time; the decoder takes the rest.
        const qsizetype ascii = widenAscii(reinterpret_cast<char16_t*>(begin), bytes, len);
        if (ascii == len) return;
        QChar* end = utf8.appendToBuffer(begin + ascii,
                                         QByteArrayView(reinterpret_cast<const char*>(bytes) + ascii, len - ascii));
        target.truncate(end - begin);
    }

    // Copies the ASCII bytes at the start of the text as UTF-16; answers how many.
    static qsizetype widenAscii(char16_t* out, const xmlChar* bytes, qsizetype len) {
        qsizetype i = 0;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        for (; i + 16 <= len; i += 16) {
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
            if (_mm_movemask_epi8(b) != 0) break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(b, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(b, zero));
        }
#endif
        for (; i < len && bytes[i] < 0x80; ++i) out[i] = bytes[i];
        return i;
    }

    // Element and attribute names come from the parser's name dictionary, so
    // equal names share a pointer; a small direct-mapped cache turns them into
    // shared QStrings without decoding each occurrence.
    struct NameSlot {
        const xmlChar* prefix = nullptr;
        const xmlChar* local = nullptr;
        QString name;
    };
    NameSlot names[512];

    const QString& qualifiedName(const xmlChar* prefix, const xmlChar* local) {
        // Dictionary strings are packed a few bytes apart, so the pointers
        // are mixed (Fibonacci hashing) rather than shifted.
        const quint64 key = quint64(quintptr(local)) ^ (quint64(quintptr(prefix)) << 1);
        NameSlot& slot = names[(key * 0x9E3779B97F4A7C15ull) >> (64 - 9)];
        if (slot.local != local || slot.prefix != prefix || slot.name.isNull()) {
            slot.local = local;
            slot.prefix = prefix;
            slot.name = prefix ? QString::fromUtf8(reinterpret_cast<const char*>(prefix)) + QLatin1Char(':') +
                                     QString::fromUtf8(reinterpret_cast<const char*>(local))
                               : QString::fromUtf8(reinterpret_cast<const char*>(local));
        }
        return slot.name;
    }

    void fail(int code, const QString& message) {
        if (failed) return;
        failed = true;
        XMLParseError e;
        e.code = code;
        e.line = xmlSAX2GetLineNumber(ctxt);
        e.column = xmlSAX2GetColumnNumber(ctxt);
        e.message = message;
        owner->error_ = e;
        xmlStopParser(ctxt);
        delegate->parserParseErrorOccurred(*owner, e);
    }

    bool countDelivered(qint64 n) {
        delivered += n;
        if (delivered > deliveryLimit) {
            fail(XMLParseError::EntityExpansionLimit,
                 QStringLiteral("Entity expansion exceeds the limit for a document of this size"));
            return false;
        }
        return true;
    }

    bool live() const { return !failed && !aborted; }
};

namespace {

using Session = XMLEventParser::Session;

Session* sessionOf(void* ctx) {
    return static_cast<Session*>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
}

QString fromXml(const xmlChar* s) {
    return s ? QString::fromUtf8(reinterpret_cast<const char*>(s)) : QString();
}

QString fromXml(const xmlChar* s, int len) {
    return QString::fromUtf8(reinterpret_cast<const char*>(s), len);
}

// Replacement text from the entity hook, made safe to store as the content of
// an internal entity: markup characters become character references, so the
// text is read back as text in content and in attribute values alike.
QByteArray escapeEntityText(const QByteArray& utf8) {
    const QByteArray clean = QString::fromUtf8(utf8).toUtf8();
    QByteArray out;
    out.reserve(clean.size());
    for (char c : clean) {
        switch (c) {
        case '&': out += "&#38;"; break;
        case '<': out += "&#60;"; break;
        case '>': out += "&#62;"; break;
        case '%': out += "&#37;"; break;
        default: out += c;
        }
    }
    return out;
}

void onStartElement(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* /*URI*/,
                    int nbNamespaces, const xmlChar** namespaces, int nbAttributes, int /*nbDefaulted*/,
                    const xmlChar** attributes) {
    Session* s = sessionOf(ctx);
    if (!s->live()) return;
    if (++s->depth > XMLEventParser::kMaxElementDepth) {
        s->fail(XMLParseError::NestingLimit, QStringLiteral("Elements nested deeper than %1 levels")
                                                 .arg(XMLEventParser::kMaxElementDepth));
        return;
    }
    XMLEventParser& parser = *s->owner;
    const bool reportPrefixes = parser.shouldReportNamespacePrefixes();

    XMLAttributes& attrs = s->attributes;
    attrs.clear();
    for (int i = 0; i < nbNamespaces; ++i) {
        const xmlChar* nsPrefix = namespaces[2 * i];
        attrs.append(nsPrefix ? QStringLiteral("xmlns:") + fromXml(nsPrefix) : QStringLiteral("xmlns"),
                     fromXml(namespaces[2 * i + 1]));
    }
    for (int i = 0; i < nbAttributes; ++i) {
        const xmlChar** a = attributes + 5 * i;
        const xmlChar* value = a[3];
        const int len = int(a[4] - value);
        XMLAttributes::Entry& slot = attrs.appendSlot();
        slot.first = s->qualifiedName(a[1], a[0]);
        // References the parser left in the value (it does not substitute
        // entities in this mode) are decoded here, through the same entity
        // look-up as text, so the entity hook answers them too.
        if (std::memchr(value, '&', size_t(len))) {
            const std::string copy(reinterpret_cast<const char*>(value), size_t(len));
            s->decodingAttribute = true;
            xmlChar* decoded = xmlStringDecodeEntities(s->ctxt, reinterpret_cast<const xmlChar*>(copy.c_str()),
                                                       XML_SUBSTITUTE_REF, 0, 0, 0);
            s->decodingAttribute = false;
            if (!s->live()) {
                xmlFree(decoded);
                return;
            }
            if (decoded)
                s->decodeInto(slot.second, decoded, xmlStrlen(decoded));
            else
                s->decodeInto(slot.second, value, len);
            xmlFree(decoded);
        } else {
            s->decodeInto(slot.second, value, len);
        }
        if (!s->countDelivered(slot.second.size())) return;
    }

    if (reportPrefixes) {
        for (int i = 0; i < nbNamespaces; ++i) {
            const QString p = namespaces[2 * i] ? fromXml(namespaces[2 * i]) : QString(QLatin1String(""));
            s->openPrefixes.push_back(p);
            s->delegate->parserDidStartMappingPrefix(parser, p, fromXml(namespaces[2 * i + 1]));
            if (!s->live()) return;
        }
        s->openPrefixCounts.push_back(nbNamespaces);
    }
    s->delegate->parserDidStartElement(parser, s->qualifiedName(prefix, localname), QString(), QString(), attrs);
}

void onEndElement(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* /*URI*/) {
    Session* s = sessionOf(ctx);
    if (!s->live()) return;
    --s->depth;
    XMLEventParser& parser = *s->owner;
    s->delegate->parserDidEndElement(parser, s->qualifiedName(prefix, localname), QString(), QString());
    if (parser.shouldReportNamespacePrefixes() && !s->openPrefixCounts.empty()) {
        int n = s->openPrefixCounts.back();
        s->openPrefixCounts.pop_back();
        // Prefixes go out of scope in the reverse order of their declaration.
        while (n-- > 0 && !s->openPrefixes.empty()) {
            const QString p = s->openPrefixes.back();
            s->openPrefixes.pop_back();
            if (s->live()) s->delegate->parserDidEndMappingPrefix(parser, p);
        }
    }
}

void onCharacters(void* ctx, const xmlChar* ch, int len) {
    Session* s = sessionOf(ctx);
    if (!s->live() || !s->countDelivered(len)) return;
    s->decodeInto(s->characters, ch, len);
    s->delegate->parserFoundCharacters(*s->owner, s->characters);
}

void onIgnorableWhitespace(void* ctx, const xmlChar* ch, int len) {
    Session* s = sessionOf(ctx);
    if (!s->live() || !s->countDelivered(len)) return;
    s->delegate->parserFoundIgnorableWhitespace(*s->owner, fromXml(ch, len));
}

void onCDATA(void* ctx, const xmlChar* value, int len) {
    Session* s = sessionOf(ctx);
    if (!s->live() || !s->countDelivered(len)) return;
    s->delegate->parserFoundCDATA(*s->owner, QByteArray(reinterpret_cast<const char*>(value), len));
}

void onComment(void* ctx, const xmlChar* value) {
    Session* s = sessionOf(ctx);
    if (!s->live()) return;
    s->delegate->parserFoundComment(*s->owner, fromXml(value));
}

void onProcessingInstruction(void* ctx, const xmlChar* target, const xmlChar* data) {
    Session* s = sessionOf(ctx);
    if (!s->live()) return;
    s->delegate->parserFoundProcessingInstructionWithTarget(*s->owner, fromXml(target), fromXml(data));
}

void onEndDocument(void* ctx) {
    Session* s = sessionOf(ctx);
    if (!s->live() || !s->ctxt->wellFormed) return;
    s->delegate->parserDidEndDocument(*s->owner);
}

// Entities defined in the document (and the five predefined ones) resolve as
// libxml2 stores them. Any other name is put to the delegate once; its answer
// serves every later reference, in text or in an attribute value.
xmlEntityPtr onGetEntity(void* ctx, const xmlChar* name) {
    xmlParserCtxtPtr ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    Session* s = sessionOf(ctx);
    const std::string key(reinterpret_cast<const char*>(name));
    if (!s->undefinedAnswers.empty() && ctxt->inSubset == 0) {
        auto it = s->undefinedAnswers.find(key);
        if (it != s->undefinedAnswers.end()) {
            Session::Answer& a = *it->second;
            const bool inAttribute = s->decodingAttribute || ctxt->instate == XML_PARSER_ATTRIBUTE_VALUE;
            if (!inAttribute) return &a.inText;
            if (!a.declared && ctxt->myDoc) {
                if (!ctxt->myDoc->intSubset) xmlCreateIntSubset(ctxt->myDoc, nullptr, nullptr, nullptr);
                a.declared = xmlAddDocEntity(ctxt->myDoc, name,
                                             XML_INTERNAL_GENERAL_ENTITY, nullptr, nullptr,
                                             reinterpret_cast<const xmlChar*>(a.escaped.constData()));
            }
            return a.declared;
        }
    }
    xmlEntityPtr found = xmlSAX2GetEntity(ctx, name);
    if (found || ctxt->inSubset != 0 || !s->live() || !s->owner->shouldResolveExternalEntities() ||
        !ctxt->myDoc)
        return found;
    if (!s->askedUndefined.insert(key).second) return nullptr;

    std::optional<QByteArray> answer =
        s->delegate->parserResolveExternalEntityName(*s->owner, fromXml(name), QString());
    if (!answer || !s->live()) return nullptr;
    if (answer->size() > XMLEventParser::kMaxEntityReplacement) {
        TSLogError("Replacement for entity %@ is %ld bytes, refused", fromXml(name), long(answer->size()));
        return nullptr;
    }
    auto a = std::make_unique<Session::Answer>();
    a->content = QString::fromUtf8(*answer).toUtf8();
    a->escaped = escapeEntityText(a->content);
    a->inText.type = XML_ENTITY_DECL;
    a->inText.etype = XML_INTERNAL_PREDEFINED_ENTITY;
    a->name = QByteArray(key.data(), qsizetype(key.size()));
    a->inText.name = reinterpret_cast<const xmlChar*>(a->name.constData());
    // No content: an empty answer delivers no characters at all.
    a->inText.content = a->content.isEmpty() ? nullptr : reinterpret_cast<xmlChar*>(a->content.data());
    a->inText.length = int(a->content.size());
    s->undefinedAnswers.emplace(key, std::move(a));
    // Answer this first reference as every later one is answered.
    return onGetEntity(ctx, name);
}

// Sent after every entity reference in text. Internal entities have already
// been expanded by then; a declared external entity has not (nothing is ever
// loaded), so the delegate may answer it instead.
void onReference(void* ctx, const xmlChar* name) {
    xmlParserCtxtPtr ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    Session* s = sessionOf(ctx);
    if (!s->live() || !ctxt->myDoc || !s->owner->shouldResolveExternalEntities()) return;
    xmlEntityPtr entity = xmlGetDocEntity(ctxt->myDoc, name);
    if (!entity || entity->etype != XML_EXTERNAL_GENERAL_PARSED_ENTITY) return;

    const std::string key(reinterpret_cast<const char*>(name));
    auto it = s->externalAnswers.find(key);
    if (it == s->externalAnswers.end()) {
        const QString systemID = fromXml(entity->SystemID ? entity->SystemID : entity->URI);
        std::optional<QByteArray> answer = s->delegate->parserResolveExternalEntityName(*s->owner, fromXml(name), systemID);
        std::optional<QString> text;
        if (answer && answer->size() <= XMLEventParser::kMaxEntityReplacement)
            text = QString::fromUtf8(*answer);
        else if (answer)
            TSLogError("Replacement for entity %@ is %ld bytes, refused", fromXml(name), long(answer->size()));
        it = s->externalAnswers.emplace(key, text).first;
    }
    if (!it->second || it->second->isEmpty() || !s->live()) return;
    if (!s->countDelivered(it->second->size())) return;
    s->delegate->parserFoundCharacters(*s->owner, *it->second);
}

// The document type's external subset and any external entity are refused
// here as well, should an option ever ask libxml2 to load them.
void onExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

xmlParserInputPtr onResolveEntity(void*, const xmlChar*, const xmlChar*) {
    return nullptr;
}

void onStructuredError(void* /*userData*/, xmlErrorPtr error) {
    if (!error || error->level != XML_ERR_FATAL || !error->ctxt) return;
    Session* s = sessionOf(error->ctxt);
    if (!s || s->failed) return;
    s->fail(error->code, fromXml(reinterpret_cast<const xmlChar*>(error->message)));
}

bool hasByteOrderMark(const QByteArray& b) {
    return b.startsWith("\xEF\xBB\xBF") || b.startsWith("\xFF\xFE") || b.startsWith("\xFE\xFF");
}

}  // namespace

// ---------------------------------------------------------------------------
// XMLEventParser

XMLEventParser::XMLEventParser(QByteArray bytes, QUrl url) : bytes_(std::move(bytes)), url_(std::move(url)) {}

XMLEventParser::~XMLEventParser() = default;

int XMLEventParser::lineNumber() const {
    return session_ ? xmlSAX2GetLineNumber(session_->ctxt) : lastLine_;
}

int XMLEventParser::columnNumber() const {
    return session_ ? xmlSAX2GetColumnNumber(session_->ctxt) : lastColumn_;
}

void XMLEventParser::abortParsing() {
    if (!session_ || session_->aborted || session_->failed) return;
    session_->aborted = true;
    xmlStopParser(session_->ctxt);
}

bool XMLEventParser::parse() {
    if (session_ || !delegate_) return false;  // no re-entry, nobody to tell
    error_.reset();

    if (!openFailure_.isNull() || bytes_.size() > INT_MAX) {
        XMLParseError e;
        e.code = XMLParseError::CannotOpenFile;
        e.message = openFailure_.isNull() ? QStringLiteral("Document too large") : openFailure_;
        error_ = e;
        delegate_->parserParseErrorOccurred(*this, e);
        return false;
    }

    xmlInitParser();
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) {
        XMLParseError e;
        e.code = XML_ERR_NO_MEMORY;
        e.message = QStringLiteral("Unable to create a parser");
        error_ = e;
        delegate_->parserParseErrorOccurred(*this, e);
        return false;
    }

    // libxml2's SAX2 handlers keep the document type and its entity table;
    // everything that reaches the reader, and everything that could load an
    // outside resource, is ours.
    xmlSAXHandler sax;
    xmlSAXVersion(&sax, 2);
    sax.startElementNs = onStartElement;
    sax.endElementNs = onEndElement;
    sax.startElement = nullptr;
    sax.endElement = nullptr;
    sax.characters = onCharacters;
    sax.ignorableWhitespace = onIgnorableWhitespace;
    sax.cdataBlock = onCDATA;
    sax.comment = onComment;
    sax.processingInstruction = onProcessingInstruction;
    sax.endDocument = onEndDocument;
    sax.getEntity = onGetEntity;
    sax.reference = onReference;
    sax.externalSubset = onExternalSubset;
    sax.resolveEntity = onResolveEntity;
    sax.serror = onStructuredError;
    sax.warning = nullptr;
    sax.error = nullptr;
    sax.fatalError = nullptr;
    *ctxt->sax = sax;

    Session session;
    session.owner = this;
    session.delegate = delegate_;
    session.ctxt = ctxt;
    session.deliveryLimit = qint64(bytes_.size()) * kMaxExpansionRatio + kExpansionFloor;
    ctxt->_private = &session;
    session_ = &session;

    // No XML_PARSE_NOENT (it would load external entities), no DTD loading,
    // no XML_PARSE_HUGE (it lifts libxml2's own depth and expansion limits).
    int options = XML_PARSE_NONET;
    if (hasByteOrderMark(bytes_)) options |= XML_PARSE_IGNORE_ENC;
    // The parser takes the bytes a block at a time, as from a file: reading
    // from memory would copy the whole document first and keep the copy
    // for as long as the parse runs.
    struct Reader {
        const QByteArray* bytes;
        qsizetype offset = 0;
        static int read(void* context, char* buffer, int len) {
            auto* r = static_cast<Reader*>(context);
            const qsizetype n = std::min<qsizetype>(len, r->bytes->size() - r->offset);
            if (n <= 0) return 0;
            std::memcpy(buffer, r->bytes->constData() + r->offset, size_t(n));
            r->offset += n;
            return int(n);
        }
        static int close(void*) { return 0; }
    } reader{&bytes_};
    xmlDocPtr doc = xmlCtxtReadIO(ctxt, &Reader::read, &Reader::close, &reader, nullptr, nullptr, options);

    lastLine_ = xmlSAX2GetLineNumber(ctxt);
    lastColumn_ = xmlSAX2GetColumnNumber(ctxt);
    const bool wellFormed = ctxt->wellFormed != 0;
    if (doc) xmlFreeDoc(doc);
    if (ctxt->myDoc) {
        xmlFreeDoc(ctxt->myDoc);
        ctxt->myDoc = nullptr;
    }
    ctxt->_private = nullptr;
    xmlFreeParserCtxt(ctxt);
    session_ = nullptr;

    if (session.aborted && !session.failed) {
        XMLParseError e;
        e.code = XMLParseError::Aborted;
        e.line = lastLine_;
        e.column = lastColumn_;
        e.message = QStringLiteral("Parsing aborted");
        error_ = e;
        delegate_->parserParseErrorOccurred(*this, e);
    }
    return wellFormed && !session.failed && !session.aborted;
}

// ---------------------------------------------------------------------------
// RKXMLFileParser

RKXMLFileParser::RKXMLFileParser() = default;
RKXMLFileParser::~RKXMLFileParser() = default;

void RKXMLFileParser::runParser(const XMLEventParserPtr& parser) {
    setAddressParser(parser);
    parser->setDelegate(this);
    reset();
    parser->parse();
}

Value RKXMLFileParser::parseFileAtLocation(const QUrl& url) {
    setFileURL(url);
    QByteArray bytes;
    QString failure;
    // Only local files are read; fetching remote documents is not a parser's job.
    if (url.isLocalFile()) {
        QFile file(url.toLocalFile());
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        else
            failure = QStringLiteral("Cannot open %1: %2").arg(url.toLocalFile(), file.errorString());
    } else {
        failure = QStringLiteral("Not a local file: %1").arg(url.toString());
    }

    auto parser = std::make_shared<XMLEventParser>(bytes, url);
    parser->setShouldResolveExternalEntities(true);
    parser->setShouldReportNamespacePrefixes(false);
    if (!failure.isNull()) parser->setOpenFailure(failure);
    setAddressParser(parser);
    parser->setDelegate(this);
    reset();
    if (!url.isEmpty()) setTitle(QFileInfo(url.path()).completeBaseName());
    parser->parse();
    setFileURL(QUrl());
    return data();
}

Value RKXMLFileParser::parseData(const QByteArray& bytes) {
    auto parser = std::make_shared<XMLEventParser>(bytes);
    parser->setShouldResolveExternalEntities(true);
    parser->setShouldReportNamespacePrefixes(true);
    runParser(parser);
    return data();
}

Value RKXMLFileParser::parseString(const QString& string) {
    QByteArray bytes;
    bytes.reserve((string.size() + 1) * 2);
    bytes.append(char(0xFF));
    bytes.append(char(0xFE));
    for (QChar c : string) {
        const char16_t u = c.unicode();
        bytes.append(char(u & 0xFF));
        bytes.append(char(u >> 8));
    }
    return parseData(bytes);
}

void RKXMLFileParser::reset() {}

void RKXMLFileParser::parserDidStartElement(XMLEventParser&, const QString&, const QString&, const QString&,
                                            const XMLAttributes&) {}

void RKXMLFileParser::parserFoundCharacters(XMLEventParser&, const QString&) {}

void RKXMLFileParser::parserDidEndElement(XMLEventParser&, const QString&, const QString&, const QString&) {}

void RKXMLFileParser::parserDidEndDocument(XMLEventParser&) {}

void RKXMLFileParser::parserFoundComment(XMLEventParser&, const QString&) {}

void RKXMLFileParser::parserDidStartMappingPrefix(XMLEventParser&, const QString& prefix, const QString&) {
    TSLogError("Prefix %@", prefix);
}

void RKXMLFileParser::parserDidEndMappingPrefix(XMLEventParser&, const QString& prefix) {
    TSLogError("End Prefix %@", prefix);
}

void RKXMLFileParser::parserParseErrorOccurred(XMLEventParser&, const XMLParseError& error) {
    TSLogError("Error in parsing %@", error.description());
}

void RKXMLFileParser::parserFoundIgnorableWhitespace(XMLEventParser&, const QString& whitespace) {
    TSLogError("Whitespace %@", whitespace);
}

void RKXMLFileParser::parserFoundProcessingInstructionWithTarget(XMLEventParser&, const QString& target,
                                                                 const QString& data) {
    TSLogError("foundProcessingInstructionWithTarget %@\n%@", target, data);
}

void RKXMLFileParser::parserFoundCDATA(XMLEventParser&, const QByteArray& block) {
    TSLogError("foundCDATA %@", QString::fromUtf8(block));
}

std::optional<QByteArray> RKXMLFileParser::parserResolveExternalEntityName(XMLEventParser&, const QString&,
                                                                           const QString&) {
    TSLogError("unable to resolve ExternalEntityName");
    return std::nullopt;
}

}  // namespace ts

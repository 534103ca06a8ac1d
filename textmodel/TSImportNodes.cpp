#include "TSCharacter.h"
#include "TSImportNodes.h"
#include "TSTextChunk.h"

#include "app/logging/LGLog.h"
#include "platform/Font.h"
#include "platform/Format.h"

#include <map>

// --- TSLine ---

void TSLine::addObject(const ts::Value& object, const QString&) {
    VDDataPtr item;
    if (object.isString()) {
        item = std::make_shared<TSTextPiece>(object.toString());
    } else if (auto text = object.toObjectAs<ts::AttributedString>()) {
        item = std::make_shared<TSTextPiece>(text);
    } else if (auto data = object.toObjectAs<VDData>()) {
        item = data;
    } else {
        return;
    }
    // Pieces are plain contents: no parent link.
    children()->addObject(item);
}

namespace {

// The font of the size; the text system's font and its bold face.
ts::Attributes attributesForSize(std::map<double, ts::Attributes>& cache, double size, bool bold) {
    auto it = cache.find(size);
    if (it != cache.end()) return it->second;
    ts::FontPtr font = ts::Font::defaultFont()->withSize(size);
    if (bold) font = font->withTraits(true, false);
    ts::Attributes a;
    a[ts::AttributeName::Font] = ts::Value(font);
    cache.emplace(size, a);
    return a;
}

}  // namespace

ts::Attributes TSLine::lineAttributes(double size) {
    static std::map<double, ts::Attributes> cache;
    return attributesForSize(cache, size, false);
}

ts::Attributes TSLine::headerAttributes(double size) {
    static std::map<double, ts::Attributes> cache;
    return attributesForSize(cache, size, true);
}

ts::AttributedStringPtr TSLine::stringOutput(double size) const {
    auto out = ts::AttributedString::make();
    const ts::Attributes line = lineAttributes(size);
    const ts::Attributes header = headerAttributes(size);
    auto c = childrenIfAny();
    if (c && c->storedData()) {
        for (const auto& item : *c->storedData()) {
            out->append(QStringLiteral(" "), line);
            if (dynamic_cast<const TSSpeaker*>(item.get()) || dynamic_cast<const TSStageDirection*>(item.get())) {
                out->append(ts::format("%@ ", item->name()), header);
            } else if (auto piece = dynamic_cast<const TSTextPiece*>(item.get())) {
                out->append(piece->string(), line);
            } else {
                out->append(ts::format("%@", item), line);
            }
        }
    }
    out->append(QStringLiteral("\n"), line);
    return out;
}

// --- TSCharacter ---

ts::Value TSCharacter::serialize() const {
    ts::ValueDictionary d;
    if (!name().isNull()) d[QStringLiteral("name")] = name();
    if (!roleDescription_.isNull()) d[QStringLiteral("Role description")] = roleDescription_;
    d[QStringLiteral("ClassName")] = className();
    return d;
}

void TSCharacter::importFromDictionary(const ts::Value& dictionary) {
    const ts::Value& n = dictionary[QStringLiteral("name")];
    VDData::setName(n.isString() ? n.toString() : QString());
    const ts::Value& r = dictionary[QStringLiteral("Role description")];
    roleDescription_ = r.isString() ? r.toString() : QString();
}

TSCharacterPtr TSCharacter::dataFromDictionary(const ts::Value& dictionary) {
    auto c = std::make_shared<TSCharacter>();
    c->importFromDictionary(dictionary);
    return c;
}

ts::AttributedStringPtr TSCharacter::stringOutput(double) const {
    QString s = name().isNull() ? QString(QStringLiteral("")) : name();
    if (!roleDescription_.isNull()) s += ts::format(" %@", roleDescription_);
    return ts::AttributedString::make(s);
}

// --- TSTextChunk ---

ts::AttributedStringPtr TSTextChunk::header() const {
    if (name().isNull()) return nullptr;
    return ts::AttributedString::make(ts::format("%@\n", name()), attributes());
}

void TSTextChunk::addObject(const ts::ObjectPtr& object, const QString& language) {
    if (!object || language.isNull()) return;
    if (language == QLatin1String("Latin")) {
        latinChunks_.push_back(object);
        if (auto line = std::dynamic_pointer_cast<TSLine>(object))
            if (line->chunkLine() == 0) line->setChunkLine(qint64(latinChunks_.size()) - 1);
    } else {
        englishChunks_.push_back(object);
    }
}

TSMatchedChunkPtr TSTextChunk::matchLatinChunk(const std::shared_ptr<TSLine>& line) const {
    if (!line) return nullptr;
    auto m = std::make_shared<TSMatchedChunk>();
    m->setLatin(line->stringOutput(baseSize()));
    m->setLocation(ts::AttributedString::make(ts::format("%li", line->chunkLine()), locationAttributes().value_or(ts::Attributes{})));
    return m;
}

TSTextChunk::Items TSTextChunk::matchChunks() const {
    Items out;
    for (const auto& item : latinChunks_) {
        if (std::dynamic_pointer_cast<TSTextChunk>(item)) {
            out.push_back(item);
        } else if (auto line = std::dynamic_pointer_cast<TSLine>(item)) {
            if (auto m = matchLatinChunk(line)) out.push_back(m);
            else TSLogError("Failed to match chunk %@", line->name());
        }
    }
    return out;
}

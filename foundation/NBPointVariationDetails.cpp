#include "NBPointVariationDetails.h"

#include "app/logging/LGLog.h"
#include "platform/Format.h"

#include <QHash>

TS_REGISTER_CLASS(NBPointVariationDetails)

namespace {

const QString kName = QStringLiteral("name");
const QString kNumWaves = QStringLiteral("numWaves");
const QString kPhaseShift = QStringLiteral("phaseShift");
const QString kAmplitude = QStringLiteral("amplitude");
const QString kPhase = QStringLiteral("phase");
const QString kDrawDirection = QStringLiteral("drawDirection");

// Reads a lazily defaulted field: an unset one takes the default and keeps it.
const ts::Value& defaulted(ts::Value& field, const ts::Value& fallback) {
    if (field.isNull()) field = fallback;
    return field;
}

}  // namespace

const QStringList& NBPointVariationDetails::saveableKeys() {
    static const QStringList keys{kName, kNumWaves, kPhaseShift, kAmplitude, kPhase, kDrawDirection};
    return keys;
}

QString NBPointVariationDetails::name() const { return name_.isNull() ? QStringLiteral("") : name_; }

int NBPointVariationDetails::numWaves() const { return int(defaulted(numWaves_, qint64(3)).toInt64()); }

int NBPointVariationDetails::phaseShift() const { return int(defaulted(phaseShift_, qint64(0)).toInt64()); }

double NBPointVariationDetails::amplitude() const { return defaulted(amplitude_, 0.02).toDouble(); }

bool NBPointVariationDetails::phase() const { return defaulted(phase_, false).toBool(); }

int NBPointVariationDetails::drawDirection() const { return int(defaulted(drawDirection_, qint64(0)).toInt64()); }

ts::Value NBPointVariationDetails::value(const QString& key) const {
    if (key == kName) return name();
    if (key == kNumWaves) return qint64(numWaves());
    if (key == kPhaseShift) return qint64(phaseShift());
    if (key == kAmplitude) return amplitude();
    if (key == kPhase) return phase();
    if (key == kDrawDirection) return qint64(drawDirection());
    TSLogError("No value for key %@", key);
    return {};
}

ts::Value NBPointVariationDetails::storedValue(const QString& key) const {
    if (key == kName) return name_.isNull() ? ts::Value() : ts::Value(name_);
    if (key == kNumWaves) return numWaves_;
    if (key == kPhaseShift) return phaseShift_;
    if (key == kAmplitude) return amplitude_;
    if (key == kPhase) return phase_;
    if (key == kDrawDirection) return drawDirection_;
    TSLogError("No value for key %@", key);
    return {};
}

bool NBPointVariationDetails::setValue(const ts::Value& value, const QString& key) {
    if (key == kName) {
        if (value.isNull()) {
            name_ = QString();
            return true;
        }
        if (!value.isString()) {
            TSLogError("Value %@ for key %@ is not a string", value, key);
            return false;
        }
        name_ = value.toString();
        return true;
    }
    ts::Value* field = nullptr;
    if (key == kNumWaves) field = &numWaves_;
    else if (key == kPhaseShift) field = &phaseShift_;
    else if (key == kAmplitude) field = &amplitude_;
    else if (key == kPhase) field = &phase_;
    else if (key == kDrawDirection) field = &drawDirection_;
    if (!field) {
        TSLogError("No value for key %@", key);
        return false;
    }
    if (value.isNull()) {
        *field = ts::Value();
        return true;
    }
    if (!value.isNumber()) {
        TSLogError("Value %@ for key %@ is not a number", value, key);
        return false;
    }
    // Each field keeps the kind of number its getter answers.
    if (field == &amplitude_) *field = value.toDouble();
    else if (field == &phase_) *field = value.toBool();
    else *field = value.isReal() ? qint64(value.toDouble()) : value.toInt64();
    return true;
}

void NBPointVariationDetails::encodeWithCoder(ts::Coder& coder) const {
    for (const QString& key : saveableKeys()) coder.encodeObject(value(key), key);
}

bool NBPointVariationDetails::initWithCoder(ts::Coder& coder) {
    for (const QString& key : saveableKeys()) {
        if (!setValue(coder.decodeObject(key), key)) setValue(ts::Value(), key);
    }
    return true;
}

ts::ObjectPtr NBPointVariationDetails::copy() const {
    auto c = std::dynamic_pointer_cast<NBPointVariationDetails>(newInstance());
    if (!c) return nullptr;
    for (const QString& key : saveableKeys()) {
        const ts::Value v = value(key);
        if (!v.isNull()) c->setValue(v, key);
    }
    return c;
}

bool NBPointVariationDetails::isEqualTo(const NBPointVariationDetails* other) const {
    if (!other) return false;
    if (name_.isNull() && other->name_.isNull()) return true;
    if (name_.isNull() || other->name_.isNull()) return false;
    return name_ == other->name_;
}

bool NBPointVariationDetails::isEqual(const ts::Object& other) const {
    return isEqualTo(dynamic_cast<const NBPointVariationDetails*>(&other));
}

quint64 NBPointVariationDetails::stringHash(const QString& text) { return quint64(qHash(text, size_t(0))); }

quint64 NBPointVariationDetails::integrityHash() const {
    quint64 h = stringHash(className());
    if (!name_.isNull()) h = stringHash(name_) + h * 31u;
    return h;
}

QString NBPointVariationDetails::hashComponents() const {
    return ts::format(QStringLiteral("%@ %lu %@ %lu"), className(), stringHash(className()), name(), integrityHash());
}

QString NBPointVariationDetails::description() const {
    return QStringLiteral("<%1: %2>").arg(className(), name());
}

#include "VDData.h"

#include "app/logging/LGLog.h"

TS_REGISTER_CLASS(VDData)

ts::ObjectPtr VDData::copy() const {
    auto c = std::dynamic_pointer_cast<VDData>(newInstance());
    if (!c) return nullptr;
    // The field itself, not setName: a subclass's setName may pull in settings
    // that the copy would then carry twice.
    c->name_ = name_.isNull() ? QString() : QString(name_.constData(), name_.size());
    return c;
}

void VDData::encodeWithCoder(ts::Coder& coder) const {
    if (!name_.isNull()) coder.encodeObject(ts::Value(name_), QStringLiteral("name"));
}

bool VDData::initWithCoder(ts::Coder& coder) {
    if (!coder.allowsKeyedCoding()) {
        TSLogError("Panic here");
        name_ = QString();
        return true;
    }
    const ts::Value v = coder.decodeObject(QStringLiteral("name"));
    name_ = v.isString() ? v.toString() : QString();
    return true;
}

ts::ValueDictionary VDData::baseDictionary() const {
    ts::ValueDictionary d;
    d[QStringLiteral("ClassName")] = className();
    if (!name_.isNull()) d[QStringLiteral("name")] = name_;
    return d;
}

ts::Value VDData::serialize() const { return baseDictionary(); }

void VDData::importFromDictionary(const ts::Value& dictionary) {
    const ts::Value& n = dictionary[QStringLiteral("name")];
    name_ = n.isString() ? n.toString() : QString();
}

bool VDData::containsString(const QString& text) const {
    if (name_.isNull() || text.isEmpty()) return false;
    return name_.startsWith(text, Qt::CaseInsensitive);
}

QString VDData::description() const {
    return name_.isNull() ? QStringLiteral("<%1>").arg(className())
                          : QStringLiteral("<%1: %2>").arg(className(), name_);
}

VDDataPtr VDData::dataFromDictionary(const ts::Value&) {
    TSLogError("Must override dataFromDictionary %@", staticClassName());
    return nullptr;
}

VDDataPtr VDData::dataFromDictionary(const QString& className, const ts::Value& dictionary) {
    const auto info = ts::ClassRegistry::info(className);
    if (!info) return nullptr;
    if (!info->fromDictionary) {
        TSLogError("Must override dataFromDictionary %@", className);
        return nullptr;
    }
    return std::dynamic_pointer_cast<VDData>(info->fromDictionary(dictionary));
}

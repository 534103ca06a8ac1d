#pragma once
// Root of every persistent model object.
//
// An object turns itself into a property-list dictionary naming its own class
// under "ClassName" (serialize), is rebuilt from one by the class named there
// (dataFromDictionary), archives its name under "name", copies itself, and
// answers the case-insensitive prefix test that searches over collections use.
// Main-thread model object; not synchronised.

#include "platform/ClassRegistry.h"
#include "platform/Coder.h"
#include "platform/Object.h"
#include "platform/Value.h"

#include <memory>

class VDData;
using VDDataPtr = std::shared_ptr<VDData>;

class VDData : public ts::Object {
    TS_OBJECT(VDData, ts::Object)

public:
    VDData() = default;

    // A null QString means "no name".
    QString name() const { return name_; }
    virtual void setName(const QString& name) { name_ = name; }

    QString key() const { return name_; }

    ts::ObjectPtr copy() const override;
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;

    // A dictionary (or, for collections, an array) of property-list values.
    virtual ts::Value serialize() const;
    // Sets the name from the entry "name"; an absent entry clears it.
    virtual void importFromDictionary(const ts::Value& dictionary);

    // YES when the name begins with the text, compared case-insensitively. An
    // object without a name, or an empty text, answers NO.
    virtual bool containsString(const QString& text) const;

    QString description() const override;

    // The factory of the base class: there is none, so it logs and answers
    // nothing. Classes read back from dictionaries register their own.
    static VDDataPtr dataFromDictionary(const ts::Value& dictionary);

    // Makes an object from a dictionary through the factory of the class
    // registered under className. Answers nothing for an unregistered class,
    // for a class without a factory (logged, as the base factory does), and
    // for a result that is not a VDData.
    static VDDataPtr dataFromDictionary(const QString& className, const ts::Value& dictionary);

protected:
    // The "ClassName"/"name" dictionary every serialize starts from.
    ts::ValueDictionary baseDictionary() const;

private:
    QString name_;
};

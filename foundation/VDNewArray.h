#pragma once
// Persistent ordered container of VDData members.
//
// Serialises to a bare array of its members' dictionaries (its own name is not
// written), rebuilds each member through the class named under its
// "ClassName", exports XML property lists and imports any property-list
// format. A container decoded from an archive without "storedData" has no
// member list at all: reads log and answer nothing, writes do nothing.
// Main-thread model object; not synchronised.

#include "VDData.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

class VDNewArray;
using VDNewArrayPtr = std::shared_ptr<VDNewArray>;

// Declares the factories that answer a container of the declaring class.
#define TS_VDNEWARRAY_FACTORIES(Cls)                                                                 \
public:                                                                                              \
    static std::shared_ptr<Cls> array() { return std::make_shared<Cls>(); }                         \
    static std::shared_ptr<Cls> dataFromArray(const ts::Value& array) {                              \
        auto c = std::make_shared<Cls>();                                                            \
        c->fillFromArray(array);                                                                     \
        return c;                                                                                    \
    }                                                                                                \
    static std::shared_ptr<Cls> importFromPListData(const QByteArray& data) {                        \
        return dataFromArray(::VDNewArray::readPListArray(data));                                    \
    }                                                                                                \
                                                                                                     \
private:

class VDNewArray : public VDData {
    TS_OBJECT(VDNewArray, VDData)
    TS_VDNEWARRAY_FACTORIES(VDNewArray)

public:
    using Members = std::vector<VDDataPtr>;
    // Compares two members; the first comparator that tells them apart decides.
    using SortDescriptor = std::function<int(const VDData&, const VDData&)>;

    VDNewArray();

    // The member list; nullopt when the container has none (see above).
    const std::optional<Members>& storedData() const { return storedData_; }
    void setStoredData(std::optional<Members> members) { storedData_ = std::move(members); }

    bool dirty() const { return dirty_; }
    void setDirty(bool dirty) { dirty_ = dirty; }

    ts::ObjectPtr copy() const override;
    ts::Value serialize() const override;
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;

    // The serialised array as an XML property list, or, when a string holds a
    // character XML cannot (logged), as a binary one; nothing (logged) when
    // neither writer can.
    virtual QByteArray exportToPListFormat() const;
    QByteArray exportData() const { return {}; }

    quint64 count() const;
    Members objectEnumerator() const;
    Members reverseObjectEnumerator() const;
    VDDataPtr lastObject() const;
    VDDataPtr objectAtIndex(quint64 index) const;
    void addObject(const VDDataPtr& member);
    void addObject(VDDataPtr&& member);
    bool addObjectIfNotPresent(const VDDataPtr& member);
    bool removeObjectAtIndex(quint64 index);
    bool removeObject(const VDDataPtr& member);
    void removeAllObjects();
    // Gives back the room the list kept to grow.
    void squeeze() {
        if (storedData_) storedData_->shrink_to_fit();
    }
    void sort();
    void sortUsingDescriptors(const std::vector<SortDescriptor>& descriptors);

    VDDataPtr nameMatching(const QString& name) const;
    VDNewArrayPtr searchForText(const QString& text) const;
    Members recordsContainingString(const QString& text) const;
    QStringList recordNamesContainingString(const QString& text) const;
    QStringList findSubstringInArray(const QString& text) const;
    QStringList nameList() const;

    // Appends the members that the property-list array describes; see
    // dataFromArray.
    void fillFromArray(const ts::Value& array);
    // Reads a property list of any format; anything but an array answers an
    // empty array.
    static ts::Value readPListArray(const QByteArray& data);

    // Deepest nesting of containers rebuilt from property lists.
    static constexpr int kMaxNesting = 256;

private:
    static bool sameMember(const VDDataPtr& a, const VDDataPtr& b);

    std::optional<Members> storedData_;
    bool dirty_ = false;
};

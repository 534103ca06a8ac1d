#pragma once
// A named set of wave-drawing parameters for a point: how many waves, their
// amplitude, a phase shift, a phase flag and the direction they are drawn in.
//
// Every field may be unset. The getters of the five wave fields store their
// default the first time they find the field unset (numWaves 3, phaseShift 0,
// amplitude 0.02, phase false, drawDirection 0) and answer it from then on;
// name() answers the empty string for an unset name without storing it.
// storedValue() shows a field as it is, defaults not applied.
//
// Keyed coding, copying and key-value access all walk one list of keys,
// saveableKeys(), so no field has coding of its own. Encoding reads through
// the getters and so writes the defaults (and stores them on the receiver).
// Decoding sets each key from the archive; an absent key, or a value of the
// wrong kind (logged), leaves the field unset so its default applies.
//
// Equality is by name only; integrityHash() agrees with it. The hashes are
// computed with a fixed seed and so are the same in every run.
// Main-thread model object; not synchronised (getters may store defaults).

#include "platform/ClassRegistry.h"
#include "platform/Coder.h"
#include "platform/Object.h"
#include "platform/Value.h"

#include <memory>

class NBPointVariationDetails;
using NBPointVariationDetailsPtr = std::shared_ptr<NBPointVariationDetails>;

class NBPointVariationDetails : public ts::Object {
    TS_OBJECT(NBPointVariationDetails, ts::Object)

public:
    enum DrawDirection { DrawNone = 0, DrawUp = 1, DrawDown = 2, DrawAlternate = 3 };

    NBPointVariationDetails() = default;

    // "name", "numWaves", "phaseShift", "amplitude", "phase", "drawDirection".
    static const QStringList& saveableKeys();

    QString name() const;
    void setName(const QString& name) { name_ = name; }
    int numWaves() const;
    void setNumWaves(int numWaves) { numWaves_ = qint64(numWaves); }
    int phaseShift() const;
    void setPhaseShift(int phaseShift) { phaseShift_ = qint64(phaseShift); }
    double amplitude() const;
    void setAmplitude(double amplitude) { amplitude_ = amplitude; }
    bool phase() const;
    void setPhase(bool phase) { phase_ = phase; }
    int drawDirection() const;
    void setDrawDirection(int drawDirection) { drawDirection_ = qint64(drawDirection); }

    bool drawsUp() const { return drawDirection() == DrawUp; }
    bool drawsDown() const { return drawDirection() == DrawDown; }
    bool drawsAlternate() const { return drawDirection() == DrawAlternate; }
    bool rightPhase() const { return phase(); }

    // Key-value access by saveable key. value() reads through the getter
    // (defaults applied); storedValue() reads the field (null when unset).
    // setValue() with a null value unsets the field; a value of the wrong
    // kind or an unknown key is logged and changes nothing (answers false).
    ts::Value value(const QString& key) const;
    ts::Value storedValue(const QString& key) const;
    bool setValue(const ts::Value& value, const QString& key);

    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;
    ts::ObjectPtr copy() const override;

    // True when both names are unset, else when the names are equal. A null
    // other record is never equal.
    bool isEqualTo(const NBPointVariationDetails* other) const;
    bool isEqual(const ts::Object& other) const override;
    size_t hash() const override { return size_t(integrityHash()); }

    // The hash of the class name, combined (h = hash(name) + 31 * h) with the
    // hash of the stored name when there is one.
    quint64 integrityHash() const;
    // "<class name> <class-name hash> <name> <integrityHash>".
    QString hashComponents() const;
    // The string hash the two above are built from.
    static quint64 stringHash(const QString& text);

    QString description() const override;

private:
    // Unset fields are null Values; set ones hold a string, an integer, a
    // real or a boolean according to the field.
    QString name_;  // null when unset
    mutable ts::Value numWaves_;
    mutable ts::Value phaseShift_;
    mutable ts::Value amplitude_;
    mutable ts::Value phase_;
    mutable ts::Value drawDirection_;
};

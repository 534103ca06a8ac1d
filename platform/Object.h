#pragma once
// Base of every object that can be archived, copied and made by class name.
//
// Classes declare themselves with TS_OBJECT(Class, Base), which supplies the
// exact class name (the one written to files and looked up again), the
// superclass chain written beside it in keyed archives, and a fresh instance
// for copies. Objects are shared through std::shared_ptr.

#include <QString>
#include <QStringList>

#include <memory>

namespace ts {

class Coder;
class Object;
using ObjectPtr = std::shared_ptr<Object>;

class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;

    static QString staticClassName() { return QStringLiteral("NSObject"); }
    virtual QString className() const { return staticClassName(); }
    // Most derived first, ending with "NSObject".
    virtual QStringList classHierarchy() const { return {staticClassName()}; }
    bool isKindOfClass(const QString& name) const { return classHierarchy().contains(name); }

    // A new, initialised instance of the receiver's own class.
    virtual ObjectPtr newInstance() const { return std::make_shared<Object>(); }

    // Copying: by default a fresh instance of the same class.
    virtual ObjectPtr copy() const { return newInstance(); }

    // Keyed coding. initWithCoder answers false when the object could not be
    // read; the decoder then treats it as absent.
    virtual void encodeWithCoder(Coder&) const {}
    virtual bool initWithCoder(Coder&) { return true; }

    // Identity by default; value classes compare their contents.
    virtual bool isEqual(const Object& other) const { return this == &other; }
    virtual size_t hash() const { return reinterpret_cast<size_t>(this); }
    // Ordering for sorts by compare:; the default orders by class name.
    virtual int compare(const Object& other) const { return className().compare(other.className()); }

    virtual QString description() const { return QStringLiteral("<%1>").arg(className()); }

    template <class T> std::shared_ptr<T> sharedAs() { return std::dynamic_pointer_cast<T>(shared_from_this()); }
    template <class T> std::shared_ptr<const T> sharedAs() const { return std::dynamic_pointer_cast<const T>(shared_from_this()); }
};

}  // namespace ts

#define TS_OBJECT(Cls, Base)                                                            \
public:                                                                                 \
    static QString staticClassName() { return QStringLiteral(#Cls); }                  \
    QString className() const override { return staticClassName(); }                   \
    QStringList classHierarchy() const override {                                       \
        QStringList l = Base::classHierarchy();                                         \
        l.prepend(staticClassName());                                                   \
        return l;                                                                       \
    }                                                                                   \
    ::ts::ObjectPtr newInstance() const override { return std::make_shared<Cls>(); }    \
                                                                                        \
private:

#include "foundation/gui/DisableSubviews.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace DisableSubviews {
namespace {

// Depth-first; widget trees are shallow, but a hostile or buggy tree could
// not be deeper than the object tree Qt itself keeps, so recursion is safe.
void walk(QWidget* view, bool disable, const Filter& filter) {
    const QList<QWidget*> children = view->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        walk(child, disable, filter);
        if (isControl(child) && filter(child)) child->setEnabled(!disable);
    }
}

bool inRange(qint64 t, qint64 location, qint64 length) {
    // Written to avoid overflow of location + length.
    return t >= location && length > 0 && t - location < length;
}

}  // namespace

bool isControl(const QWidget* w) {
    if (!w) return false;
    const QVariant explicitFlag = w->property("control");
    if (explicitFlag.isValid()) return explicitFlag.toBool();
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QLabel*>(w);
}

qint64 tag(const QWidget* w) { return w ? w->property("tag").toLongLong() : 0; }

void disableSubviewsFilter(QWidget* view, bool disable, const Filter& filter) {
    if (!view) return;
    const Filter accept = filter ? filter : Filter([](QWidget*) { return true; });
    walk(view, disable, accept);
}

void disableSubviews(QWidget* view, bool disable) { disableSubviewsFilter(view, disable, {}); }

void disableSubviewsOfType(QWidget* view, bool disable, const QMetaObject& type) {
    disableSubviewsFilter(view, disable, [&type](QWidget* w) { return w->metaObject()->inherits(&type); });
}

void enableSubviews(QWidget* view, bool disable, const QMetaObject& type) { disableSubviewsOfType(view, disable, type); }

void disableSubviewsInTagRange(QWidget* view, bool disable, qint64 location, qint64 length) {
    disableSubviewsFilter(view, disable, [=](QWidget* w) { return inRange(tag(w), location, length); });
}

void disableSubviewsStartTag(QWidget* view, bool disable, qint64 start, qint64 end) {
    disableSubviewsFilter(view, disable, [=](QWidget* w) {
        const qint64 t = tag(w);
        return t >= start && t <= end;
    });
}

void disableSubviewsWithTags(QWidget* view, bool disable, const QList<qint64>& tags) {
    disableSubviewsFilter(view, disable, [&tags](QWidget* w) { return tags.contains(tag(w)); });
}

void disableSubviewsOfTypeInTagRange(QWidget* view, bool disable, const QMetaObject& type, qint64 location, qint64 length) {
    disableSubviewsFilter(view, disable,
                          [&type, location, length](QWidget* w) { return w->metaObject()->inherits(&type) && inRange(tag(w), location, length); });
}

void disableSubviewsOfTypeWithTags(QWidget* view, bool disable, const QMetaObject& type, const QList<qint64>& tags) {
    disableSubviewsFilter(view, disable, [&type, &tags](QWidget* w) { return w->metaObject()->inherits(&type) && tags.contains(tag(w)); });
}

}  // namespace DisableSubviews

#pragma once
// Enabling and disabling the controls inside a widget, recursively, chosen
// by class, by tag range or by a list of tags. The flag is true to disable.
//
// Only controls are switched (buttons, fields, sliders, spin and combo
// boxes, item views, labels, or any widget whose "control" property is
// true); containers are walked into but never switched themselves, because
// disabling a container would disable everything in it. A widget's tag is
// its "tag" property (a signed 64-bit integer, 0 when unset). The deepest
// widgets are handled first; the receiver itself is never changed.
// Main thread.

#include <QList>
#include <QVariant>

#include <functional>

class QMetaObject;
class QWidget;

namespace DisableSubviews {

using Filter = std::function<bool(QWidget*)>;

bool isControl(const QWidget* widget);
qint64 tag(const QWidget* widget);

// Controls the filter accepts; an empty filter accepts every control.
void disableSubviewsFilter(QWidget* view, bool disable, const Filter& filter);
void disableSubviews(QWidget* view, bool disable);
// Controls of the class or a subclass.
void disableSubviewsOfType(QWidget* view, bool disable, const QMetaObject& type);
// The same as disableSubviewsOfType: true disables here too.
void enableSubviews(QWidget* view, bool disable, const QMetaObject& type);
// location ≤ tag < location + length.
void disableSubviewsInTagRange(QWidget* view, bool disable, qint64 location, qint64 length);
// start ≤ tag ≤ end.
void disableSubviewsStartTag(QWidget* view, bool disable, qint64 start, qint64 end);
void disableSubviewsWithTags(QWidget* view, bool disable, const QList<qint64>& tags);
void disableSubviewsOfTypeInTagRange(QWidget* view, bool disable, const QMetaObject& type, qint64 location, qint64 length);
void disableSubviewsOfTypeWithTags(QWidget* view, bool disable, const QMetaObject& type, const QList<qint64>& tags);

}  // namespace DisableSubviews

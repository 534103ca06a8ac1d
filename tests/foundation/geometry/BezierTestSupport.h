#pragma once

#include "foundation/geometry/BezierPath.h"

#include <initializer_list>
#include <limits>

namespace {

using Kind = BezierPath::ElementKind;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A path of straight lines through the points, closed on request.
inline BezierPath polyline(std::initializer_list<QPointF> pts, bool close = false) {
    BezierPath p;
    for (const QPointF& pt : pts) {
        if (p.elements().empty()) p.moveToPoint(pt); else p.lineToPoint(pt);
    }
    if (close) p.closePath();
    return p;
}

}  // namespace

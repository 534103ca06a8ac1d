#include "BezierPath.h"

#include "app/logging/LGLog.h"

#include <algorithm>
#include <cmath>

namespace {

using Kind = BezierPath::ElementKind;

QPointF cubicAt(const QPointF& p0, const QPointF& c1, const QPointF& c2, const QPointF& p3, double t) {
    const double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * p3;
}

// Parameters in (0, 1) where one coordinate of the cubic has an extreme: the
// roots of the derivative a t^2 + b t + c.
void cubicExtremes(double p0, double c1, double c2, double p3, std::vector<double>& out) {
    const double a = -p0 + 3 * c1 - 3 * c2 + p3;
    const double b = 2 * (p0 - 2 * c1 + c2);
    const double c = c1 - p0;
    auto keep = [&out](double t) {
        if (t > 0 && t < 1) out.push_back(t);
    };
    if (a == 0) {
        if (b != 0) keep(-c / b);
        return;
    }
    const double disc = b * b - 4 * a * c;
    if (disc < 0) return;
    const double root = std::sqrt(disc);
    keep((-b + root) / (2 * a));
    keep((-b - root) / (2 * a));
}

double distanceToChord(const QPointF& p, const QPointF& a, const QPointF& b) {
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double len = std::hypot(dx, dy);
    if (len == 0) return std::hypot(p.x() - a.x(), p.y() - a.y());
    return std::fabs((p.x() - a.x()) * dy - (p.y() - a.y()) * dx) / len;
}

// Cuts the curve in halves until each piece lies within the flatness of its
// chord; depth is capped so that a curve with huge or non-finite control
// points still ends.
void flattenCubic(const QPointF& p0, const QPointF& c1, const QPointF& c2, const QPointF& p3, int depth,
                  BezierPath& out) {
    const double d = std::max(distanceToChord(c1, p0, p3), distanceToChord(c2, p0, p3));
    if (depth >= 16 || !(d > BezierPath::kFlatness)) {
        out.lineToPoint(p3);
        return;
    }
    const QPointF p01 = (p0 + c1) / 2, p12 = (c1 + c2) / 2, p23 = (c2 + p3) / 2;
    const QPointF p012 = (p01 + p12) / 2, p123 = (p12 + p23) / 2;
    const QPointF mid = (p012 + p123) / 2;
    flattenCubic(p0, p01, p012, mid, depth + 1, out);
    flattenCubic(mid, p123, p23, p3, depth + 1, out);
}

}  // namespace

bool BezierPath::Element::operator==(const Element& o) const {
    if (kind != o.kind) return false;
    for (size_t i = 0; i < points.size(); ++i)
        if (!exactlyEqual(points[i], o.points[i])) return false;
    return true;
}

BezierPath BezierPath::fromElements(const std::vector<Element>& elements) {
    BezierPath path;
    path.elements_ = elements;
    for (Element& e : path.elements_) {
        // Only the points an element uses are kept, so that equal paths
        // compare equal.
        if (e.kind == Kind::ClosePath) e.points = {};
        if (e.kind == Kind::MoveTo || e.kind == Kind::LineTo) e.points[1] = e.points[2] = QPointF();
    }
    return path;
}

BezierPath BezierPath::fromPainterPath(const QPainterPath& path) {
    BezierPath out;
    size_t subpathFirst = 0;  // index of the subpath's move-to in out
    auto finishSubpath = [&out, &subpathFirst]() {
        if (out.elements_.size() < subpathFirst + 2) return;
        const QPointF start = out.elements_[subpathFirst].points[0];
        Element& last = out.elements_.back();
        if (last.kind == Kind::LineTo && exactlyEqual(last.points[0], start)) {
            last = Element{Kind::ClosePath, {}};
        } else if (last.kind == Kind::CurveTo && exactlyEqual(last.points[2], start)) {
            out.elements_.push_back(Element{Kind::ClosePath, {}});
        }
    };
    const int count = path.elementCount();
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            finishSubpath();
            subpathFirst = out.elements_.size();
            out.elements_.push_back(Element{Kind::MoveTo, {QPointF(e.x, e.y), QPointF(), QPointF()}});
            break;
        case QPainterPath::LineToElement:
            out.elements_.push_back(Element{Kind::LineTo, {QPointF(e.x, e.y), QPointF(), QPointF()}});
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < count) {
                const QPainterPath::Element c2 = path.elementAt(i + 1);
                const QPainterPath::Element end = path.elementAt(i + 2);
                out.elements_.push_back(
                    Element{Kind::CurveTo, {QPointF(e.x, e.y), QPointF(c2.x, c2.y), QPointF(end.x, end.y)}});
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;  // consumed with its curve
        }
    }
    finishSubpath();
    return out;
}

QPainterPath BezierPath::toPainterPath() const {
    QPainterPath out;
    bool open = false;  // whether there is a current point to draw from
    for (const Element& e : elements_) {
        switch (e.kind) {
        case Kind::MoveTo:
            out.moveTo(e.points[0]);
            open = true;
            break;
        case Kind::LineTo:
            if (open) out.lineTo(e.points[0]); else out.moveTo(e.points[0]);
            open = true;
            break;
        case Kind::CurveTo:
            if (open) out.cubicTo(e.points[0], e.points[1], e.points[2]); else out.moveTo(e.points[2]);
            open = true;
            break;
        case Kind::ClosePath:
            out.closeSubpath();
            break;
        }
    }
    return out;
}

BezierPath BezierPath::bezierPathWithRect(const QRectF& rect) {
    const QRectF r = rect.normalized();
    BezierPath path;
    path.moveToPoint(QPointF(r.left(), r.top()));
    path.lineToPoint(QPointF(r.right(), r.top()));
    path.lineToPoint(QPointF(r.right(), r.bottom()));
    path.lineToPoint(QPointF(r.left(), r.bottom()));
    path.closePath();
    return path;
}

BezierPath BezierPath::bezierPathWithOvalInRect(const QRectF& rect) {
    // Control points at this fraction of the radius make each quarter curve
    // meet the circle at its middle.
    constexpr double k = 0.5522847498307936;
    const QRectF r = rect.normalized();
    const double cx = r.center().x(), cy = r.center().y();
    const double rx = r.width() / 2, ry = r.height() / 2;
    BezierPath path;
    path.moveToPoint(QPointF(cx + rx, cy));
    path.curveToPoint(QPointF(cx, cy + ry), QPointF(cx + rx, cy + k * ry), QPointF(cx + k * rx, cy + ry));
    path.curveToPoint(QPointF(cx - rx, cy), QPointF(cx - k * rx, cy + ry), QPointF(cx - rx, cy + k * ry));
    path.curveToPoint(QPointF(cx, cy - ry), QPointF(cx - rx, cy - k * ry), QPointF(cx - k * rx, cy - ry));
    path.curveToPoint(QPointF(cx + rx, cy), QPointF(cx + k * rx, cy - ry), QPointF(cx + rx, cy - k * ry));
    path.closePath();
    return path;
}

BezierPath::ElementKind BezierPath::elementAtIndex(qint64 index, QPointF* points) const {
    if (index < 0 || index >= elementCount()) {
        TSLogError("Element %li out of range of %li elements", index, elementCount());
        return Kind::ClosePath;
    }
    const Element& e = elements_[size_t(index)];
    if (points) {
        switch (e.kind) {
        case Kind::MoveTo:
        case Kind::LineTo:
            points[0] = e.points[0];
            break;
        case Kind::CurveTo:
            points[0] = e.points[0];
            points[1] = e.points[1];
            points[2] = e.points[2];
            break;
        case Kind::ClosePath:
            break;
        }
    }
    return e.kind;
}

QPointF BezierPath::currentPoint() const {
    if (elements_.empty()) return QPointF();
    return outlinePoint(elements_.size() - 1);
}

QRectF BezierPath::bounds() const {
    if (elements_.empty()) return QRectF();
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    // A point that is not finite has no place to stretch the bounds to; taking
    // it in would turn every measure built on the bounds into NaN.
    auto include = [&](const QPointF& p) {
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return;
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    };
    QPointF current;
    for (size_t i = 0; i < elements_.size(); ++i) {
        const Element& e = elements_[i];
        switch (e.kind) {
        case Kind::MoveTo:
        case Kind::LineTo:
            include(e.points[0]);
            current = e.points[0];
            break;
        case Kind::CurveTo: {
            include(e.points[2]);
            if (i == 0) include(current);
            std::vector<double> ts;
            cubicExtremes(current.x(), e.points[0].x(), e.points[1].x(), e.points[2].x(), ts);
            cubicExtremes(current.y(), e.points[0].y(), e.points[1].y(), e.points[2].y(), ts);
            for (double t : ts) include(cubicAt(current, e.points[0], e.points[1], e.points[2], t));
            current = e.points[2];
            break;
        }
        case Kind::ClosePath:
            current = subpathStart(i);
            break;
        }
    }
    if (minX > maxX) return QRectF();
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

void BezierPath::moveToPoint(const QPointF& point) {
    elements_.push_back(Element{Kind::MoveTo, {point, QPointF(), QPointF()}});
}

void BezierPath::continueAfterClose() {
    if (!elements_.empty() && elements_.back().kind == Kind::ClosePath)
        moveToPoint(subpathStart(elements_.size() - 1));
}

void BezierPath::lineToPoint(const QPointF& point) {
    continueAfterClose();
    elements_.push_back(Element{Kind::LineTo, {point, QPointF(), QPointF()}});
}

void BezierPath::curveToPoint(const QPointF& end, const QPointF& controlPoint1, const QPointF& controlPoint2) {
    continueAfterClose();
    elements_.push_back(Element{Kind::CurveTo, {controlPoint1, controlPoint2, end}});
}

void BezierPath::closePath() {
    if (elements_.empty() || elements_.back().kind == Kind::ClosePath) return;
    elements_.push_back(Element{Kind::ClosePath, {}});
}

void BezierPath::appendBezierPath(const BezierPath& other) {
    elements_.insert(elements_.end(), other.elements_.begin(), other.elements_.end());
}

void BezierPath::transformUsingAffineTransform(const QTransform& transform) {
    for (Element& e : elements_) {
        switch (e.kind) {
        case Kind::MoveTo:
        case Kind::LineTo:
            e.points[0] = transform.map(e.points[0]);
            break;
        case Kind::CurveTo:
            for (QPointF& p : e.points) p = transform.map(p);
            break;
        case Kind::ClosePath:
            break;
        }
    }
}

BezierPath BezierPath::bezierPathByFlatteningPath() const {
    BezierPath out;
    out.lineWidth_ = lineWidth_;
    QPointF current;
    for (size_t i = 0; i < elements_.size(); ++i) {
        const Element& e = elements_[i];
        switch (e.kind) {
        case Kind::CurveTo:
            flattenCubic(current, e.points[0], e.points[1], e.points[2], 0, out);
            current = e.points[2];
            break;
        case Kind::ClosePath:
            out.elements_.push_back(e);
            current = subpathStart(i);
            break;
        default:
            out.elements_.push_back(e);
            current = e.points[0];
            break;
        }
    }
    return out;
}

QPointF BezierPath::subpathStart(size_t index) const {
    for (size_t i = index + 1; i-- > 0;) {
        if (elements_[i].kind == Kind::MoveTo) return elements_[i].points[0];
    }
    // A path that does not begin with a move starts where its first element
    // ends.
    for (const Element& e : elements_) {
        if (e.kind == Kind::LineTo) return e.points[0];
        if (e.kind == Kind::CurveTo) return e.points[2];
    }
    return QPointF();
}

QPointF BezierPath::outlinePoint(size_t index) const {
    const Element& e = elements_[index];
    switch (e.kind) {
    case Kind::MoveTo:
    case Kind::LineTo:
        return e.points[0];
    case Kind::CurveTo:
        return e.points[2];
    case Kind::ClosePath:
        return subpathStart(index);
    }
    return QPointF();
}

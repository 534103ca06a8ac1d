#include "BezierPath.h"

#include "app/logging/LGLog.h"

#include <algorithm>
#include <cmath>

namespace {

using Kind = BezierPath::ElementKind;

bool finitePoint(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

}  // namespace

QPointF BezierPath::endPoint(size_t index) const {
    const Element& e = elements_[index];
    switch (e.kind) {
    case Kind::MoveTo:
    case Kind::LineTo:
        return e.points[0];
    case Kind::CurveTo:
        return e.points[2];
    default:
        TSLogError("Unhandled element %lu", static_cast<unsigned long>(e.kind));
        return QPointF(0, 0);
    }
}

QPointF BezierPath::pointAtIndex(qint64 index) const {
    if (index < 0 || index >= elementCount()) {
        TSLogError("Only %li points in path. Attempt to access point %li", elementCount(), index);
        return QPointF(0, 0);
    }
    return endPoint(size_t(index));
}

QPointF BezierPath::firstPoint() const { return elements_.empty() ? QPointF(0, 0) : endPoint(0); }

QPointF BezierPath::lastPoint() const { return elements_.empty() ? QPointF(0, 0) : endPoint(elements_.size() - 1); }

QPointF BezierPath::lastOpenPoint() const {
    const QPointF last = lastPoint();
    if (elements_.size() < 2 || !exactlyEqual(firstPoint(), last)) return last;
    const Element& before = elements_[elements_.size() - 2];
    if (before.kind == Kind::ClosePath) {
        TSLogError("Unhandled element %lu", static_cast<unsigned long>(before.kind));
        return last;
    }
    return endPoint(elements_.size() - 2);
}

std::vector<QPointF> BezierPath::points() const {
    std::vector<QPointF> out;
    if (elements_.empty()) return out;
    out.push_back(elements_[0].points[0]);
    for (size_t i = 1; i < elements_.size(); ++i)
        if (elements_[i].kind == Kind::LineTo) out.push_back(elements_[i].points[0]);
    return out;
}

std::vector<NSAlgebraicLine> BezierPath::componentLines() const {
    std::vector<NSAlgebraicLine> out;
    const BezierPath flat = bezierPathByFlatteningPath();
    for (size_t i = 1; i < flat.elements_.size(); ++i) {
        // A move starts a new subpath: there is no edge from the previous end.
        if (flat.elements_[i].kind == Kind::MoveTo) continue;
        const QPointF from = flat.outlinePoint(i - 1), to = flat.outlinePoint(i);
        // A segment without extent, or with an end that is not finite, would
        // give the fan lines hits that are not on the outline.
        if (exactlyEqual(from, to) || !finitePoint(from) || !finitePoint(to)) continue;
        out.push_back(NSAlgebraicLine::lineThroughPoint(to, from));
    }
    return out;
}

std::vector<QPointF> BezierPath::componentPoints() const {
    std::vector<QPointF> out;
    for (const NSAlgebraicLine& line : componentLines()) out.push_back((line.finish() + line.start()) * 0.5);
    return out;
}

QPointF BezierPath::centreOfBounds() const {
    const QRectF r = bounds();
    return QPointF(r.x() + 0.5 * r.width(), r.y() + 0.5 * r.height());
}

std::optional<QPainterPath> BezierPath::quartzPath() const {
    if (elements_.empty()) return std::nullopt;
    QPainterPath out;
    bool closed = true;
    for (const Element& e : elements_) {
        switch (e.kind) {
        case Kind::MoveTo:
            out.moveTo(e.points[0]);
            break;
        case Kind::LineTo:
            out.lineTo(e.points[0]);
            closed = false;
            break;
        case Kind::CurveTo:
            out.cubicTo(e.points[0], e.points[1], e.points[2]);
            closed = false;
            break;
        case Kind::ClosePath:
            out.closeSubpath();
            closed = true;
            break;
        }
    }
    if (!closed) out.closeSubpath();
    return out;
}

void BezierPath::logPath() const {
    // One buffer for all elements: a close writes no point, so it shows the
    // point the element before it left there.
    QPointF buffer[3] = {};
    for (qint64 i = 0; i < elementCount(); ++i) {
        const Kind kind = elementAtIndex(i, buffer);
        switch (kind) {
        case Kind::MoveTo:
            TSLogError("Move to: (%0.0f,%0.0f)", buffer[0].x(), buffer[0].y());
            break;
        case Kind::LineTo:
            TSLogError("Line to: (%0.0f,%0.0f)", buffer[0].x(), buffer[0].y());
            break;
        case Kind::CurveTo:
            TSLogError("Curve to: (%0.0f,%0.0f) Ca (%0.0f,%0.0f) Cb (%0.0f,%0.0f)", buffer[2].x(), buffer[2].y(),
                       buffer[0].x(), buffer[0].y(), buffer[1].x(), buffer[1].y());
            break;
        case Kind::ClosePath:
            TSLogError("Close: (%0.0f,%0.0f)", buffer[0].x(), buffer[0].y());
            break;
        }
    }
}

BezierPath BezierPath::rectFromPoints(const QPointF& p1, const QPointF& p2) {
    return bezierPathWithRect(QRectF(std::min(p1.x(), p2.x()), std::min(p1.y(), p2.y()), std::fabs(p1.x() - p2.x()),
                                     std::fabs(p1.y() - p2.y())));
}

void BezierPath::mirrorPath() {
    const QRectF r = bounds();
    transformUsingAffineTransform(QTransform::fromScale(-1, 1));
    transformUsingAffineTransform(QTransform::fromTranslate(2 * r.x() + r.width(), 0));
}

QTransform BezierPath::rotationTransform(double angle, const QPointF& centre) {
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.rotateRadians(angle);
    t.translate(-centre.x(), -centre.y());
    return t;
}

BezierPath BezierPath::rotatedPath(float angle, const QPointF& point) const {
    if (angle == 0) return *this;
    BezierPath out = *this;
    out.transformUsingAffineTransform(rotationTransform(double(angle), point));
    return out;
}

BezierPath BezierPath::rotatedPathInDegrees(float degrees, const QPointF& point) const {
    const float radians = float(double(degrees / 180.0f) * 3.1415927);
    return rotatedPath(radians, point);
}

void BezierPath::rotatePathByDegrees(float degrees) {
    if (degrees == 0) return;
    const QPointF c = centreOfBounds();
    const QPointF centre(double(float(c.x())), double(float(c.y())));
    QTransform rotation;
    rotation.rotate(double(degrees));
    transformUsingAffineTransform(rotation);
    const QPointF moved = centreOfBounds();
    transformUsingAffineTransform(QTransform::fromTranslate(centre.x() - moved.x(), centre.y() - moved.y()));
}

void BezierPath::moveToOrigin(bool bottom) {
    const QRectF r = bounds();
    const double dx = -(r.x() + 0.5 * r.width());
    const double dy = bottom ? -r.y() : -(r.y() + r.height());
    offsetPath(QPointF(dx, dy));
}

void BezierPath::offsetPath(const QPointF& offset) {
    if (offset.x() == 0 && offset.y() == 0) return;
    transformUsingAffineTransform(QTransform::fromTranslate(offset.x(), offset.y()));
}

void BezierPath::scalePath(const QPointF& factors, const QPointF& centre) {
    if (factors.x() == 1 && factors.y() == 1) return;
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.scale(factors.x(), factors.y());
    t.translate(-centre.x(), -centre.y());
    transformUsingAffineTransform(t);
}

void BezierPath::scalePath(const QPointF& factors) { scalePath(factors, centreOfBounds()); }

void BezierPath::insetPathBy(float amount) {
    if (amount == 0) return;
    const QRectF r = bounds();
    const double a = double(amount);
    const double width = r.width() - 2 * a, height = r.height() - 2 * a;
    if ((r.width() > 0 && width < 0) || (r.height() > 0 && height < 0)) {
        TSLogError("Inset %f is larger than half the path's size %@", a, QStringLiteral("%1 x %2").arg(r.width()).arg(r.height()));
        return;
    }
    // An axis without extent cannot be scaled to a new size; it keeps its
    // factor of one rather than dividing by zero.
    const double fx = r.width() > 0 ? double(float(width / r.width())) : 1.0;
    const double fy = r.height() > 0 ? double(float(height / r.height())) : 1.0;
    if (!std::isfinite(fx) || !std::isfinite(fy)) return;
    scalePath(QPointF(fx, fy), centreOfBounds());
}

float BezierPath::distanceBetween(const QPointF& a, const QPointF& b) {
    const double dx = a.x() - b.x(), dy = a.y() - b.y();
    return float(std::sqrt(dx * dx + dy * dy));
}

QPointF BezierPath::closestPoint(const QPointF& a, const QPointF& b) const {
    const QPointF last = lastPoint();
    return distanceBetween(a, last) < distanceBetween(b, last) ? a : b;
}

QPointF BezierPath::furtherPoint(const QPointF& a, const QPointF& b) const {
    const QPointF last = lastPoint();
    return distanceBetween(a, last) > distanceBetween(b, last) ? a : b;
}

bool BezierPath::lineFrom(const QPointF& start, const QPointF& end, const QPointF& point) const {
    const float dx = float(end.x() - start.x()), dy = float(end.y() - start.y());
    const float lengthSquaredF = dx * dx + dy * dy;
    const double lengthSquared = double(lengthSquaredF);
    // A segment without length has no direction to project on.
    if (!(lengthSquared > 0)) return false;
    const double t = ((point.x() - start.x()) * double(dx) + (point.y() - start.y()) * double(dy)) / lengthSquared;
    QPointF nearest;
    if (t < 0)
        nearest = start;
    else if (t > 1.0)
        nearest = end;
    else
        nearest = QPointF(start.x() + t * double(dx), start.y() + t * double(dy));
    const double ex = point.x() - nearest.x(), ey = point.y() - nearest.y();
    return lineWidth_ * lineWidth_ >= ex * ex + ey * ey;
}

bool BezierPath::intersectsPoint(const QPointF& point) const {
    if (elements_.empty()) return false;
    QPointF previous(0, 0);
    for (const Element& e : elements_) {
        if (e.kind == Kind::MoveTo) {
            previous = e.points[0];
        } else if (e.kind == Kind::LineTo) {
            if (lineFrom(previous, e.points[0], point)) return true;
            previous = e.points[0];
        }
    }
    return false;
}

bool BezierPath::pathsOverlap(const BezierPath* other) const {
    if (!other || isEmpty() || other->isEmpty()) return false;
    const QRectF a = bounds(), b = other->bounds();
    if (!(a.width() > 0 && a.height() > 0 && b.width() > 0 && b.height() > 0)) return false;
    return a.x() < b.x() + b.width() && b.x() < a.x() + a.width() && a.y() < b.y() + b.height() &&
           b.y() < a.y() + a.height();
}

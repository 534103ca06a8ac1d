#include "BezierPath.h"

#include "app/logging/LGLog.h"

#include <QPainter>
#include <QPen>

#include <cmath>
#include <map>
#include <mutex>

namespace {

using Kind = BezierPath::ElementKind;

bool finitePoint(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

// The line directions of the fast fan, one set per count of lines. Each call
// works on its own copy, so the cached lines are never written after they
// are made.
class FanCache {
public:
    std::vector<NSAlgebraicLine> lines(qint64 count) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = fans_.find(count);
        if (it != fans_.end()) return it->second;
        if (fans_.size() >= kMaxFans) fans_.clear();
        std::vector<NSAlgebraicLine> fan;
        fan.reserve(size_t(count));
        for (qint64 i = 0; i < count; ++i) {
            NSAlgebraicLine line;
            const float angle = float(i) * 3.1415927f / float(count);
            line.setAngle(double(angle));
            line.setSlope(std::tan(double(angle)));
            fan.push_back(line);
        }
        return fans_.emplace(count, std::move(fan)).first->second;
    }

private:
    static constexpr size_t kMaxFans = 64;
    std::mutex mutex_;
    std::map<qint64, std::vector<NSAlgebraicLine>> fans_;
};

FanCache& fanCache() {
    static FanCache cache;
    return cache;
}

bool tooManyLines(qint64 numLines) {
    if (numLines <= BezierPath::kMaxFanLines) return false;
    TSLogError("%li lines are too many for a fan", numLines);
    return true;
}

}  // namespace

std::vector<NSAlgebraicLine> BezierPath::outline(const std::vector<NSAlgebraicLine>* components) const {
    return components ? *components : componentLines();
}

std::vector<QPointF> BezierPath::intersectionsWithLine(const NSAlgebraicLine& line, bool firstOnly,
                                                       const std::vector<NSAlgebraicLine>* components) const {
    Q_UNUSED(firstOnly);  // callers count on every crossing
    std::vector<QPointF> out;
    const std::vector<NSAlgebraicLine> segments = outline(components);
    for (const NSAlgebraicLine& segment : segments) {
        QPointF p;
        bool identical = false;
        if (segment.boundedIntersection(&p, line, &identical)) out.push_back(p);
    }
    return out;
}

void BezierPath::intersectionsWithLine(const NSAlgebraicLine& line, const std::vector<NSAlgebraicLine>* components,
                                       std::vector<QPointF>& points, qint64 index) const {
    if (index < 0 || quint64(index) >= (quint64(points.size()) + 1) / 2) {
        TSLogError("No position %li in an array of %lu points", index, static_cast<unsigned long>(points.size()));
        return;
    }
    for (const QPointF& p : intersectionsWithLine(line, true, components)) points[size_t(2 * index)] = p;
}

std::vector<QPointF> BezierPath::intersectionsFromPoint(const QPointF& point, qint64 numLines,
                                                        const std::vector<NSAlgebraicLine>* components) const {
    std::vector<QPointF> out;
    if (numLines <= 0 || tooManyLines(numLines)) return out;
    const std::vector<NSAlgebraicLine> segments = outline(components);
    for (qint64 i = 0; i < numLines; ++i) {
        const float degrees = float(double(i) * 180.0 / double(numLines));
        const NSAlgebraicLine line = NSAlgebraicLine::lineWithAngleInDegrees(double(degrees), point);
        const std::vector<QPointF> hits = intersectionsWithLine(line, true, &segments);
        if (hits.size() == 2) {
            out.insert(out.end(), hits.begin(), hits.end());
        } else {
            TSLogError("%li intersections", qint64(hits.size()));
        }
    }
    return out;
}

std::vector<QPointF> BezierPath::rapidIntersectionsFromPoint(const QPointF& point, qint64 numLines,
                                                             const std::vector<NSAlgebraicLine>* components) const {
    std::vector<QPointF> out;
    if (numLines <= 0 || tooManyLines(numLines)) return out;
    std::vector<NSAlgebraicLine> fan = fanCache().lines(numLines);
    for (NSAlgebraicLine& line : fan) {
        if (std::isinf(line.slope()))
            line.setQ(point.x());
        else
            line.setB(line.slope() * -point.x() + point.y());
    }
    const std::vector<NSAlgebraicLine> segments = outline(components);
    for (const NSAlgebraicLine& segment : segments) {
        for (const NSAlgebraicLine& line : fan) {
            if (const auto hit = segment.boundedIntersectionWithLine(line)) out.push_back(*hit);
        }
    }
    return out;
}

QPointF BezierPath::centroid() const {
    const QPointF middle = centreOfBounds();
    const std::vector<NSAlgebraicLine> segments = componentLines();
    double sumX = 0, sumY = 0;
    size_t count = 0;
    for (int degrees = 0; degrees < 360; degrees += 30) {
        const NSAlgebraicLine line = NSAlgebraicLine::lineWithAngleInDegrees(degrees, middle);
        const std::vector<QPointF> hits = intersectionsWithLine(line, true, &segments);
        if (hits.size() != 2) continue;
        for (const QPointF& p : hits) {
            sumX += p.x();
            sumY += p.y();
            ++count;
        }
    }
    if (count == 0) return QPointF(0, 0);
    return QPointF(sumX / double(count), sumY / double(count));
}

bool BezierPath::closestPoint(QPointF* point, const QPointF& to) const {
    const QPointF none(INFINITY, INFINITY);
    const std::vector<NSAlgebraicLine> segments = componentLines();
    std::vector<QPointF> candidates;
    for (int degrees = 0; degrees < 360; ++degrees) {
        const NSAlgebraicLine line = NSAlgebraicLine::lineWithAngleInDegrees(degrees, to);
        for (const NSAlgebraicLine& segment : segments) {
            QPointF p;
            bool identical = false;
            if (segment.boundedIntersection(&p, line, &identical)) candidates.push_back(p);
        }
    }
    float best = INFINITY;
    QPointF bestPoint = none;
    bool found = false;
    for (const QPointF& c : candidates) {
        const float distance = float(std::hypot(c.x() - to.x(), c.y() - to.y()));
        if (distance < best) {
            best = distance;
            bestPoint = c;
            found = true;
        }
    }
    if (point) *point = bestPoint;
    return found;
}

BezierPath BezierPath::smoothedPath(int granularity) const {
    std::vector<QPointF> pts = points();
    if (pts.size() <= 3) return *this;
    const qint64 spans = qint64(pts.size()) - 1;
    if (granularity > 1 && qint64(granularity) > kMaxSmoothedPoints / spans) {
        TSLogError("Granularity %d too fine for %li points", granularity, qint64(pts.size()));
        return *this;
    }
    pts.insert(pts.begin(), pts.front());
    pts.push_back(pts.back());

    BezierPath out;
    out.lineWidth_ = lineWidth_;
    out.moveToPoint(pts[0]);
    out.lineToPoint(pts[1]);
    out.lineToPoint(pts[2]);
    for (size_t k = 4; k < pts.size(); ++k) {
        const QPointF p0 = pts[k - 3], p1 = pts[k - 2], p2 = pts[k - 1], p3 = pts[k];
        if (granularity >= 2) {
            const float step = 1.0f / float(granularity);
            for (int i = 1; i < granularity; ++i) {
                const float t = float(i) * step;
                const float tt = t * t;
                const float ttt = t * tt;
                auto spline = [&](double v0, double v1, double v2, double v3) {
                    return 0.5 * (2 * v1 + (v2 - v0) * t + (2 * v0 - 5 * v1 + 4 * v2 - v3) * tt +
                                  (3 * v1 - v0 - 3 * v2 + v3) * ttt);
                };
                out.lineToPoint(QPointF(spline(p0.x(), p1.x(), p2.x(), p3.x()), spline(p0.y(), p1.y(), p2.y(), p3.y())));
            }
        }
        out.lineToPoint(p2);
    }
    out.lineToPoint(pts.back());
    return out;
}

namespace {

// How many of a path's elements a join takes: all but a final return to the
// first point.
qint64 joinedCount(const BezierPath& path) {
    qint64 n = path.elementCount();
    if (n > 0 && exactlyEqual(path.lastPoint(), path.firstPoint())) --n;
    return n;
}

}  // namespace

void BezierPath::appendPathPoints(const BezierPath& other) {
    const qint64 n = joinedCount(other);
    for (qint64 i = 0; i < n; ++i) {
        const Element& e = other.elements_[size_t(i)];
        switch (e.kind) {
        case Kind::MoveTo:
        case Kind::LineTo:
            lineToPoint(e.points[0]);
            break;
        case Kind::CurveTo:
            curveToPoint(e.points[2], e.points[0], e.points[1]);
            break;
        default:
            TSLogError("Unhandled element %lu", static_cast<unsigned long>(e.kind));
            break;
        }
    }
}

void BezierPath::reverseAppendPathPoints(const BezierPath& other) {
    const qint64 n = joinedCount(other);
    bool carrying = false;
    QPointF carried1, carried2;  // the control points of the curve handled before
    for (qint64 i = n - 1; i >= 0; --i) {
        const Element& e = other.elements_[size_t(i)];
        QPointF end;
        switch (e.kind) {
        case Kind::MoveTo:
        case Kind::LineTo:
            end = e.points[0];
            break;
        case Kind::CurveTo:
            end = e.points[2];
            break;
        default:
            qWarning("Unhandled element %lu", static_cast<unsigned long>(e.kind));
            carrying = false;
            continue;
        }
        if (carrying)
            curveToPoint(end, carried2, carried1);
        else if (e.kind == Kind::MoveTo)
            moveToPoint(end);
        else
            lineToPoint(end);
        carrying = e.kind == Kind::CurveTo;
        if (carrying) {
            carried1 = e.points[0];
            carried2 = e.points[1];
        }
    }
}

void BezierPath::drawPattern(const BezierPath& pattern, const QPointF& point, float angle, bool reverse,
                             const QPointF& finish) {
    const QPointF last = lastPoint();
    const float toFinish = distanceBetween(last, finish);
    BezierPath placed = pattern;
    placed.moveToOrigin(reverse);
    placed.offsetPath(point);
    const BezierPath turned = placed.rotatedPathInDegrees(angle, point);
    const QPointF start = turned.firstPoint(), end = turned.lastOpenPoint();
    const QPointF nearer = closestPoint(start, end);
    const float patternToFinish = std::max(distanceBetween(finish, end), distanceBetween(finish, start));
    const float patternToLast = std::max(distanceBetween(last, end), distanceBetween(last, start));
    if (!(toFinish > patternToFinish && toFinish > patternToLast)) return;
    if (exactlyEqual(start, nearer))
        appendPathPoints(turned);
    else
        reverseAppendPathPoints(turned);
}

void BezierPath::olddrawPattern(const BezierPath& pattern, const QPointF& point, float angle, bool reverse) {
    BezierPath placed = pattern;
    placed.moveToOrigin(reverse);
    placed.offsetPath(point);
    const BezierPath turned = placed.rotatedPathInDegrees(angle, point);
    const QPointF nearer = closestPoint(turned.firstPoint(), turned.lastPoint());
    lineToPoint(nearer);
    appendBezierPath(turned);
}

void BezierPath::drawPoint(const QPointF& point, const QPointF& finish) {
    Q_UNUSED(finish);
    appendBezierPath(bezierPathWithOvalInRect(QRectF(point.x() - 2, point.y() - 2, 5, 5)));
}

void BezierPath::plotPoint(QPainter& painter, const QPointF& point, float size) {
    const double half = double(size * 0.5f);
    const QRectF square(point.x() - half, point.y() - half, double(size), double(size));
    if (!finitePoint(square.topLeft()) || !finitePoint(square.bottomRight())) return;
    painter.save();
    QPen pen = painter.pen();
    pen.setWidthF(kDefaultLineWidth);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(bezierPathWithOvalInRect(square).toPainterPath());
    painter.restore();
}

void BezierPath::wavyLineToPoint(const QPointF& end, float waveLength, float amplitude) {
    const QPointF last = lastPoint();
    if (last.x() == 0 && last.y() == 0) return;
    if (!finitePoint(last) || !finitePoint(end) || !std::isfinite(amplitude)) {
        TSLogError("Wavy line between points that are not finite");
        return;
    }
    const double dx = end.x() - last.x(), dy = end.y() - last.y();
    const float distance = float(std::sqrt(dx * dx + dy * dy));
    // The count is formed in single precision as the drawing code always has;
    // it is checked before it is truncated, so that a tiny or non-positive
    // wave length cannot overflow it.
    const float waves = std::fabs(distance) / waveLength;
    qint64 n = 0;
    if (waveLength > 0 && std::isfinite(waves)) {
        if (waves > float(kMaxWaves))
            TSLogError("Wave length %f too short for a line of length %f", double(waveLength), double(distance));
        else
            n = qint64(waves);
    }
    if (n <= 0) {
        lineToPoint(end);
        return;
    }
    const float a = float(std::atan(double(float(dy / dx))));
    const double s = std::sin(std::fabs(double(a))), c = std::cos(std::fabs(double(a)));
    const double sx = end.x() < last.x() ? -1 : 1;
    const double sy = end.y() > last.y() ? 1 : -1;
    const double w = double(waveLength), h = double(amplitude);
    for (qint64 i = 1; i <= n; ++i) {
        const double offset = (i % 2 == 1) ? sy * h : -sy * h;
        lineToPoint(QPointF(last.x() + sx * w * c * double(i), last.y() + sy * w * s * double(i) + offset));
    }
    lineToPoint(end);
}

void BezierPath::wavyLineToPoint(const QPointF& end) {
    wavyLineToPoint(end, float(2 * lineWidth_), 1.0f);
}

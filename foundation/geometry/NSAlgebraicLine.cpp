#include "NSAlgebraicLine.h"

#include "app/logging/LGLog.h"

#include <QLineF>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

bool finitePoint(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

}  // namespace

NSAlgebraicLine NSAlgebraicLine::lineWithAngle(double angle, const QPointF& point) {
    NSAlgebraicLine line;
    line.angle_ = angle;
    const float s = float(std::tan(angle));
    line.slope_ = double(s);
    if (std::isinf(s))
        line.setQ(point.x());
    else
        line.setB(point.y() - point.x() * line.slope_);
    return line;
}

NSAlgebraicLine NSAlgebraicLine::lineWithAngleInDegrees(double degrees, const QPointF& point) {
    return lineWithAngle((degrees * 3.141592653589793) / 180.0, point);
}

NSAlgebraicLine NSAlgebraicLine::lineThroughPoint(const QPointF& a, const QPointF& b) {
    const double angle = double(float(std::atan2(a.y() - b.y(), a.x() - b.x())));
    NSAlgebraicLine line = lineWithAngle(angle, a);
    line.start_ = a;
    line.finish_ = b;
    line.bounded_ = true;
    return line;
}

bool NSAlgebraicLine::isVertical() const { return std::isinf(slope_); }

void NSAlgebraicLine::drawInRect(QPainter& painter, const QRectF& rect) const {
    QPointF from, to;
    if (std::isinf(float(slope_))) {
        from = QPointF(q(), rect.y());
        to = QPointF(q(), rect.y() + rect.height());
    } else {
        const double x0 = rect.x(), x1 = rect.x() + rect.width();
        from = QPointF(x0, slope_ * x0 + b());
        to = QPointF(x1, slope_ * x1 + b());
    }
    if (!finitePoint(from) || !finitePoint(to)) return;
    painter.save();
    QPen pen = painter.pen();
    pen.setWidthF(1.0);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawLine(QLineF(from, to));
    painter.restore();
}

NSAlgebraicLine::Outcome NSAlgebraicLine::intersect(const NSAlgebraicLine& other, bool singlePrecision, QPointF& point,
                                                    bool& identical) const {
    point = QPointF(0, 0);
    identical = false;
    // Coincident lines are told by their intercept; for two vertical lines the
    // intercept means nothing and the x position is compared instead.
    const bool bothVertical = std::isinf(slope_) && std::isinf(other.slope_);
    const bool sameIntercept = bothVertical ? q_ == other.q_ : b_ == other.b_;
    if (angle_ == other.angle_) {
        identical = sameIntercept;
        return Outcome::Parallel;
    }

    if (singlePrecision) {
        const float s1 = float(slope_), s2 = float(other.slope_);
        const bool inf1 = std::isinf(s1), inf2 = std::isinf(s2);
        float x = 0, y = 0;
        if (inf1 && inf2) return Outcome::TwoVertical;
        if (inf1 || inf2) {
            const NSAlgebraicLine& vertical = inf1 ? *this : other;
            const NSAlgebraicLine& sloped = inf1 ? other : *this;
            x = vertical.q_;
            y = float(sloped.slope_) * x + sloped.b_;
        } else {
            // Angles that differ can still round to one slope; dividing by
            // their zero difference would hand back NaN or infinity.
            if (s1 == s2) {
                identical = b_ == other.b_;
                return Outcome::Parallel;
            }
            const float diff = other.b_ - b_;
            x = diff / (s1 - s2);
            y = std::fabs(s1) > std::fabs(s2) ? s2 * x + other.b_ : s1 * x + b_;
        }
        if (!std::isfinite(x) || !std::isfinite(y)) return Outcome::NotFinite;
        point = QPointF(double(x), double(y));
        return Outcome::Found;
    }

    const double s1 = slope_, s2 = other.slope_;
    const bool inf1 = std::isinf(s1), inf2 = std::isinf(s2);
    double x = 0, y = 0;
    if (inf1 && inf2) return Outcome::TwoVertical;
    if (inf1 || inf2) {
        const NSAlgebraicLine& vertical = inf1 ? *this : other;
        const NSAlgebraicLine& sloped = inf1 ? other : *this;
        x = vertical.q();
        y = sloped.slope_ * x + sloped.b();
    } else {
        if (s1 == s2) {
            identical = b_ == other.b_;
            return Outcome::Parallel;
        }
        const float diff = other.b_ - b_;
        x = double(diff) / (s1 - s2);
        y = std::fabs(s1) > std::fabs(s2) ? s2 * x + other.b() : s1 * x + b();
    }
    if (!std::isfinite(x) || !std::isfinite(y)) return Outcome::NotFinite;
    point = QPointF(x, y);
    return Outcome::Found;
}

bool NSAlgebraicLine::withinBounds(const QPointF& p) const {
    if (!bounded_) return true;
    // A segment without extent meets nothing: the line it stands for runs
    // through its one point at an arbitrary angle, so any hit would be
    // invented.
    if (exactlyEqual(start_, finish_)) return false;
    if (start_.x() != finish_.x()) {
        const double lo = std::min(start_.x(), finish_.x()), hi = std::max(start_.x(), finish_.x());
        return lo <= p.x() && p.x() <= hi;
    }
    const double lo = std::min(start_.y(), finish_.y()), hi = std::max(start_.y(), finish_.y());
    return lo <= p.y() && p.y() <= hi;
}

bool NSAlgebraicLine::doubleIntersection(QPointF* point, const NSAlgebraicLine& other, bool* identical,
                                         bool& twoVertical) const {
    QPointF p;
    bool same = false;
    const Outcome outcome = intersect(other, false, p, same);
    if (point) *point = p;
    if (identical) *identical = same;
    twoVertical = outcome == Outcome::TwoVertical;
    return outcome == Outcome::Found;
}

bool NSAlgebraicLine::intersection(QPointF* point, const NSAlgebraicLine& other, bool* identical) const {
    bool twoVertical = false;
    const bool found = doubleIntersection(point, other, identical, twoVertical);
    if (twoVertical) TSLogError("shouldn't have two infinite slopes");
    return found;
}

bool NSAlgebraicLine::boundedIntersection(QPointF* point, const NSAlgebraicLine& other, bool* identical) const {
    bool twoVertical = false;
    QPointF p;
    const bool found = doubleIntersection(&p, other, identical, twoVertical);
    if (point) *point = p;
    if (twoVertical) TSLogError("shouldn't have two infinite slopes");
    return found && withinBounds(p);
}

bool NSAlgebraicLine::oldboundedIntersection(QPointF* point, const NSAlgebraicLine& other, bool* identical) const {
    if (angle_ != other.angle_ && std::isinf(slope_) && std::isinf(other.slope_))
        TSLogError("shouldn't have two infinite slopes");
    return boundedIntersection(point, other, identical);
}

std::optional<QPointF> NSAlgebraicLine::intersectionWithLine(const NSAlgebraicLine& other) const {
    QPointF p;
    bool identical = false;
    const Outcome outcome = intersect(other, true, p, identical);
    if (outcome == Outcome::TwoVertical) TSLogError("shouldn't have two infinite slopes");
    if (outcome != Outcome::Found) return std::nullopt;
    return p;
}

std::optional<QPointF> NSAlgebraicLine::boundedIntersectionWithLine(const NSAlgebraicLine& other) const {
    QPointF p;
    bool identical = false;
    const Outcome outcome = intersect(other, true, p, identical);
    if (outcome == Outcome::TwoVertical) TSLogError("shouldn't have two infinite slopes");
    if (outcome != Outcome::Found || !withinBounds(p)) return std::nullopt;
    return p;
}

bool NSAlgebraicLine::boundedIntersectionWithLine(const NSAlgebraicLine& other, QPointF* point) const {
    QPointF p;
    bool identical = false;
    const Outcome outcome = intersect(other, true, p, identical);
    if (outcome == Outcome::TwoVertical) TSLogError("shouldn't have two infinite slopes");
    if (outcome != Outcome::Found || !withinBounds(p)) return false;
    if (point) *point = p;
    return true;
}

bool NSAlgebraicLine::operator==(const NSAlgebraicLine& o) const {
    return bounded_ == o.bounded_ && b_ == o.b_ && q_ == o.q_ && angle_ == o.angle_ && slope_ == o.slope_ &&
           exactlyEqual(start_, o.start_) && exactlyEqual(finish_, o.finish_);
}

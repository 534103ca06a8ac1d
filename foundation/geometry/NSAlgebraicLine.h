#pragma once
// A straight line in the drawing plane, held in slope-intercept form with its
// angle, optionally bounded to the segment between two points.
//
// A line is vertical when its slope is infinite (either sign); then q, the x
// of the line, is meaningful and b is not, otherwise the reverse. b and q are
// kept in single precision: every value written is rounded to float and read
// back widened. Lines made from an angle are never vertical (tan of a finite
// angle stays finite in single precision); a vertical line comes only from
// setSlope() with an infinite value.
//
// Intersections come in two precisions. The double-precision ones
// (intersection, boundedIntersection, oldboundedIntersection) compute in
// double after reading the intercepts at single precision; the others
// compute every step in single precision and widen the point only when it is
// handed back. The bounded forms test the point against this line's segment
// only (ends included), never against the other line's.
//
// Degenerate input answers "no intersection": lines with equal angles or
// equal slopes (parallel or coincident), two vertical lines, a bounded line
// whose ends coincide, and any computation that would give a point that is not
// finite (NaN or infinite coordinates in, or an overflow). Nothing here divides
// by zero into a result. A plain value; safe to copy between threads.

#include <QPointF>
#include <QRectF>

#include <optional>

class QPainter;

// Exact comparison of two points. QPointF's own == is fuzzy, and the geometry
// here compares positions exactly.
inline bool exactlyEqual(const QPointF& a, const QPointF& b) { return a.x() == b.x() && a.y() == b.y(); }

class NSAlgebraicLine {
public:
    NSAlgebraicLine() = default;

    // Unbounded line with the angle (radians) through the point.
    static NSAlgebraicLine lineWithAngle(double angle, const QPointF& point);
    // The same with the angle in degrees.
    static NSAlgebraicLine lineWithAngleInDegrees(double degrees, const QPointF& point);
    // Bounded line from a to b; its angle points from b towards a.
    static NSAlgebraicLine lineThroughPoint(const QPointF& a, const QPointF& b);

    bool bounded() const { return bounded_; }
    void setBounded(bool bounded) { bounded_ = bounded; }
    double b() const { return double(b_); }
    void setB(double b) { b_ = float(b); }
    double q() const { return double(q_); }
    void setQ(double q) { q_ = float(q); }
    double angle() const { return angle_; }
    void setAngle(double angle) { angle_ = angle; }
    double slope() const { return slope_; }
    void setSlope(double slope) { slope_ = slope; }
    QPointF start() const { return start_; }
    void setStart(const QPointF& start) { start_ = start; }
    QPointF finish() const { return finish_; }
    void setFinish(const QPointF& finish) { finish_ = finish; }

    bool isVertical() const;

    // Strokes the line across the rectangle's width (or, for a vertical line,
    // its height) with a one-point pen in the painter's current colour. The
    // ends are not clipped to the rectangle. A line whose ends are not finite
    // draws nothing.
    void drawInRect(QPainter& painter, const QRectF& rect) const;

    // Double precision. *point is the intersection, or (0, 0) when there is
    // none; *identical is true only for coincident lines. Either output may
    // be null.
    bool intersection(QPointF* point, const NSAlgebraicLine& other, bool* identical) const;
    // As intersection(), then false for a point outside this line's segment
    // (the outputs stay as intersection() wrote them).
    bool boundedIntersection(QPointF* point, const NSAlgebraicLine& other, bool* identical) const;
    // The same results as boundedIntersection().
    bool oldboundedIntersection(QPointF* point, const NSAlgebraicLine& other, bool* identical) const;

    // Single precision.
    std::optional<QPointF> intersectionWithLine(const NSAlgebraicLine& other) const;
    std::optional<QPointF> boundedIntersectionWithLine(const NSAlgebraicLine& other) const;
    // Writes *point only when it answers true.
    bool boundedIntersectionWithLine(const NSAlgebraicLine& other, QPointF* point) const;

    // Whether the point passes this line's bounds test (always true for an
    // unbounded line; never for a bounded line whose ends coincide).
    bool withinBounds(const QPointF& point) const;

    bool operator==(const NSAlgebraicLine& o) const;

private:
    enum class Outcome { Found, Parallel, TwoVertical, NotFinite };
    Outcome intersect(const NSAlgebraicLine& other, bool singlePrecision, QPointF& point, bool& identical) const;
    bool doubleIntersection(QPointF* point, const NSAlgebraicLine& other, bool* identical, bool& twoVertical) const;

    bool bounded_ = false;
    float b_ = 0;
    float q_ = 0;
    double angle_ = 0;
    double slope_ = 0;
    QPointF start_;
    QPointF finish_;
};

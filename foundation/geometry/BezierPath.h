#pragma once
// A drawing path that keeps the kind of every element (move-to, line-to,
// curve-to, close-path), with the plane-geometry operations the drawing code
// builds on: element points, flattening, conversion to and from Qt's painter
// paths, in-place transforms, hit tests, ray casting against the outline,
// spline smoothing, pattern placement and wavy lines.
//
// Qt's QPainterPath has no close element: it closes a subpath with a line
// back to its start. A BezierPath therefore holds its own element list and
// converts at the edges:
// - toPainterPath() writes a close as closeSubpath();
// - fromPainterPath() reads a subpath whose last point is exactly its first
//   as closed: a final line back to the start becomes the close element, a
//   final curve back to the start is followed by one.
// A path with close elements therefore comes back from a QPainterPath as it
// went in. What a QPainterPath cannot carry is lost: an open subpath that
// ends with a line exactly back to its start reads back closed, and Qt drops
// a line to the point it starts from and a move-to directly after another.
//
// Points are doubles. Operations that the drawing code feeds single-precision
// values take float arguments and round where they say so; comparisons of
// points are exact.
//
// Failures (an element kind an operation cannot use, an index out of range)
// are logged through TSLogError and answered with the zero point or an empty
// result. Degenerate geometry (empty paths, zero-length segments, coincident
// lines, NaN) yields no intersection rather than a point that is not finite.
//
// A plain value type; an instance is not synchronised. The shared line cache
// of rapidIntersectionsFromPoint() is locked and may be used from any thread.

#include "NSAlgebraicLine.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <array>
#include <optional>
#include <vector>

class QPainter;

class BezierPath {
public:
    // Numbered as the platform's path class numbers them.
    enum class ElementKind : unsigned long { MoveTo = 0, LineTo = 1, CurveTo = 2, ClosePath = 3 };

    // Move-to and line-to use points[0]; a curve-to holds its first control
    // point, its second control point and its end point, in that order; a
    // close-path holds none (its points are zero).
    struct Element {
        ElementKind kind = ElementKind::MoveTo;
        std::array<QPointF, 3> points{};
        bool operator==(const Element& o) const;
    };

    // The flatness curves are cut to: no point of a curve lies further than
    // this from the straight segments that stand for it.
    static constexpr double kFlatness = 0.6;
    static constexpr double kDefaultLineWidth = 1.0;

    BezierPath() = default;

    // --- Elements and conversion ---

    // A path made of the elements as given, kinds included.
    static BezierPath fromElements(const std::vector<Element>& elements);
    const std::vector<Element>& elements() const { return elements_; }
    static BezierPath fromPainterPath(const QPainterPath& path);
    QPainterPath toPainterPath() const;

    // The rectangle as move, three lines and a close, starting at its minimum
    // corner; the oval inscribed in a rectangle as a move, four curves and a
    // close.
    static BezierPath bezierPathWithRect(const QRectF& rect);
    static BezierPath bezierPathWithOvalInRect(const QRectF& rect);

    qint64 elementCount() const { return qint64(elements_.size()); }
    // Writes the element's points (up to three; none for a close) into
    // `points` when given and answers its kind. An index out of range is
    // logged and answers ClosePath with nothing written.
    ElementKind elementAtIndex(qint64 index, QPointF* points = nullptr) const;
    bool isEmpty() const { return elements_.empty(); }
    // The smallest rectangle holding every point the path passes through
    // (curves by their extremes, not by their control points); points that
    // are not finite are left out. The null rectangle for an empty path.
    QRectF bounds() const;
    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double width) { lineWidth_ = width; }

    void moveToPoint(const QPointF& point);
    // After a close-path a line or curve first moves back to the start of the
    // closed subpath, as the element it continues from.
    void lineToPoint(const QPointF& point);
    void curveToPoint(const QPointF& end, const QPointF& controlPoint1, const QPointF& controlPoint2);
    void closePath();
    void appendBezierPath(const BezierPath& other);
    void removeAllPoints() { elements_.clear(); }

    void transformUsingAffineTransform(const QTransform& transform);
    // The same path with every curve replaced by line-to elements within
    // kFlatness of it; move, line and close elements are kept.
    BezierPath bezierPathByFlatteningPath() const;

    bool operator==(const BezierPath& o) const { return elements_ == o.elements_ && lineWidth_ == o.lineWidth_; }

    // --- Points of elements ---

    // The end point of element `index`: its one point for a move or line, the
    // end point of a curve. A close is logged as "Unhandled element 3" and
    // answers (0, 0); so does an index out of range (logged with the count).
    QPointF pointAtIndex(qint64 index) const;
    QPointF firstPoint() const;  // (0, 0) for an empty path
    QPointF lastPoint() const;   // (0, 0) for an empty path
    // lastPoint(), or the end point before it when the path returns exactly to
    // its first point.
    QPointF lastOpenPoint() const;
    // The first point of element 0 (whatever its kind), then the point of every
    // line-to, in order.
    std::vector<QPointF> points() const;
    // The straight segments of the flattened path, each bounded, starting at
    // its later point and finishing at its earlier one. A close contributes
    // the segment back to its subpath's start; a move-to starts a new subpath
    // and contributes no segment joining it to the previous one; segments of
    // zero length or with ends that are not finite are left out.
    std::vector<NSAlgebraicLine> componentLines() const;
    // The midpoints of the same segments.
    std::vector<QPointF> componentPoints() const;
    QPointF centreOfBounds() const;
    // The path as Qt draws it, with each subpath closed as the platform's
    // graphics paths close it: a path that does not end with a close is closed
    // once more at its end. Nothing for a path without elements.
    std::optional<QPainterPath> quartzPath() const;
    // Logs every element.
    void logPath() const;
    static BezierPath rectFromPoints(const QPointF& p1, const QPointF& p2);

    // --- Transforms (in place unless a result is named) ---

    // Mirrors about the vertical line through the centre of the bounds.
    void mirrorPath();
    // Rotation by `angle` radians about the centre.
    static QTransform rotationTransform(double angle, const QPointF& centre);
    // A rotated copy; an angle of exactly 0 answers the path unchanged.
    BezierPath rotatedPath(float angle, const QPointF& point) const;
    BezierPath rotatedPathInDegrees(float degrees, const QPointF& point) const;
    // Rotates about the centre of the bounds.
    void rotatePathByDegrees(float degrees);
    // Puts the horizontal centre of the bounds at x = 0 and the bottom edge
    // (minimum y) at y = 0 when `bottom` is true, else the top edge.
    void moveToOrigin(bool bottom);
    void offsetPath(const QPointF& offset);
    void scalePath(const QPointF& factors, const QPointF& centre);
    void scalePath(const QPointF& factors);
    // Shrinks the path about the centre of its bounds so that the bounds lose
    // `amount` on every side (a negative amount enlarges it). An axis on which
    // the path has no extent is left as it is; an inset that would turn the
    // bounds inside out is logged and changes nothing.
    void insetPathBy(float amount);

    // --- Measures and hit tests ---

    // Euclidean distance, rounded to single precision.
    static float distanceBetween(const QPointF& a, const QPointF& b);
    // Of a and b, the one nearer to (further from) lastPoint(); b on a tie.
    QPointF closestPoint(const QPointF& a, const QPointF& b) const;
    QPointF furtherPoint(const QPointF& a, const QPointF& b) const;
    // Whether the point lies within lineWidth() (the full width) of the segment
    // from start to end. A segment of zero length is hit by nothing.
    bool lineFrom(const QPointF& start, const QPointF& end, const QPointF& point) const;
    // Whether the point lies within lineWidth() of one of the path's line-to
    // segments (curves and closes are not tested).
    bool intersectsPoint(const QPointF& point) const;
    // Whether the bounds of the two paths overlap (touching edges do not);
    // false when either path is empty or `other` is null.
    bool pathsOverlap(const BezierPath* other) const;

    // --- Intersections with lines ---
    // `components` is an outline made by componentLines(); when null the
    // path's own componentLines() is used.

    // Every point where the line (unbounded) meets an outline segment within
    // that segment's bounds, in outline order. `firstOnly` does not limit the
    // result.
    std::vector<QPointF> intersectionsWithLine(const NSAlgebraicLine& line, bool firstOnly,
                                               const std::vector<NSAlgebraicLine>* components = nullptr) const;
    // Writes each such point to points[2 * index], so that the last one in
    // outline order remains. An index whose position lies outside `points` is
    // logged and nothing is written.
    void intersectionsWithLine(const NSAlgebraicLine& line, const std::vector<NSAlgebraicLine>* components,
                               std::vector<QPointF>& points, qint64 index) const;
    // The fans below refuse (log and answer nothing for) more lines than this.
    static constexpr qint64 kMaxFanLines = 1000000;
    // n lines through the point at i * 180 / n degrees; the two crossings of
    // every line that meets the outline exactly twice, line by line. Lines
    // with another count of crossings are logged and skipped.
    std::vector<QPointF> intersectionsFromPoint(const QPointF& point, qint64 numLines,
                                                const std::vector<NSAlgebraicLine>* components = nullptr) const;
    // n lines through the point at i * pi / n radians, intersected in single
    // precision; every crossing, grouped by outline segment and then by line.
    // The line directions are cached per count.
    std::vector<QPointF> rapidIntersectionsFromPoint(const QPointF& point, qint64 numLines,
                                                     const std::vector<NSAlgebraicLine>* components = nullptr) const;
    // The mean of the crossings of twelve lines through the centre of the
    // bounds; (0, 0) when none meets the outline exactly twice.
    QPointF centroid() const;
    // The crossing nearest to the point among 360 lines through it, one a
    // degree. Without any, *point is (+inf, +inf) and the answer false.
    bool closestPoint(QPointF* point, const QPointF& to) const;

    // --- Building ---

    // A Catmull-Rom spline through points(), `granularity` steps per span. A
    // granularity that would make more than kMaxSmoothedPoints points is
    // logged and answers the path unchanged.
    BezierPath smoothedPath(int granularity) const;
    static constexpr qint64 kMaxSmoothedPoints = 10000000;
    // Continues this path along `other` (its closing return left out): moves
    // and lines of `other` become lines, curves stay curves.
    void appendPathPoints(const BezierPath& other);
    // The same, walking `other` backwards; its first element is added as a
    // move-to.
    void reverseAppendPathPoints(const BezierPath& other);
    // Places a copy of the pattern at the point, turned by the angle, and
    // joins it to this path from whichever of its ends is nearer, but only
    // while this path's end is further from `finish` than the pattern is.
    void drawPattern(const BezierPath& pattern, const QPointF& point, float angle, bool reverse, const QPointF& finish);
    // Places the pattern as drawPattern() does and joins it unconditionally.
    void olddrawPattern(const BezierPath& pattern, const QPointF& point, float angle, bool reverse);
    // Appends a small circle marker around the point.
    void drawPoint(const QPointF& point, const QPointF& finish);
    // Strokes a circle of the given diameter centred on the point.
    static void plotPoint(QPainter& painter, const QPointF& point, float size);
    // A zig-zag line from lastPoint() to `end`. Nothing when lastPoint() is
    // (0, 0) or either end is not finite; a straight line when the wave length
    // is not positive or so short that the line would need more than
    // kMaxWaves waves.
    void wavyLineToPoint(const QPointF& end, float waveLength, float amplitude);
    // Wave length twice the line width, amplitude 1.
    void wavyLineToPoint(const QPointF& end);
    static constexpr qint64 kMaxWaves = 1000000;

private:
    // The point a close returns to: the first point of its subpath.
    QPointF subpathStart(size_t closeIndex) const;
    // An element's end point for the outline, closes resolved.
    QPointF outlinePoint(size_t index) const;
    QPointF endPoint(size_t index) const;  // logs unhandled kinds
    bool hasCurrentPoint() const { return !elements_.empty(); }
    QPointF currentPoint() const;
    void continueAfterClose();
    std::vector<NSAlgebraicLine> outline(const std::vector<NSAlgebraicLine>* components) const;

    std::vector<Element> elements_;
    double lineWidth_ = kDefaultLineWidth;
};

#include "BezierTestSupport.h"

#include "support/CaptureLogger.h"

#include <QPainterPath>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

std::vector<Kind> kinds(const BezierPath& p) {
    std::vector<Kind> out;
    for (const auto& e : p.elements()) out.push_back(e.kind);
    return out;
}

void expectRect(const QRectF& r, double x, double y, double w, double h) {
    // Scale factors are rounded to single precision.
    EXPECT_NEAR(r.x(), x, 1e-6);
    EXPECT_NEAR(r.y(), y, 1e-6);
    EXPECT_NEAR(r.width(), w, 1e-6);
    EXPECT_NEAR(r.height(), h, 1e-6);
}

// Two closed subpaths (one of lines, one of curves) and an open one.
BezierPath mixedPath() {
    BezierPath p = polyline({{0, 0}, {10, 0}, {10, 10}}, true);
    p.appendBezierPath(BezierPath::bezierPathWithOvalInRect(QRectF(20, 20, 8, 6)));
    p.moveToPoint(QPointF(-5, -5));
    p.curveToPoint(QPointF(-1, -9), QPointF(-4, -8), QPointF(-2, -3));
    p.lineToPoint(QPointF(3, -7));
    return p;
}

}  // namespace

TEST(BezierPath, RoundTripsThroughItsElementList) {
    const BezierPath p = mixedPath();
    EXPECT_EQ(BezierPath::fromElements(p.elements()), p);
    EXPECT_EQ(kinds(p), (std::vector<Kind>{Kind::MoveTo, Kind::LineTo, Kind::LineTo, Kind::ClosePath, Kind::MoveTo,
                                           Kind::CurveTo, Kind::CurveTo, Kind::CurveTo, Kind::CurveTo, Kind::ClosePath,
                                           Kind::MoveTo, Kind::CurveTo, Kind::LineTo}));
}

TEST(BezierPath, RoundTripsThroughPainterPathKeepingCloses) {
    BezierPath continued = polyline({{0, 0}, {4, 0}, {4, 4}}, true);
    continued.lineToPoint(QPointF(-3, 2));  // carries on from the closed subpath's start
    const BezierPath cases[] = {mixedPath(), polyline({{1, 1}, {5, 1}, {3, 4}}, true), continued,
                                BezierPath::bezierPathWithRect(QRectF(2, 3, 4, 5)),
                                polyline({{0, 0}, {1, 2}, {3, 1}})};
    for (const BezierPath& p : cases) {
        const QPainterPath qp = p.toPainterPath();
        const BezierPath back = BezierPath::fromPainterPath(qp);
        EXPECT_EQ(back, p);
        // Qt itself sees the closing segments.
        EXPECT_EQ(qp.boundingRect(), p.bounds());
    }
    EXPECT_EQ(kinds(continued), (std::vector<Kind>{Kind::MoveTo, Kind::LineTo, Kind::LineTo, Kind::ClosePath,
                                                   Kind::MoveTo, Kind::LineTo}));
}

TEST(BezierPath, ReadsQtShapesWithTheirCloses) {
    QPainterPath qp;
    qp.addRect(QRectF(0, 0, 3, 2));
    qp.addEllipse(QRectF(10, 10, 4, 4));
    const BezierPath p = BezierPath::fromPainterPath(qp);
    EXPECT_EQ(kinds(p), (std::vector<Kind>{Kind::MoveTo, Kind::LineTo, Kind::LineTo, Kind::LineTo, Kind::ClosePath,
                                           Kind::MoveTo, Kind::CurveTo, Kind::CurveTo, Kind::CurveTo, Kind::CurveTo,
                                           Kind::ClosePath}));
}

TEST(BezierPath, EndPointsAndTheirFailures) {
    CaptureLogger::Scope capture;
    const BezierPath closed = polyline({{1, 2}, {5, 2}, {5, 6}}, true);
    EXPECT_TRUE(exactlyEqual(closed.lastPoint(), QPointF(0, 0)));
    EXPECT_TRUE(capture->contains("Unhandled element 3"));
    capture->clear();
    EXPECT_TRUE(exactlyEqual(closed.pointAtIndex(3), QPointF(0, 0)));
    EXPECT_TRUE(capture->contains("Unhandled element 3"));
    EXPECT_TRUE(exactlyEqual(closed.pointAtIndex(4), QPointF(0, 0)));
    EXPECT_TRUE(capture->contains("Only 4 points in path. Attempt to access point 4"));
    EXPECT_TRUE(exactlyEqual(closed.pointAtIndex(2), QPointF(5, 6)));
    EXPECT_TRUE(exactlyEqual(closed.firstPoint(), QPointF(1, 2)));

    const BezierPath empty;
    EXPECT_TRUE(exactlyEqual(empty.firstPoint(), QPointF(0, 0)));
    EXPECT_TRUE(exactlyEqual(empty.lastPoint(), QPointF(0, 0)));

    BezierPath curve;
    curve.moveToPoint(QPointF(0, 0));
    curve.curveToPoint(QPointF(8, 9), QPointF(1, 1), QPointF(2, 2));
    EXPECT_TRUE(exactlyEqual(curve.lastPoint(), QPointF(8, 9)));
}

TEST(BezierPath, LastOpenPointSkipsTheReturnToTheStart) {
    EXPECT_TRUE(exactlyEqual(polyline({{0, 0}, {10, 0}, {10, 10}, {0, 0}}).lastOpenPoint(), QPointF(10, 10)));
    EXPECT_TRUE(exactlyEqual(polyline({{0, 0}, {10, 0}, {10, 10}}).lastOpenPoint(), QPointF(10, 10)));
    EXPECT_TRUE(exactlyEqual(polyline({{3, 3}}).lastOpenPoint(), QPointF(3, 3)));
}

TEST(BezierPath, PointsAreTheFirstPointAndTheLineEnds) {
    BezierPath p;
    p.moveToPoint(QPointF(1, 1));
    p.curveToPoint(QPointF(5, 5), QPointF(2, 3), QPointF(4, 3));
    p.lineToPoint(QPointF(9, 9));
    const std::vector<QPointF> pts = p.points();
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_TRUE(exactlyEqual(pts[0], QPointF(1, 1)));
    EXPECT_TRUE(exactlyEqual(pts[1], QPointF(9, 9)));
    EXPECT_TRUE(BezierPath().points().empty());
}

TEST(BezierPath, OutlineSegments) {
    struct Case {
        const char* name;
        BezierPath path;
        std::vector<std::pair<QPointF, QPointF>> segments;  // start (later point), finish (earlier point)
    };
    BezierPath twoParts = polyline({{0, 0}, {4, 0}});
    twoParts.moveToPoint(QPointF(10, 10));
    twoParts.lineToPoint(QPointF(10, 14));
    const Case cases[] = {
        {"open polyline", polyline({{0, 0}, {4, 0}, {4, 3}}), {{{4, 0}, {0, 0}}, {{4, 3}, {4, 0}}}},
        {"close adds the closing edge", polyline({{0, 0}, {4, 0}, {4, 3}}, true),
         {{{4, 0}, {0, 0}}, {{4, 3}, {4, 0}}, {{0, 0}, {4, 3}}}},
        {"no edge between subpaths", twoParts, {{{4, 0}, {0, 0}}, {{10, 14}, {10, 10}}}},
        {"zero-length segment left out", polyline({{0, 0}, {4, 0}, {4, 0}, {4, 3}}), {{{4, 0}, {0, 0}}, {{4, 3}, {4, 0}}}},
        {"NaN point left out", polyline({{0, 0}, {4, 0}, {kNaN, 1}, {4, 3}}), {{{4, 0}, {0, 0}}}},
        {"single move", polyline({{1, 1}}), {}},
        {"empty", BezierPath(), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<NSAlgebraicLine> lines = c.path.componentLines();
        const std::vector<QPointF> mids = c.path.componentPoints();
        ASSERT_EQ(lines.size(), c.segments.size());
        ASSERT_EQ(mids.size(), c.segments.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(lines[i].bounded());
            EXPECT_TRUE(exactlyEqual(lines[i].start(), c.segments[i].first));
            EXPECT_TRUE(exactlyEqual(lines[i].finish(), c.segments[i].second));
            EXPECT_TRUE(exactlyEqual(mids[i], (c.segments[i].first + c.segments[i].second) * 0.5));
        }
    }
}

TEST(BezierPath, FlatteningKeepsKindsAndFollowsTheCurve) {
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(QRectF(-50, -50, 100, 100));
    const BezierPath flat = oval.bezierPathByFlatteningPath();
    ASSERT_GT(flat.elementCount(), 8);
    EXPECT_EQ(flat.elements().front().kind, Kind::MoveTo);
    EXPECT_EQ(flat.elements().back().kind, Kind::ClosePath);
    for (qint64 i = 0; i + 1 < flat.elementCount(); ++i) {
        const auto& e = flat.elements()[size_t(i)];
        ASSERT_TRUE(e.kind == Kind::MoveTo || e.kind == Kind::LineTo);
        EXPECT_NEAR(std::hypot(e.points[0].x(), e.points[0].y()), 50, BezierPath::kFlatness);
        if (i > 0) {
            // Each chord stays within the flatness of the circle at its middle.
            const QPointF mid = (e.points[0] + flat.elements()[size_t(i - 1)].points[0]) * 0.5;
            EXPECT_GT(std::hypot(mid.x(), mid.y()), 50 - BezierPath::kFlatness);
        }
    }
    // The bounds of a curve are its extremes, not its control points.
    expectRect(oval.bounds(), -50, -50, 100, 100);
}

TEST(BezierPath, CoreGraphicsStyleConversionClosesAtTheEnd) {
    const auto open = polyline({{0, 0}, {4, 0}, {4, 3}}).quartzPath();
    ASSERT_TRUE(open.has_value());
    ASSERT_EQ(open->elementCount(), 4);
    EXPECT_EQ(QPointF(open->elementAt(3)), QPointF(0, 0));

    const auto single = polyline({{2, 2}}).quartzPath();
    ASSERT_TRUE(single.has_value());
    EXPECT_EQ(single->elementCount(), 1);

    EXPECT_FALSE(BezierPath().quartzPath().has_value());

    // A path already closed at its end is not closed twice.
    const auto closed = polyline({{0, 0}, {4, 0}, {4, 3}}, true).quartzPath();
    ASSERT_TRUE(closed.has_value());
    EXPECT_EQ(closed->elementCount(), 4);
}

TEST(BezierPath, LogPathWritesOneLinePerElement) {
    CaptureLogger::Scope capture;
    BezierPath p;
    p.moveToPoint(QPointF(1, 2));
    p.curveToPoint(QPointF(7, 8), QPointF(3, 4), QPointF(5, 6));
    p.lineToPoint(QPointF(9.4, 10.6));
    p.closePath();
    p.logPath();
    EXPECT_EQ(capture->messages(), (QStringList{"Move to: (1,2)", "Curve to: (7,8) Ca (3,4) Cb (5,6)",
                                                "Line to: (9,11)", "Close: (9,11)"}));
}

TEST(BezierPath, TransformsInPlace) {
    struct Case {
        const char* name;
        std::function<void(BezierPath&)> apply;
        QRectF bounds;
    };
    // Bounds (10, 20, 4, 6).
    const Case cases[] = {
        {"move to origin, bottom", [](BezierPath& p) { p.moveToOrigin(true); }, QRectF(-2, 0, 4, 6)},
        {"move to origin, top", [](BezierPath& p) { p.moveToOrigin(false); }, QRectF(-2, -6, 4, 6)},
        {"offset", [](BezierPath& p) { p.offsetPath(QPointF(1, -1)); }, QRectF(11, 19, 4, 6)},
        {"scale about a point", [](BezierPath& p) { p.scalePath(QPointF(2, 0.5), QPointF(10, 20)); },
         QRectF(10, 20, 8, 3)},
        {"scale about the centre", [](BezierPath& p) { p.scalePath(QPointF(2, 2)); }, QRectF(8, 17, 8, 12)},
        {"inset", [](BezierPath& p) { p.insetPathBy(1); }, QRectF(11, 21, 2, 4)},
        {"negative inset enlarges", [](BezierPath& p) { p.insetPathBy(-1); }, QRectF(9, 19, 6, 8)},
        {"mirror", [](BezierPath& p) { p.mirrorPath(); }, QRectF(10, 20, 4, 6)},
        {"rotate by a quarter turn about the centre", [](BezierPath& p) { p.rotatePathByDegrees(90); },
         QRectF(9, 21, 6, 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BezierPath p = BezierPath::bezierPathWithRect(QRectF(10, 20, 4, 6));
        c.apply(p);
        expectRect(p.bounds(), c.bounds.x(), c.bounds.y(), c.bounds.width(), c.bounds.height());
    }
}

TEST(BezierPath, BoundsLeaveOutPointsThatAreNotFinite) {
    expectRect(polyline({{1, 2}, {kNaN, 50}, {4, 6}}).bounds(), 1, 2, 3, 4);
    EXPECT_TRUE(polyline({{kNaN, kNaN}}).bounds().isNull());
    EXPECT_TRUE(BezierPath().bounds().isNull());
    BezierPath p = polyline({{kNaN, 0}, {std::numeric_limits<double>::infinity(), 1}});
    p.moveToOrigin(true);
    p.insetPathBy(2);
    EXPECT_TRUE(p.centreOfBounds() == QPointF(0, 0));
}

TEST(BezierPath, MirrorReflectsAboutTheVerticalCentreLine) {
    BezierPath p = polyline({{0, 0}, {4, 0}, {0, 2}});
    p.mirrorPath();
    EXPECT_EQ(p, polyline({{4, 0}, {0, 0}, {4, 2}}));
}

TEST(BezierPath, NeutralTransformsLeaveThePathAlone) {
    const BezierPath original = mixedPath();
    BezierPath p = original;
    p.offsetPath(QPointF(0, 0));
    p.scalePath(QPointF(1, 1), QPointF(3, 3));
    p.insetPathBy(0);
    p.rotatePathByDegrees(0);
    EXPECT_EQ(p, original);
    EXPECT_EQ(original.rotatedPath(0, QPointF(5, 5)), original);
}

TEST(BezierPath, InsetOfADegenerateOrTooSmallPathChangesNothingHarmful) {
    CaptureLogger::Scope capture;
    // No width: only the height changes, no division by zero.
    BezierPath upright = polyline({{5, 0}, {5, 10}});
    upright.insetPathBy(1);
    expectRect(upright.bounds(), 5, 1, 0, 8);
    // An inset past the middle would turn the path inside out.
    BezierPath small = BezierPath::bezierPathWithRect(QRectF(0, 0, 2, 2));
    small.insetPathBy(3);
    EXPECT_EQ(small, BezierPath::bezierPathWithRect(QRectF(0, 0, 2, 2)));
    EXPECT_TRUE(capture->contains("Inset"));
}

TEST(BezierPath, RotationInDegreesRoundsTheAngleToSinglePrecision) {
    const BezierPath p = polyline({{1, 0}});
    const BezierPath turned = p.rotatedPathInDegrees(90, QPointF(0, 0));
    // cos of pi/2 rounded to a float is not zero.
    EXPECT_NEAR(turned.firstPoint().x(), -4.371139000186241e-08, 1e-15);
    EXPECT_NEAR(turned.firstPoint().y(), 1, 1e-12);
    const QTransform t = BezierPath::rotationTransform(M_PI, QPointF(1, 1));
    const QPointF mapped = t.map(QPointF(2, 1));
    EXPECT_NEAR(mapped.x(), 0, 1e-12);
    EXPECT_NEAR(mapped.y(), 1, 1e-12);
}

TEST(BezierPath, DistancesAreSinglePrecision) {
    EXPECT_EQ(BezierPath::distanceBetween(QPointF(0, 0), QPointF(1, 1)), 1.4142135381698608f);
    const BezierPath p = polyline({{0, 0}, {10, 0}});
    struct Case {
        QPointF a, b, closest, further;
    };
    const Case cases[] = {
        {{9, 0}, {0, 0}, {9, 0}, {0, 0}},
        {{0, 0}, {9, 0}, {9, 0}, {0, 0}},
        {{10, 1}, {10, -1}, {10, -1}, {10, -1}},  // a tie answers the second point
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(exactlyEqual(p.closestPoint(c.a, c.b), c.closest));
        EXPECT_TRUE(exactlyEqual(p.furtherPoint(c.a, c.b), c.further));
    }
}

TEST(BezierPath, SegmentHitTestUsesTheFullLineWidth) {
    BezierPath p;
    p.setLineWidth(2);
    struct Case {
        const char* name;
        QPointF start, end, point;
        bool hit;
    };
    const Case cases[] = {
        {"over the middle at the width", {0, 0}, {2, 0}, {1, 2}, true},
        {"just beyond the width", {0, 0}, {2, 0}, {1, 2.001}, false},
        {"past the end, near it", {0, 0}, {2, 0}, {3, 0}, true},
        {"before the start, far", {0, 0}, {2, 0}, {-2.5, 0}, false},
        {"zero-length segment, at its point", {1, 1}, {1, 1}, {1, 1}, false},
        {"NaN point", {0, 0}, {2, 0}, {kNaN, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(p.lineFrom(c.start, c.end, c.point), c.hit);
    }
}

TEST(BezierPath, PolylineHitTest) {
    BezierPath lines = polyline({{0, 0}, {10, 0}, {10, 10}});
    EXPECT_TRUE(lines.intersectsPoint(QPointF(10.5, 5)));
    EXPECT_TRUE(lines.intersectsPoint(QPointF(5, -1)));
    EXPECT_FALSE(lines.intersectsPoint(QPointF(5, 5)));
    EXPECT_FALSE(BezierPath().intersectsPoint(QPointF(0, 0)));

    BezierPath curves;
    curves.moveToPoint(QPointF(0, 0));
    curves.curveToPoint(QPointF(10, 0), QPointF(3, 0), QPointF(7, 0));
    EXPECT_FALSE(curves.intersectsPoint(QPointF(5, 0)));

    // The segment after a move starts at the move, not at the previous end.
    BezierPath jump = polyline({{0, 0}, {1, 0}});
    jump.moveToPoint(QPointF(50, 50));
    jump.lineToPoint(QPointF(60, 50));
    EXPECT_FALSE(jump.intersectsPoint(QPointF(25, 25)));
    EXPECT_TRUE(jump.intersectsPoint(QPointF(55, 50)));
}

TEST(BezierPath, OverlapOfBounds) {
    const BezierPath a = BezierPath::bezierPathWithRect(QRectF(0, 0, 10, 10));
    const BezierPath b = BezierPath::bezierPathWithRect(QRectF(5, 5, 10, 10));
    const BezierPath touching = BezierPath::bezierPathWithRect(QRectF(10, 0, 5, 5));
    const BezierPath empty;
    EXPECT_TRUE(a.pathsOverlap(&b));
    EXPECT_FALSE(a.pathsOverlap(&touching));
    EXPECT_FALSE(a.pathsOverlap(&empty));
    EXPECT_FALSE(empty.pathsOverlap(&a));
    EXPECT_FALSE(a.pathsOverlap(nullptr));
}

TEST(BezierPath, ShapesFromRectanglesAndPoints) {
    const BezierPath r = BezierPath::rectFromPoints(QPointF(5, 1), QPointF(2, 7));
    EXPECT_EQ(r, BezierPath::bezierPathWithRect(QRectF(2, 1, 3, 6)));
    EXPECT_EQ(kinds(r), (std::vector<Kind>{Kind::MoveTo, Kind::LineTo, Kind::LineTo, Kind::LineTo, Kind::ClosePath}));
    expectRect(r.bounds(), 2, 1, 3, 6);
    EXPECT_EQ(r.centreOfBounds(), QPointF(3.5, 4));
}

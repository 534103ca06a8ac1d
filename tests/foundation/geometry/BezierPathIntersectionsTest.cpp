#include "BezierTestSupport.h"

#include "support/CaptureLogger.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

namespace {

// An axis-aligned square drawn as a move and four lines back to its start.
BezierPath square() { return polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}); }

bool finite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

void expectNear(const QPointF& a, const QPointF& b, double tolerance = 1e-5) {
    EXPECT_NEAR(a.x(), b.x(), tolerance);
    EXPECT_NEAR(a.y(), b.y(), tolerance);
}

std::vector<BezierPath::Element> elementsFrom(const BezierPath& path, size_t first) {
    return std::vector<BezierPath::Element>(path.elements().begin() + long(first), path.elements().end());
}

BezierPath::Element line(QPointF p) { return {Kind::LineTo, {p, QPointF(), QPointF()}}; }
BezierPath::Element move(QPointF p) { return {Kind::MoveTo, {p, QPointF(), QPointF()}}; }
BezierPath::Element curve(QPointF end, QPointF c1, QPointF c2) { return {Kind::CurveTo, {c1, c2, end}}; }

}  // namespace

TEST(BezierPathIntersections, FanFromTheCentreOfASquare) {
    const std::vector<QPointF> hits = square().intersectionsFromPoint(QPointF(5, 5), 2);
    ASSERT_EQ(hits.size(), 4u);
    // The level line meets the upright sides first, then the steep line the
    // level sides.
    std::vector<double> xs{hits[0].x(), hits[1].x()}, ys{hits[2].y(), hits[3].y()};
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    EXPECT_NEAR(xs[0], 0, 1e-5);
    EXPECT_NEAR(xs[1], 10, 1e-5);
    EXPECT_NEAR(hits[0].y(), 5, 1e-5);
    EXPECT_NEAR(ys[0], 0, 1e-5);
    EXPECT_NEAR(ys[1], 10, 1e-5);
    EXPECT_NEAR(hits[2].x(), 5, 1e-5);

    EXPECT_TRUE(square().intersectionsFromPoint(QPointF(5, 5), 0).empty());
    EXPECT_TRUE(square().intersectionsFromPoint(QPointF(5, 5), -3).empty());
}

TEST(BezierPathIntersections, OversizedRequestsAreRefusedNotAttempted) {
    CaptureLogger::Scope capture;
    const qint64 huge = qint64(1) << 40;
    EXPECT_TRUE(square().intersectionsFromPoint(QPointF(5, 5), huge).empty());
    EXPECT_TRUE(square().rapidIntersectionsFromPoint(QPointF(5, 5), huge).empty());
    EXPECT_TRUE(capture->contains("lines are too many for a fan"));
    const BezierPath four = polyline({{0, 0}, {1, 2}, {3, 1}, {4, 4}});
    EXPECT_EQ(four.smoothedPath(std::numeric_limits<int>::max()), four);
    EXPECT_TRUE(capture->contains("too fine"));
}

TEST(BezierPathIntersections, FanLinesThroughAVertexAreDropped) {
    CaptureLogger::Scope capture;
    // The diagonals run through two corners each and meet both sides of a
    // corner there.
    const BezierPath sq = square();
    const std::vector<NSAlgebraicLine> outline = sq.componentLines();
    const auto diagonal = sq.intersectionsWithLine(NSAlgebraicLine::lineWithAngleInDegrees(45, QPointF(5, 5)), true);
    ASSERT_GT(diagonal.size(), 2u);
    const std::vector<QPointF> hits = sq.intersectionsFromPoint(QPointF(5, 5), 4, &outline);
    EXPECT_EQ(hits.size(), 4u);  // the lines at 0 and 90 degrees only
    EXPECT_TRUE(capture->contains(QStringLiteral("%1 intersections").arg(diagonal.size())));
}

TEST(BezierPathIntersections, LineIntoACallersArray) {
    CaptureLogger::Scope capture;
    const BezierPath sq = square();
    const NSAlgebraicLine level = NSAlgebraicLine::lineWithAngle(0, QPointF(5, 5));
    std::vector<QPointF> points(5, QPointF(-1, -1));
    sq.intersectionsWithLine(level, nullptr, points, 2);
    // The last crossing in outline order (the left side) remains.
    expectNear(points[4], QPointF(0, 5));
    for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(exactlyEqual(points[i], QPointF(-1, -1)));

    // A position beyond the array is refused, not written.
    std::vector<QPointF> small(4, QPointF(-1, -1));
    sq.intersectionsWithLine(level, nullptr, small, 2);
    sq.intersectionsWithLine(level, nullptr, small, -1);
    for (const QPointF& p : small) EXPECT_TRUE(exactlyEqual(p, QPointF(-1, -1)));
    EXPECT_TRUE(capture->contains("No position 2"));
}

TEST(BezierPathIntersections, FastFanIsCachedPerCount) {
    const BezierPath sq = square();
    const QPointF centre(5, 5);
    const std::vector<QPointF> eight = sq.rapidIntersectionsFromPoint(centre, 8);
    const std::vector<QPointF> two = sq.rapidIntersectionsFromPoint(centre, 2);
    // Two lines (level and steep) cross the square four times, whatever count
    // came first.
    ASSERT_EQ(two.size(), 4u);
    EXPECT_GT(eight.size(), two.size());
    EXPECT_EQ(sq.rapidIntersectionsFromPoint(centre, 8).size(), eight.size());
    for (const QPointF& p : eight) EXPECT_TRUE(finite(p));

    // The fan follows the point it is cast from.
    const std::vector<QPointF> moved = sq.rapidIntersectionsFromPoint(QPointF(2, 3), 2);
    ASSERT_EQ(moved.size(), 4u);
    bool metLeftSide = false;
    for (const QPointF& p : moved) metLeftSide |= std::fabs(p.x()) < 1e-4 && std::fabs(p.y() - 3) < 1e-4;
    EXPECT_TRUE(metLeftSide);

    EXPECT_TRUE(sq.rapidIntersectionsFromPoint(centre, 0).empty());
    EXPECT_EQ(sq.rapidIntersectionsFromPoint(centre, 2).size(), 4u);
}

TEST(BezierPathIntersections, FastFanFromSeveralThreadsAgrees) {
    const BezierPath sq = square();
    const std::vector<QPointF> expected = sq.rapidIntersectionsFromPoint(QPointF(5, 5), 16);
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                const QPointF from = t % 2 ? QPointF(3, 4) : QPointF(5, 5);
                const auto hits = sq.rapidIntersectionsFromPoint(from, 16 + (i % 3));
                if (from == QPointF(5, 5) && i % 3 == 0 && hits.size() != expected.size()) ++mismatches[size_t(t)];
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

TEST(BezierPathIntersections, Centroid) {
    expectNear(square().centroid(), QPointF(5, 5));
    const BezierPath triangle = polyline({{0, 0}, {6, 0}, {0, 6}}, true);
    const QPointF c = triangle.centroid();
    EXPECT_TRUE(finite(c));
    EXPECT_TRUE(triangle.intersectsPoint(c) || (c.x() > 0 && c.y() > 0 && c.x() + c.y() < 6));
    EXPECT_TRUE(exactlyEqual(BezierPath().centroid(), QPointF(0, 0)));
    EXPECT_TRUE(exactlyEqual(polyline({{3, 3}}).centroid(), QPointF(0, 0)));
    EXPECT_TRUE(finite(polyline({{0, 0}, {kNaN, 4}, {6, 0}}).centroid()));
}

TEST(BezierPathIntersections, ClosestPointOnTheOutline) {
    QPointF out;
    EXPECT_TRUE(square().closestPoint(&out, QPointF(5, 3)));
    expectNear(out, QPointF(5, 0));

    struct Case {
        const char* name;
        BezierPath path;
        QPointF from;
    };
    const Case none[] = {
        {"empty outline", BezierPath(), QPointF(1000, 1000)},
        {"single point", polyline({{1, 1}}), QPointF(0, 0)},
        {"NaN point", square(), QPointF(kNaN, 5)},
    };
    for (const Case& c : none) {
        SCOPED_TRACE(c.name);
        out = QPointF(1, 1);
        EXPECT_FALSE(c.path.closestPoint(&out, c.from));
        EXPECT_TRUE(std::isinf(out.x()) && out.x() > 0);
        EXPECT_TRUE(std::isinf(out.y()) && out.y() > 0);
    }
}

TEST(BezierPathIntersections, SmoothingThroughThePolyline) {
    // Three points or fewer: the path as it was.
    const BezierPath three = polyline({{0, 0}, {1, 2}, {3, 1}});
    EXPECT_EQ(three.smoothedPath(4), three);

    // Granularity 1: the polyline with its ends doubled.
    const BezierPath four = polyline({{0, 0}, {1, 2}, {3, 1}, {4, 4}});
    EXPECT_EQ(four.smoothedPath(1), polyline({{0, 0}, {0, 0}, {1, 2}, {3, 1}, {4, 4}, {4, 4}}));
    EXPECT_EQ(four.smoothedPath(0), four.smoothedPath(1));

    // Points evenly spaced on a line: the spline stays on it, and between two
    // inner points it passes their midpoint.
    BezierPath straight = polyline({{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    straight.setLineWidth(3);
    const BezierPath smooth = straight.smoothedPath(2);
    EXPECT_EQ(smooth.lineWidth(), 3);
    ASSERT_EQ(smooth.elementCount(), 3 + 2 * 2 + 1);
    for (const auto& e : smooth.elements()) EXPECT_EQ(e.points[0].y(), 0);
    EXPECT_TRUE(exactlyEqual(smooth.elements()[3].points[0], QPointF(1.5, 0)));
}

TEST(BezierPathIntersections, AppendingAnotherPath) {
    const QPointF a(0, 0), b(4, 0), d(4, 3);
    const BezierPath triangle = polyline({a, b, d, a});

    BezierPath forward = polyline({{-5, -5}});
    forward.appendPathPoints(triangle);
    EXPECT_EQ(elementsFrom(forward, 1), (std::vector<BezierPath::Element>{line(a), line(b), line(d)}));

    BezierPath backward = polyline({{-5, -5}});
    backward.reverseAppendPathPoints(polyline({a, b, d}));
    EXPECT_EQ(elementsFrom(backward, 1), (std::vector<BezierPath::Element>{line(d), line(b), move(a)}));

    // A curve walked backwards swaps its control points and ends where it began.
    BezierPath withCurve;
    withCurve.moveToPoint(a);
    withCurve.curveToPoint(d, QPointF(1, 1), QPointF(2, 2));
    BezierPath curved = polyline({{-5, -5}});
    curved.appendPathPoints(withCurve);
    EXPECT_EQ(elementsFrom(curved, 1),
              (std::vector<BezierPath::Element>{line(a), curve(d, QPointF(1, 1), QPointF(2, 2))}));
    BezierPath reversed = polyline({{-5, -5}});
    reversed.reverseAppendPathPoints(withCurve);
    EXPECT_EQ(elementsFrom(reversed, 1),
              (std::vector<BezierPath::Element>{line(d), curve(a, QPointF(2, 2), QPointF(1, 1))}));

    // An empty path, or one that only returns to where it began, adds nothing.
    BezierPath unchanged = polyline({{-5, -5}});
    unchanged.appendPathPoints(BezierPath());
    unchanged.reverseAppendPathPoints(BezierPath());
    unchanged.appendPathPoints(polyline({{7, 7}}));
    EXPECT_EQ(unchanged, polyline({{-5, -5}}));
}

TEST(BezierPathIntersections, PatternPlacement) {
    const BezierPath pattern = polyline({{0, 0}, {4, 0}});
    struct Case {
        const char* name;
        QPointF at, finish;
        std::vector<BezierPath::Element> added;
    };
    const Case cases[] = {
        {"joined from its nearer start", {10, 0}, {100, 0}, {line({8, 0}), line({12, 0})}},
        {"joined backwards from its nearer end", {-10, 0}, {-100, 0}, {line({-8, 0}), move({-12, 0})}},
        {"nothing once the end is near the finish", {10, 0}, {9, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BezierPath p = polyline({{0, 0}, {1, 0}});
        p.drawPattern(pattern, c.at, 0, false, c.finish);
        EXPECT_EQ(elementsFrom(p, 2), c.added);
    }

    // Turned by a quarter turn about the placing point.
    BezierPath turned = polyline({{0, 0}, {0, 1}});
    turned.drawPattern(pattern, QPointF(0, 10), 90, false, QPointF(0, 100));
    ASSERT_EQ(turned.elementCount(), 4);
    expectNear(turned.elements()[2].points[0], QPointF(0, 8));
    expectNear(turned.elements()[3].points[0], QPointF(0, 12));

    // The older placement always joins, with a line to the nearer end first.
    BezierPath old = polyline({{0, 0}, {1, 0}});
    old.olddrawPattern(pattern, QPointF(10, 0), 0, false);
    EXPECT_EQ(elementsFrom(old, 2), (std::vector<BezierPath::Element>{line({8, 0}), move({8, 0}), line({12, 0})}));
}

TEST(BezierPathIntersections, PointMarkers) {
    BezierPath p = polyline({{0, 0}});
    p.drawPoint(QPointF(10, 20), QPointF(99, 99));
    const BezierPath marker = BezierPath::fromElements(elementsFrom(p, 1));
    const QRectF r = marker.bounds();
    EXPECT_NEAR(r.x(), 8, 1e-9);
    EXPECT_NEAR(r.y(), 18, 1e-9);
    EXPECT_NEAR(r.width(), 5, 1e-9);
    EXPECT_NEAR(r.height(), 5, 1e-9);

    QImage image(20, 20, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setPen(Qt::black);
        BezierPath::plotPoint(painter, QPointF(10, 10), 10);
        BezierPath::plotPoint(painter, QPointF(kNaN, 10), 10);
    }
    EXPECT_NE(image.pixelColor(15, 10), QColor(Qt::white));  // on the circle
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::white));  // inside it
}

TEST(BezierPathIntersections, WavyLines) {
    // Level line from (10, 10) to (20, 10), line width 1: waves 2 apart,
    // alternating 1 below and 1 above.
    BezierPath level = polyline({{0, 0}, {10, 10}});
    level.wavyLineToPoint(QPointF(20, 10));
    EXPECT_EQ(elementsFrom(level, 2), (std::vector<BezierPath::Element>{line({12, 9}), line({14, 11}), line({16, 9}),
                                                                          line({18, 11}), line({20, 9}), line({20, 10})}));

    struct Case {
        const char* name;
        BezierPath path;
        QPointF end;
        float waveLength;
        std::vector<BezierPath::Element> added;
    };
    BezierPath noWidth = polyline({{1, 1}});
    noWidth.setLineWidth(0);
    const Case cases[] = {
        {"empty path", BezierPath(), {5, 5}, 2, {}},
        {"path ending at the origin", polyline({{3, 3}, {0, 0}}), {5, 5}, 2, {}},
        {"zero wave length", polyline({{1, 1}}), {9, 1}, 0, {line({9, 1})}},
        {"negative wave length", polyline({{1, 1}}), {9, 1}, -2, {line({9, 1})}},
        {"shorter than one wave", polyline({{1, 1}}), {2, 1}, 2, {line({2, 1})}},
        {"wave length too small to count", polyline({{1, 1}}), {9, 1}, 1e-30f, {line({9, 1})}},
        {"NaN end", polyline({{1, 1}}), {kNaN, 1}, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BezierPath p = c.path;
        const size_t before = size_t(p.elementCount());
        p.wavyLineToPoint(c.end, c.waveLength, 1);
        EXPECT_EQ(elementsFrom(p, before), c.added);
    }
    noWidth.wavyLineToPoint(QPointF(9, 1));
    EXPECT_EQ(elementsFrom(noWidth, 1), (std::vector<BezierPath::Element>{line({9, 1})}));

    // Upright: straight up with the amplitude across it.
    BezierPath up = polyline({{5, 5}});
    up.wavyLineToPoint(QPointF(5, 9), 2, 0.5f);
    ASSERT_EQ(up.elementCount(), 4);
    expectNear(up.elements()[1].points[0], QPointF(5, 7.5));
    expectNear(up.elements()[2].points[0], QPointF(5, 8.5));
    expectNear(up.elements()[3].points[0], QPointF(5, 9));
}

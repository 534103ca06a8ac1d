#include "foundation/geometry/NSAlgebraicLine.h"

#include "support/CaptureLogger.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

// Expected values below were computed independently with Python's struct
// module rounding to IEEE single precision.

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

NSAlgebraicLine sloped(double angle, double slope, double b) {
    NSAlgebraicLine l;
    l.setAngle(angle);
    l.setSlope(slope);
    l.setB(b);
    return l;
}

NSAlgebraicLine vertical(double angle, double q) {
    NSAlgebraicLine l;
    l.setAngle(angle);
    l.setSlope(kInf);
    l.setQ(q);
    return l;
}

}  // namespace

TEST(AlgebraicLine, InterceptsAreKeptInSinglePrecision) {
    NSAlgebraicLine l;
    l.setB(0.1);
    l.setQ(1.0 / 3);
    EXPECT_EQ(l.b(), 0.10000000149011612);
    EXPECT_EQ(l.q(), 0.3333333432674408);
    NSAlgebraicLine fresh;
    EXPECT_FALSE(fresh.bounded());
    EXPECT_EQ(fresh.angle(), 0);
    EXPECT_EQ(fresh.slope(), 0);
}

TEST(AlgebraicLine, ConstructionRoundsAngleAndSlope) {
    // tan(pi/2) stays finite in single precision, so this line is not vertical.
    const NSAlgebraicLine steep = NSAlgebraicLine::lineWithAngle(M_PI / 2, QPointF(3, 4));
    EXPECT_EQ(steep.slope(), 1.6331239480885248e16);
    EXPECT_FALSE(steep.isVertical());
    EXPECT_EQ(steep.angle(), M_PI / 2);

    const NSAlgebraicLine degrees = NSAlgebraicLine::lineWithAngleInDegrees(45, QPointF(0, 2));
    EXPECT_EQ(degrees.angle(), (45 * 3.141592653589793) / 180.0);
    EXPECT_NEAR(degrees.b(), 2.0, 1e-6);

    // A segment's angle points from its second point towards its first.
    const NSAlgebraicLine up = NSAlgebraicLine::lineThroughPoint(QPointF(0, 0), QPointF(1, 1));
    const NSAlgebraicLine down = NSAlgebraicLine::lineThroughPoint(QPointF(1, 1), QPointF(0, 0));
    EXPECT_EQ(up.angle(), -2.356194496154785);
    EXPECT_EQ(down.angle(), 0.7853981852531433);
    EXPECT_TRUE(up.bounded());
    EXPECT_TRUE(exactlyEqual(up.start(), QPointF(0, 0)));
    EXPECT_TRUE(exactlyEqual(up.finish(), QPointF(1, 1)));

    const NSAlgebraicLine point = NSAlgebraicLine::lineThroughPoint(QPointF(2, 7), QPointF(2, 7));
    EXPECT_EQ(point.angle(), 0);
    EXPECT_EQ(point.slope(), 0);
    EXPECT_EQ(point.b(), 7);
}

TEST(AlgebraicLine, SameLineWithOppositeAnglesIsCoincidentNotNaN) {
    // The angles differ, so the angle test lets the pair through, but the
    // slopes round to the same float: the lines coincide and there is no
    // single crossing to hand back.
    const NSAlgebraicLine up = NSAlgebraicLine::lineThroughPoint(QPointF(0, 0), QPointF(1, 1));
    const NSAlgebraicLine down = NSAlgebraicLine::lineThroughPoint(QPointF(1, 1), QPointF(0, 0));
    ASSERT_NE(up.angle(), down.angle());
    QPointF p(9, 9);
    bool identical = false;
    EXPECT_FALSE(up.intersection(&p, down, &identical));
    EXPECT_TRUE(identical);
    EXPECT_TRUE(exactlyEqual(p, QPointF(0, 0)));
    EXPECT_FALSE(up.intersectionWithLine(down).has_value());
    EXPECT_FALSE(up.boundedIntersectionWithLine(down).has_value());
}

TEST(AlgebraicLine, ParallelAndCoincidentLines) {
    struct Case {
        const char* name;
        NSAlgebraicLine a, b;
        bool identical;
    };
    const Case cases[] = {
        {"equal angles, different intercepts", sloped(0.5, 2, 1), sloped(0.5, 2, 3), false},
        {"equal angles, equal intercepts", sloped(0.5, 2, 1), sloped(0.5, 2, 1), true},
        // Different angles that round to one slope: no division by zero.
        {"equal slopes, different angles", sloped(0.5, 2, 1), sloped(0.6, 2, 3), false},
        {"equal slopes and intercepts, different angles", sloped(0.5, 2, 1), sloped(0.6, 2, 1), true},
        {"two vertical lines at one x", vertical(1, 4), vertical(1, 4), true},
        {"two vertical lines at different x", vertical(1, 4), vertical(1, 5), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPointF p(9, 9);
        bool identical = !c.identical;
        EXPECT_FALSE(c.a.intersection(&p, c.b, &identical));
        EXPECT_EQ(identical, c.identical);
        EXPECT_TRUE(exactlyEqual(p, QPointF(0, 0)));
        p = QPointF(9, 9);
        EXPECT_FALSE(c.a.boundedIntersection(&p, c.b, &identical));
        EXPECT_FALSE(c.a.oldboundedIntersection(&p, c.b, &identical));
        EXPECT_FALSE(c.a.intersectionWithLine(c.b).has_value());
        EXPECT_FALSE(c.a.boundedIntersectionWithLine(c.b).has_value());
        QPointF untouched(9, 9);
        EXPECT_FALSE(c.a.boundedIntersectionWithLine(c.b, &untouched));
        EXPECT_TRUE(exactlyEqual(untouched, QPointF(9, 9)));
    }
}

TEST(AlgebraicLine, TwoVerticalLinesAreLoggedUnderEachOperation) {
    CaptureLogger::Scope capture;
    const NSAlgebraicLine a = vertical(1, 4), b = vertical(2, 5);
    QPointF p;
    bool identical = true;
    EXPECT_FALSE(a.intersection(&p, b, &identical));
    EXPECT_FALSE(identical);
    EXPECT_EQ(capture->take().filter("shouldn't have two infinite slopes").size(), 1);
    EXPECT_FALSE(a.oldboundedIntersection(&p, b, &identical));
    EXPECT_EQ(capture->take().filter("shouldn't have two infinite slopes").size(), 2);
    EXPECT_FALSE(a.intersectionWithLine(b).has_value());
    EXPECT_EQ(capture->take().filter("shouldn't have two infinite slopes").size(), 1);
}

TEST(AlgebraicLine, CrossingPointsInBothPrecisions) {
    struct Case {
        const char* name;
        NSAlgebraicLine a, b;
        QPointF doublePoint, singlePoint;
    };
    const Case cases[] = {
        {"vertical meets sloped", vertical(1, 3), sloped(0.2, 2, 1), QPointF(3, 7), QPointF(3, 7)},
        {"sloped meets vertical", sloped(0.2, 2, 1), vertical(1, 3), QPointF(3, 7), QPointF(3, 7)},
        // The division rounds differently in single precision.
        {"shallow meets level", sloped(0.3, 0.1, 0), sloped(0, 0, 1.0 / 3),
         QPointF(3.333333432674408, 0.3333333432674408), QPointF(3.3333334922790527, 0.3333333432674408)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPointF p;
        bool identical = true;
        ASSERT_TRUE(c.a.intersection(&p, c.b, &identical));
        EXPECT_FALSE(identical);
        EXPECT_EQ(p.x(), c.doublePoint.x());
        EXPECT_EQ(p.y(), c.doublePoint.y());
        const auto single = c.a.intersectionWithLine(c.b);
        ASSERT_TRUE(single.has_value());
        EXPECT_EQ(single->x(), c.singlePoint.x());
        EXPECT_EQ(single->y(), c.singlePoint.y());
    }
}

TEST(AlgebraicLine, BoundsTestOnlyThisSegmentEndsIncluded) {
    // A segment with one x: its y range is tested.
    const NSAlgebraicLine upright = NSAlgebraicLine::lineThroughPoint(QPointF(5, 0), QPointF(5, 10));
    // A level segment: its x range is tested.
    const NSAlgebraicLine level = NSAlgebraicLine::lineThroughPoint(QPointF(0, 2), QPointF(4, 2));
    struct Case {
        const char* name;
        NSAlgebraicLine segment, line;
        bool inside;
    };
    const Case cases[] = {
        {"upright, at its top end", upright, NSAlgebraicLine::lineWithAngle(0, QPointF(0, 10)), true},
        {"upright, inside", upright, NSAlgebraicLine::lineWithAngle(0, QPointF(0, 3)), true},
        {"upright, above", upright, NSAlgebraicLine::lineWithAngle(0, QPointF(0, 10.5)), false},
        {"level, at its left end", level, vertical(1, 0), true},
        {"level, past its right end", level, vertical(1, 4.5), false},
        // The other line's bounds are never tested.
        {"other line's bounds ignored", level, NSAlgebraicLine::lineThroughPoint(QPointF(2, 50), QPointF(2.0001, 60)),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPointF p;
        bool identical = false;
        EXPECT_TRUE(c.segment.intersection(&p, c.line, &identical));
        const QPointF unbounded = p;
        EXPECT_EQ(c.segment.boundedIntersection(&p, c.line, &identical), c.inside);
        EXPECT_TRUE(exactlyEqual(p, unbounded));
        EXPECT_EQ(c.segment.oldboundedIntersection(&p, c.line, &identical), c.inside);
        EXPECT_EQ(c.segment.boundedIntersectionWithLine(c.line).has_value(), c.inside);
        QPointF out(-1, -1);
        EXPECT_EQ(c.segment.boundedIntersectionWithLine(c.line, &out), c.inside);
        if (!c.inside) {
            EXPECT_TRUE(exactlyEqual(out, QPointF(-1, -1)));
        }
    }
}

TEST(AlgebraicLine, DegenerateInputAnswersNoIntersection) {
    const NSAlgebraicLine through = NSAlgebraicLine::lineWithAngleInDegrees(30, QPointF(2, 7));
    const NSAlgebraicLine pointSegment = NSAlgebraicLine::lineThroughPoint(QPointF(2, 7), QPointF(2, 7));
    const NSAlgebraicLine nanLine = NSAlgebraicLine::lineWithAngle(0.3, QPointF(kNaN, 1));
    const NSAlgebraicLine nanSegment = NSAlgebraicLine::lineThroughPoint(QPointF(kNaN, 0), QPointF(1, 1));
    const NSAlgebraicLine level = NSAlgebraicLine::lineWithAngle(0, QPointF(0, 1));
    struct Case {
        const char* name;
        NSAlgebraicLine a, b;
    };
    const Case cases[] = {
        {"zero-length segment, line through its point", pointSegment, through},
        {"zero-length segment, line elsewhere", pointSegment, NSAlgebraicLine::lineWithAngleInDegrees(30, QPointF(50, 0))},
        {"NaN intercept", level, nanLine},
        {"NaN segment end", nanSegment, NSAlgebraicLine::lineWithAngleInDegrees(80, QPointF(0, 0))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPointF p(9, 9);
        bool identical = true;
        EXPECT_FALSE(c.a.boundedIntersection(&p, c.b, &identical));
        EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y()));
        EXPECT_FALSE(c.a.boundedIntersectionWithLine(c.b).has_value());
    }
    QPointF p;
    bool identical = false;
    EXPECT_FALSE(level.intersection(&p, nanLine, &identical));
    EXPECT_FALSE(level.intersectionWithLine(nanLine).has_value());
}

TEST(AlgebraicLine, DrawsAcrossTheRectangle) {
    QImage image(20, 20, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setPen(Qt::black);
        NSAlgebraicLine level;
        level.setB(10.5);  // through pixel row 10
        level.drawInRect(painter, QRectF(0, 0, 20, 20));
        vertical(1, 4.5).drawInRect(painter, QRectF(0, 0, 20, 20));
        // A line with a NaN intercept draws nothing and does not crash.
        NSAlgebraicLine broken;
        broken.setB(kNaN);
        broken.drawInRect(painter, QRectF(0, 0, 20, 20));
    }
    EXPECT_EQ(image.pixelColor(15, 10), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(4, 16), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(15, 16), QColor(Qt::white));
}

#include "foundation/gui/DisableSubviews.h"
#include "foundation/gui/ImageExtensions.h"
#include "foundation/gui/StringDrawing.h"
#include "platform/ParagraphStyle.h"
#include "platform/Rtf.h"
#include "platform/Url.h"
#include "platform/gui/RichTextConversion.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QPainter>
#include <QPushButton>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace ts;
using namespace ImageExtensions;

namespace {

class Gui : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "richtext_gui_tests";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance()) new QApplication(argc, argv);
    }
};

QImage filled(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(c);
    return img;
}

}  // namespace

TEST_F(Gui, ImageEncodingAndDerivedImages) {
    const QImage src = filled(100, 50, Qt::red);
    const QByteArray png = pngRepresentation(src);
    ASSERT_TRUE(png.startsWith("\x89PNG"));
    EXPECT_EQ(QImage::fromData(png).size(), QSize(100, 50));
    const QByteArray jpeg = jpegRepresentation(src, 0.96f);
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8"));
    EXPECT_GT(jpeg.size(), jpegRepresentation(src, 0.1f).size());
    EXPECT_TRUE(pngRepresentation(QImage()).isEmpty());

    EXPECT_EQ(imageRotatedByDegrees(src, 90).size(), QSize(50, 100));
    const QImage turned = imageRotatedByDegrees(src, 45);
    EXPECT_EQ(turned.width(), 107);  // 75 × √2 ≈ 106.07, rounded up to whole points
    EXPECT_EQ(turned.height(), 107);
    EXPECT_EQ(QColor(turned.pixel(53, 53)), QColor(Qt::red));
    EXPECT_EQ(qAlpha(turned.pixel(1, 1)), 0);

    // Counter-clockwise: a marker at the right end ends up at the top.
    QImage marked = filled(100, 50, Qt::white);
    QPainter(&marked).fillRect(90, 0, 10, 50, Qt::blue);
    const QImage up = imageRotatedByDegrees(marked, 90);
    EXPECT_EQ(QColor(up.pixel(25, 5)), QColor(Qt::blue));
    EXPECT_EQ(QColor(up.pixel(25, 95)), QColor(Qt::white));

    const QImage crop = imageFromRect(marked, QRectF(80, 10, 20, 20));
    EXPECT_EQ(crop.size(), QSize(20, 20));
    EXPECT_EQ(QColor(crop.pixel(2, 2)), QColor(Qt::white));
    EXPECT_EQ(QColor(crop.pixel(15, 2)), QColor(Qt::blue));
}

TEST_F(Gui, ResizeLeavesTheReceiverAlone) {
    const QImage src = filled(200, 100, Qt::green);
    const QImage half = sizeToHeight(src, 50);
    EXPECT_EQ(half.size(), QSize(100, 50));
    EXPECT_EQ(src.size(), QSize(200, 100));
    EXPECT_EQ(imageResize(src, QSizeF(30, 40)).size(), QSize(30, 40));
    EXPECT_TRUE(imageResize(QImage(), QSizeF(10, 10)).isNull());

    EXPECT_TRUE(blankImageOfSize(QSizeF(4, 4), nullptr).isNull());
    const QImage blank = blankImageOfSize(QSizeF(4, 3), Color::calibratedRgb(0, 0, 1));
    EXPECT_EQ(blank.size(), QSize(4, 3));
    EXPECT_EQ(QColor(blank.pixel(3, 2)), QColor(Qt::blue));

    // Missing overlay: the receiver itself (the same shared pixels).
    const QImage same = mergeWith(src, QImage());
    EXPECT_EQ(same.constBits(), src.constBits());
    QImage overlay = filled(10, 10, Qt::transparent);
    QPainter(&overlay).fillRect(0, 0, 5, 10, Qt::red);
    const QImage merged = mergeWith(src, overlay);
    EXPECT_EQ(merged.size(), src.size());
    EXPECT_EQ(QColor(merged.pixel(10, 50)), QColor(Qt::red));
    EXPECT_EQ(QColor(merged.pixel(190, 50)), QColor(Qt::green));
    EXPECT_EQ(invertImage(src).pixel(3, 3), src.pixel(3, 3));
}

TEST_F(Gui, RotatedTextLeavesTheTransformAsItWas) {
    QImage canvasImage = filled(200, 200, Qt::white);
    QPainter p(&canvasImage);
    p.translate(5, 7);
    const QTransform before = p.worldTransform();
    const Attributes attrs{{AttributeName::Font, Value(Font::make("Helvetica", 24))},
                           {AttributeName::ForegroundColor, Value(Color::calibratedRgb(0, 0, 0))}};
    StringDrawing::drawAtPointWithRotation(p, QStringLiteral("IIII"), attrs, QPointF(100, 100), 90);
    EXPECT_EQ(p.worldTransform(), before);
    StringDrawing::drawAtPointWithMidRotation(p, QStringLiteral("I"), attrs, QPointF(10, 10), 45);
    EXPECT_EQ(p.worldTransform(), before);
    p.end();
    // Turned by 90° counter-clockwise about its top-left corner, the text
    // runs upward from (105, 107): ink above that point, none below it.
    int above = 0, below = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 100; x < 140; ++x)
            if (qGray(canvasImage.pixel(x, y)) < 128) (y < 107 ? above : below)++;
    EXPECT_GT(above, 0);
    EXPECT_EQ(below, 0);
}

TEST_F(Gui, EnablingWalksIntoContainersOnly) {
    QWidget root;
    auto* outer = new QFrame(&root);
    auto* middle = new QFrame(outer);
    auto* inner = new QFrame(middle);
    auto* deep = new QPushButton(QStringLiteral("deep"), inner);
    QPushButton* tagged[4];
    for (int i = 0; i < 4; ++i) {
        tagged[i] = new QPushButton(&root);
        tagged[i]->setProperty("tag", 3 + i);  // tags 3, 4, 5, 6
    }
    auto* check = new QCheckBox(&root);

    DisableSubviews::disableSubviews(&root, true);
    EXPECT_FALSE(deep->isEnabled());
    EXPECT_TRUE(root.isEnabled());
    EXPECT_TRUE(outer->isEnabled() && middle->isEnabled() && inner->isEnabled());
    DisableSubviews::disableSubviews(&root, false);
    EXPECT_TRUE(deep->isEnabled());

    DisableSubviews::disableSubviewsStartTag(&root, true, 3, 5);
    EXPECT_FALSE(tagged[0]->isEnabled());
    EXPECT_FALSE(tagged[2]->isEnabled());
    EXPECT_TRUE(tagged[3]->isEnabled());
    DisableSubviews::disableSubviews(&root, false);

    DisableSubviews::enableSubviews(&root, true, QCheckBox::staticMetaObject);
    EXPECT_FALSE(check->isEnabled());
    EXPECT_TRUE(deep->isEnabled());
    DisableSubviews::disableSubviewsOfTypeWithTags(&root, true, QPushButton::staticMetaObject, {6});
    EXPECT_FALSE(tagged[3]->isEnabled());
    EXPECT_TRUE(tagged[0]->isEnabled());
    DisableSubviews::disableSubviewsInTagRange(&root, true, 4, 1);
    EXPECT_FALSE(tagged[1]->isEnabled());
    EXPECT_TRUE(tagged[2]->isEnabled());
}

TEST_F(Gui, TextDocumentRoundTrip) {
    AttributedString s(QStringLiteral("Arma "), {{AttributeName::Font, Value(Font::make("Helvetica", 12))}});
    s.append(QStringLiteral("[1]"), {{AttributeName::Font, Value(Font::make("Helvetica-Bold", 12))},
                                     {AttributeName::Link, Value(Url::make("footnote:1"))},
                                     {AttributeName::Underline, Value(1)},
                                     {AttributeName::ForegroundColor, Value(Color::linkColor())}});
    s.append(QStringLiteral("*"), {{AttributeName::Font, Value(Font::make("Helvetica", 12))}, {AttributeName::Link, Value("vocab:7")}});
    s.append(QStringLiteral("\nvirum"), {{AttributeName::Font, Value(Font::make("Times-Italic", 14))},
                                         {AttributeName::BaselineOffset, Value(3.0)},
                                         {AttributeName::SuperScript, Value(1)}});
    QTextDocument doc;
    RichTextConversion::toTextDocument(s, doc);
    EXPECT_EQ(doc.toPlainText(), s.string());
    const AttributedString back = RichTextConversion::fromTextDocument(doc);
    EXPECT_EQ(back.string(), s.string());
    EXPECT_TRUE(back.isEqualToAttributedString(s)) << back.description().toStdString();
}

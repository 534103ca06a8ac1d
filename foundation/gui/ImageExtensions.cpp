#include "foundation/gui/ImageExtensions.h"

#include "app/logging/LGLog.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QtGlobal>
#include <QtMath>

#include <cmath>

namespace ImageExtensions {
namespace {

// Sizes are whole pixels; a fraction rounds up so nothing is cut off, but a
// value within rounding noise of a whole number stays that number.
int wholeSize(double v) { return std::max(1, int(std::ceil(v - 1e-6))); }

QImage canvas(int w, int h) {
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    if (!out.isNull()) out.fill(Qt::transparent);
    return out;
}

QByteArray encode(const QImage& image, const char* format, int quality) {
    if (image.isNull()) return {};
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(false);
    if (!writer.write(image)) {
        TSLogError("Could not encode image as %s: %@", format, writer.errorString());
        return {};
    }
    return data;
}

}  // namespace

QByteArray pngRepresentation(const QImage& image) { return encode(image, "png", -1); }

QByteArray jpegRepresentation(const QImage& image, float compressionFactor) {
    const float f = std::isfinite(compressionFactor) ? qBound(0.0f, compressionFactor, 1.0f) : 1.0f;
    return encode(image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB32) : image, "jpeg", qRound(f * 100));
}

QImage imageRotatedByDegrees(const QImage& image, double degrees) {
    if (image.isNull() || !std::isfinite(degrees)) return QImage();
    const double w = image.width(), h = image.height();
    const double a = qDegreesToRadians(degrees);
    const double W = std::abs(w * std::cos(a)) + std::abs(h * std::sin(a));
    const double H = std::abs(w * std::sin(a)) + std::abs(h * std::cos(a));
    QImage out = canvas(wholeSize(W), wholeSize(H));
    if (out.isNull()) return out;
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    const double cx = out.width() / 2.0, cy = out.height() / 2.0;
    p.translate(cx, cy);
    // Counter-clockwise on screen: the y axis points down here.
    p.rotate(-degrees);
    p.translate(-cx, -cy);
    p.drawImage(QRectF(cx - w / 2, cy - h / 2, w, h), image);
    return out;
}

QImage imageFromRect(const QImage& image, const QRectF& rect) {
    if (image.isNull() || !rect.isValid()) return QImage();
    QImage out = canvas(wholeSize(rect.width()), wholeSize(rect.height()));
    if (out.isNull()) return out;
    QPainter p(&out);
    p.drawImage(QPointF(-rect.x(), -rect.y()), image);
    return out;
}

QImage imageResize(const QImage& image, const QSizeF& size) {
    if (image.isNull() || !size.isValid() || size.isEmpty()) {
        qWarning("Invalid Image");
        return QImage();
    }
    QImage out = canvas(wholeSize(size.width()), wholeSize(size.height()));
    if (out.isNull()) {
        qWarning("Invalid Image");
        return out;
    }
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QRectF(QPointF(0, 0), size), image);
    return out;
}

QImage sizeToHeight(const QImage& image, float height) {
    if (image.isNull() || image.height() == 0) return imageResize(QImage(), {});
    const float ratio = float(image.width()) / float(image.height());
    return imageResize(image, QSizeF(double(ratio * height), double(height)));
}

QImage blankImageOfSize(const QSizeF& size, const ts::ColorPtr& color) {
    if (!color) {
        TSLogError("Nil color passed to blankImageOfSize:color");
        return QImage();
    }
    if (!size.isValid() || size.isEmpty()) return QImage();
    QImage out = canvas(wholeSize(size.width()), wholeSize(size.height()));
    const ts::Color::Rgba c = color->toRgb();
    out.fill(QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), float(c.alpha)));
    return out;
}

QImage mergeWith(const QImage& image, const QImage& other) {
    if (other.isNull()) return image;
    if (image.isNull()) return QImage();
    QImage out = canvas(image.width(), image.height());
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(out.rect(), image);
    p.drawImage(QRectF(out.rect()), other);
    return out;
}

QImage invertImage(const QImage& image) {
    if (image.isNull()) return QImage();
    QImage out = canvas(image.width(), image.height());
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

}  // namespace ImageExtensions

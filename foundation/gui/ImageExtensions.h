#pragma once
// Image data and derived images: PNG and JPEG encoding, rotation, cropping,
// resizing, merging and blank images. Images are QImages whose pixel size
// is their size in points.
//
// Nothing here changes the image it is given: each operation answers a new
// image (implicitly shared with the receiver where it is the same picture).
// A null QImage stands for a missing image. Any thread.

#include "platform/Color.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSizeF>

namespace ImageExtensions {

QByteArray pngRepresentation(const QImage& image);
// Compression factor from 0 (smallest) to 1 (best quality).
QByteArray jpegRepresentation(const QImage& image, float compressionFactor);
// Turned counter-clockwise by the angle about its centre, on a canvas the
// size of the turned image's bounding box (rounded up to whole points).
QImage imageRotatedByDegrees(const QImage& image, double degrees);
// The part inside the rectangle (top-left origin), on an image of the
// rectangle's size; what lies outside the receiver is transparent.
QImage imageFromRect(const QImage& image, const QRectF& rect);
// The receiver drawn over the whole of a new image of the size. A null
// receiver writes "Invalid Image" to the console and answers a null image.
QImage imageResize(const QImage& image, const QSizeF& size);
// Resized to the height, keeping the aspect ratio.
QImage sizeToHeight(const QImage& image, float height);
// Filled with the colour; a missing colour is reported and answers null.
QImage blankImageOfSize(const QSizeF& size, const ts::ColorPtr& color);
// The other image drawn over the receiver, scaled to the receiver's size;
// the receiver itself when the other is missing.
QImage mergeWith(const QImage& image, const QImage& other);
// The receiver drawn unchanged into a new image of its size.
QImage invertImage(const QImage& image);

}  // namespace ImageExtensions

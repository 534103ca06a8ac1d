#include "TSTokenField.h"

#include "app/logging/LGLog.h"
#include "tools/TSPatternLanguage.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QGuiApplication>
#include <QScreen>
#include <QPainterPath>

namespace {
constexpr int kPad = 4;
constexpr int kChipHeight = 22;
constexpr int kChipGap = 3;

QString chipText(const QString& token) {
    // The superscript sign is a combining mark after a blank: show it over a
    // dotted circle so the chip is not empty-looking.
    return token.startsWith(QLatin1Char(' ')) ? QString(QChar(0x25CC)) + token.mid(1) : token;
}
}  // namespace

TSTokenField::TSTokenField(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_StyledBackground, false);
    editor_ = new QLineEdit(this);
    editor_->setFrame(false);
    editor_->installEventFilter(this);
    editor_->setObjectName(QStringLiteral("tokenEditor"));
    setFocusProxy(editor_);
    connect(editor_, &QLineEdit::textEdited, this, [this](const QString& t) { editorEdited(t); });
    connect(editor_, &QLineEdit::returnPressed, this, [this] {
        commitEditorText(true);
        Q_EMIT returnPressed();
    });
    setMinimumHeight(kChipHeight + 2 * kPad + 2);
    relayout();
}

QStringList TSTokenField::objectValue() const {
    QStringList t = tokens_;
    if (!editor_->text().isEmpty()) t.append(editor_->text());
    return t;
}

void TSTokenField::setObjectValue(const QStringList& tokens) {
    tokens_.clear();
    for (const QString& t : tokens)
        if (!t.isEmpty()) tokens_.append(t);
    editor_->clear();
    previousText_.clear();
    selLocation_ = std::min<int>(selLocation_, tokens_.size());
    selLength_ = std::min<int>(selLength_, tokens_.size() - selLocation_);
    relayout();
    Q_EMIT changed();
}

QString TSTokenField::stringValue() const { return objectValue().join(QLatin1Char(',')); }

void TSTokenField::setStringValue(const QString& text) {
    setObjectValue(text.split(QLatin1Char(','), Qt::SkipEmptyParts));
    selLocation_ = int(tokens_.size());
    selLength_ = 0;
}

void TSTokenField::setSelectedRange(int location, int length) {
    selLocation_ = std::clamp(location, 0, int(tokens_.size()) + 1);
    selLength_ = std::max(0, length);
    update();
}

void TSTokenField::insertKnownLetters(const QString& token) {
    commitEditorText(true);
    if (tokens_.isEmpty()) {
        tokens_ = {token};
        setFocus();
        selLocation_ = 1;
        selLength_ = 0;
    } else {
        const int location = selLocation_, length = selLength_;
        TSPatternLanguage::replaceTokens(tokens_, location, length, token);
        setFocus();
        selLocation_ = location + 1;
        selLength_ = length;
    }
    relayout();
    Q_EMIT changed();
}

void TSTokenField::tokenMenuSelected(const QString& token) {
    if (token.isEmpty()) return;
    commitEditorText(true);
    TSPatternLanguage::replaceTokens(tokens_, selLocation_, selLength_, token);
    relayout();
    Q_EMIT changed();
}

bool TSTokenField::hasMenuForRepresentedObject(const QString& token) {
    return TSPatternLanguage::menuTokens().contains(token);
}

QMenu* TSTokenField::menuForRepresentedObject(const QString&, QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("Context"), parent);
    for (const QString& token : TSPatternLanguage::menuTokens()) {
        QAction* a = nullptr;
        if (TSPatternLanguage::imageSet().contains(token))
            a = menu->addAction(iconForToken(token, QSize(16, 16)), QString());
        else if (token == QLatin1String("uuuu"))
            a = menu->addAction(iconForToken(token, QSize(32, 16)), QString());
        else
            a = menu->addAction(token);
        a->setData(token);
        a->setToolTip(token);
        connect(a, &QAction::triggered, this, [this, token] { tokenMenuSelected(token); });
    }
    return menu;
}

QImage TSTokenField::resizedImage(const QImage& image, QSize pixels) {
    if (image.isNull() || pixels.isEmpty()) return {};
    QImage out(pixels, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(QPoint(0, 0), pixels), image);
    p.restore();
    return out;
}

QPixmap TSTokenField::imageForToken(const QString& token, QSize size, qreal devicePixelRatio) {
    if (size.isEmpty()) return {};
    const qreal ratio = std::max<qreal>(1.0, devicePixelRatio);
    // Drawn straight at the pixels it is shown on: a picture drawn larger and
    // scaled down comes out grey and blurred at 16 pixels.
    QImage image(QSize(qRound(size.width() * ratio), qRound(size.height() * ratio)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QColor ink = QApplication::palette().color(QPalette::WindowText);
    ink.setAlpha(255);
    const QRectF box(QPointF(0, 0), QSizeF(image.size()));
    if (token == QLatin1String("uuuu")) {
        // Four minims: upright strokes with the small foot of a book hand.
        QPen pen(ink, std::max(1.5, box.height() * 0.12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        const qreal top = box.height() * 0.2, bottom = box.height() * 0.82, step = box.width() / 4.0;
        for (int i = 0; i < 4; ++i) {
            const qreal x = step * (i + 0.5);
            QPainterPath path(QPointF(x - step * 0.18, top + step * 0.12));
            path.lineTo(x, top);
            path.lineTo(x, bottom);
            path.lineTo(x + step * 0.22, bottom - step * 0.12);
            p.drawPath(path);
        }
    } else if (TSPatternLanguage::menuTokens().contains(token)) {
        // The glyph's own ink is fitted to the box, so a small sign (a
        // superscript, a mark over a blank) is as large as a letter.
        QPainterPath glyph;
        glyph.addText(0, 0, signFont(std::max(8, int(box.height()))), token);
        const QRectF inked = glyph.boundingRect();
        if (inked.isEmpty()) return {};
        const qreal margin = box.height() * 0.06;
        const QRectF room = box.adjusted(margin, margin, -margin, -margin);
        const qreal scale = std::min(room.width() / inked.width(), room.height() / inked.height());
        p.translate(room.center());
        p.scale(scale, scale);
        p.translate(-inked.center());
        p.fillPath(glyph, ink);
    } else {
        return {};
    }
    p.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon TSTokenField::iconForToken(const QString& token, QSize size) {
    QIcon icon;
    QList<qreal> ratios = {1.0, 2.0};
    for (const QScreen* screen : QGuiApplication::screens())
        if (!ratios.contains(screen->devicePixelRatio())) ratios.append(screen->devicePixelRatio());
    for (const qreal ratio : ratios) {
        const QPixmap pixmap = imageForToken(token, size, ratio);
        if (!pixmap.isNull()) icon.addPixmap(pixmap);
    }
    return icon;
}

QFont TSTokenField::signFont(int pixelSize) {
    QFont f = QApplication::font();
    f.setFamilies({QStringLiteral("Junicode"), QStringLiteral("Junicode Two Beta"), QApplication::font().family()});
    if (pixelSize > 0) f.setPixelSize(pixelSize);
    return f;
}

void TSTokenField::editorEdited(const QString& text) {
    if (rewriting_) return;
    QString t = text;
    // The one character just typed, when it is one of the signs.
    if (t.size() == previousText_.size() + 1) {
        const int pos = editor_->cursorPosition() - 1;
        if (pos >= 0 && pos < t.size()) {
            const QString typed = t.mid(pos, 1);
            const QString replacement = TSPatternLanguage::typedReplacement(typed);
            if (!replacement.isNull()) t = t.left(pos) + replacement + t.mid(pos + 1);
        }
    }
    if (t.contains(QLatin1Char(','))) {
        QStringList pieces = t.split(QLatin1Char(','));
        const QString rest = pieces.takeLast();
        for (const QString& piece : pieces)
            if (!piece.isEmpty()) {
                TSPatternLanguage::replaceTokens(tokens_, selLocation_, selLength_, piece);
                ++selLocation_;
                selLength_ = 0;
            }
        rewriting_ = true;
        editor_->setText(rest);
        rewriting_ = false;
        t = rest;
    }
    previousText_ = t;
    relayout();
    Q_EMIT changed();
}

void TSTokenField::commitEditorText(bool) {
    const QString t = editor_->text();
    if (t.isEmpty()) return;
    TSPatternLanguage::replaceTokens(tokens_, selLocation_, selLength_, t);
    selLocation_ = std::min<int>(selLocation_ + 1, tokens_.size());
    selLength_ = 0;
    rewriting_ = true;
    editor_->clear();
    rewriting_ = false;
    previousText_.clear();
    relayout();
}

bool TSTokenField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Backspace && editor_->text().isEmpty() && !tokens_.isEmpty()) {
            if (selLength_ > 0) {
                for (int i = 0; i < selLength_ && selLocation_ < tokens_.size(); ++i) tokens_.removeAt(selLocation_);
            } else if (selLocation_ > 0) {
                tokens_.removeAt(std::min<int>(selLocation_, tokens_.size()) - 1);
                --selLocation_;
            }
            selLength_ = 0;
            selLocation_ = std::min<int>(selLocation_, tokens_.size());
            relayout();
            Q_EMIT changed();
            return true;
        }
        if ((k->key() == Qt::Key_Left || k->key() == Qt::Key_Right) && editor_->text().isEmpty()) {
            selLocation_ = std::clamp(selLocation_ + (k->key() == Qt::Key_Left ? -1 : 1), 0, int(tokens_.size()));
            selLength_ = 0;
            relayout();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QList<QRect> TSTokenField::chipRects() const {
    QList<QRect> rects;
    const QFontMetrics fm(font());
    int x = kPad;
    for (int i = 0; i < tokens_.size(); ++i) {
        if (i == selLocation_ && selLength_ == 0) x += editor_->width() + kChipGap;
        const int w = TSPatternLanguage::imageSet().contains(tokens_[i]) || tokens_[i] == QLatin1String("uuuu")
                          ? (tokens_[i] == QLatin1String("uuuu") ? 40 : 26)
                          : QFontMetrics(signFont(QFontInfo(font()).pixelSize() + 2)).horizontalAdvance(chipText(tokens_[i])) + 14;
        rects.append(QRect(x, (height() - kChipHeight) / 2, w, kChipHeight));
        x += w + kChipGap;
    }
    return rects;
}

void TSTokenField::relayout() {
    const QFontMetrics fm(font());
    const int editorWidth = std::max(24, fm.horizontalAdvance(editor_->text()) + 16);
    editor_->resize(editorWidth, kChipHeight);
    const QList<QRect> rects = chipRects();
    int x = kPad;
    if (selLength_ == 0 && selLocation_ < rects.size())
        x = rects[selLocation_].left() - editorWidth - kChipGap;
    else if (!rects.isEmpty())
        x = rects.last().right() + kChipGap + 1;
    editor_->move(x, (height() - kChipHeight) / 2);
    updateGeometry();
    update();
}

void TSTokenField::resizeEvent(QResizeEvent*) { relayout(); }

QSize TSTokenField::sizeHint() const {
    const QList<QRect> rects = chipRects();
    const int w = (rects.isEmpty() ? kPad : rects.last().right()) + editor_->width() + 2 * kPad;
    return {std::max(320, w), kChipHeight + 2 * kPad + 2};
}

QSize TSTokenField::minimumSizeHint() const { return {120, kChipHeight + 2 * kPad + 2}; }

void TSTokenField::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    p.setPen(pal.color(hasFocus() || editor_->hasFocus() ? QPalette::Highlight : QPalette::Mid));
    p.setBrush(pal.color(QPalette::Base));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    const QList<QRect> rects = chipRects();
    for (int i = 0; i < rects.size(); ++i) {
        const bool selected = i >= selLocation_ && i < selLocation_ + selLength_;
        const QString& token = tokens_[i];
        const bool isClass = TSPatternLanguage::menuTokens().contains(token);
        QColor fill = selected ? pal.color(QPalette::Highlight) : (isClass ? QColor(0xdb, 0xe7, 0xf7) : QColor(0xe8, 0xe8, 0xe8));
        p.setPen(selected ? fill.darker(120) : fill.darker(115));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(rects[i]).adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
        const QPixmap image = TSPatternLanguage::imageSet().contains(token) || token == QLatin1String("uuuu")
                                  ? imageForToken(token, token == QLatin1String("uuuu") ? QSize(32, 16) : QSize(16, 16),
                                                  devicePixelRatioF())
                                  : QPixmap();
        if (!image.isNull()) {
            const QSizeF shown = image.deviceIndependentSize();
            p.drawPixmap(QPointF(rects[i].center().x() - shown.width() / 2 + 1, rects[i].center().y() - shown.height() / 2 + 1), image);
        } else {
            p.setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
            p.setFont(isClass && token.front().isUpper() ? font() : signFont(QFontInfo(font()).pixelSize() + 2));
            p.drawText(rects[i], Qt::AlignCenter, chipText(token));
        }
    }
}

int TSTokenField::chipAt(QPoint pos) const {
    const QList<QRect> rects = chipRects();
    for (int i = 0; i < rects.size(); ++i)
        if (rects[i].contains(pos)) return i;
    return -1;
}

void TSTokenField::mousePressEvent(QMouseEvent* event) {
    commitEditorText(true);
    const int i = chipAt(event->position().toPoint());
    if (i < 0) {
        selLocation_ = int(tokens_.size());
        selLength_ = 0;
    } else if (event->modifiers() & Qt::ShiftModifier && selLength_ > 0) {
        const int start = std::min(selLocation_, i), end = std::max(selLocation_ + selLength_ - 1, i);
        selLocation_ = start;
        selLength_ = end - start + 1;
    } else {
        selLocation_ = i;
        selLength_ = 1;
    }
    editor_->setFocus();
    relayout();
}

void TSTokenField::contextMenuEvent(QContextMenuEvent* event) {
    const int i = chipAt(event->pos());
    if (i < 0 || !hasMenuForRepresentedObject(tokens_[i])) return;
    if (!(i >= selLocation_ && i < selLocation_ + selLength_)) {
        selLocation_ = i;
        selLength_ = 1;
        relayout();
    }
    QMenu* menu = menuForRepresentedObject(tokens_[i], this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

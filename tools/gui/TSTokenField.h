#pragma once
// The pattern field of the word-pattern finder: a row of tokens drawn as
// chips, with an editor after them for the token being typed.
//
// A comma ends a token. Six signs typed on their own are rewritten as the
// scribe's sign and cut into a token of their own ("3" gives ᴣ, "2" gives ꝛ,
// "7", "=", "÷"; "^" only ends the token before it). Clicking a chip selects
// it (Shift extends the selection); a right click on a chip that has a token
// menu offers every class and sign token, replacing the selected ones.
//
// The object value is the list of tokens; the string value joins them with
// ",", including what is typed but not yet cut into a token.
#include <QImage>
#include <QIcon>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

class QLineEdit;
class QMenu;

class TSTokenField : public QWidget {
    Q_OBJECT
public:
    explicit TSTokenField(QWidget* parent = nullptr);

    QStringList objectValue() const;
    void setObjectValue(const QStringList& tokens);
    QString stringValue() const;
    void setStringValue(const QString& text);

    // The selection counted in tokens.
    int selectionLocation() const { return selLocation_; }
    int selectionLength() const { return selLength_; }
    void setSelectedRange(int location, int length);

    // Puts one token at the insertion point, replacing the selected tokens;
    // the selection then starts after the new token and keeps its length.
    void insertKnownLetters(const QString& token);
    // Replaces the selected tokens with the token; selection unchanged.
    void tokenMenuSelected(const QString& token);
    // The token menu (titled "Context"), the same for every token.
    QMenu* menuForRepresentedObject(const QString& token, QWidget* parent);
    static bool hasMenuForRepresentedObject(const QString& token);

    // A picture of a sign token drawn from a font that has the sign
    // ("uuuu" is drawn as four minims); a null pixmap for others. `size` is
    // in device-independent pixels; the pixmap has size × ratio pixels and
    // carries the ratio, the sign filling its box in solid ink.
    static QPixmap imageForToken(const QString& token, QSize size, qreal devicePixelRatio = 1.0);
    // The picture at 1x, 2x and every screen's own ratio.
    static QIcon iconForToken(const QString& token, QSize size);
    // The image redrawn at a pixel size; null for a null image.
    static QImage resizedImage(const QImage& image, QSize pixels);

    // A font that has the scribal signs (a medievalist's font when one is
    // installed), falling back on the application's font.
    static QFont signFont(int pixelSize = 0);

    QLineEdit* editor() const { return editor_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void changed();
    void returnPressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void editorEdited(const QString& text);
    void commitEditorText(bool all);
    QList<QRect> chipRects() const;
    int chipAt(QPoint p) const;
    void relayout();

    QStringList tokens_;
    int selLocation_ = 0;
    int selLength_ = 0;
    QLineEdit* editor_ = nullptr;
    QString previousText_;
    bool rewriting_ = false;
};

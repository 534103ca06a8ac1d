#pragma once
// The two-pane document's window: the page image, the Latin text and the
// English text side by side in a splitter whose pane fractions are shared by
// every two-pane window (a dragged divider is remembered for the next one).
//
// MyTextField is a rich-text pane: footnote and vocabulary links with a
// pointing cursor and the link's tool tip, Alt+double-click look-up in the
// dictionary window, cover mode (Latin only), local macron marking and
// removing highlight colour. The two panes scroll together vertically.
//
// FacsimileView shows the page image at a scale (a factor, -1 fit to height,
// -2 fit to width), centred when smaller than the visible area, on white.
//
// Macron marking, local or through the window's own web macronizer window
// (made on first use), replaces only the range it was asked for and only if
// that text is still the same, as one undoable edit; the clipboard is not
// used. A web run that fails leaves the text as it was and says why in the
// macronizer window.
//
// Main thread only.

#include "documents/MyDocument.h"
#include "platform/AttributedString.h"
#include "platform/NotificationCenter.h"
#include "platform/gui/DocumentWindow.h"

#include <QMainWindow>
#include <QPointer>
#include <QScrollArea>
#include <QTextEdit>

#include <functional>

class QComboBox;
class QDockWidget;
class QLineEdit;
class QLabel;
class QMenu;
class QSplitter;
class MyDocumentWindow;
class FootnoteWindowController;
class FootnoteListController;
class RKWQFDataDownloaderController;

class MyTextField : public QTextEdit {
    Q_OBJECT

public:
    explicit MyTextField(QWidget* parent = nullptr);

    bool isLatin() const { return isLatin_; }
    void setIsLatinField();
    void setIsEnglishField();
    void setOwner(MyDocumentWindow* owner) { owner_ = owner; }
    void setVocabList(WordControllerPtr list) { vocabList_ = list; }

    ts::AttributedString attributedText() const;
    void setAttributedText(const ts::AttributedString& text);
    ts::AttributedString attributedSubstring(int from, int to) const;

    // Replaces [from, to) with the text as one undoable edit.
    void replaceRange(int from, int to, const ts::AttributedString& text);
    // The marker for the number linked to the footnote id, put in place of
    // the range; answers the marker's range.
    ts::TextRange insertURL(const QString& footnoteId, qint64 number, int from, int to);
    // Links the range to a vocabulary word; the link, or empty for an empty
    // range.
    QString linkTextToVocab(const QString& wordId, int from, int to);
    // The link under a point of the viewport, empty when none.
    QString linkAt(const QPoint& viewportPoint) const;

    // Cover mode (Latin only): text painted in its background; uncovering one
    // word at a time in text order.
    void hideText(bool cover);
    void uncoverOne();
    // The background colour of the run at the position goes, over the whole
    // run; posts "text attributes changed".
    void removeColorFromRange(int position);
    // Local macron marking of the selection, or of the whole text.
    void macronize();
    // The standard editing menu and, after a separator, "Macronize" (local
    // marking). The menu is a child of the pane; the caller deletes it when
    // it is done with it. A right-click shows it, with the spelling guesses
    // on top when the click is on a misspelt Latin word.
    QMenu* createMacronContextMenu();
    // A marking result for a range asked earlier: put in only when that
    // range still holds the text it was asked for.
    bool applyMacronized(int from, const QString& asked, const ts::AttributedString& result);

Q_SIGNALS:
    void linkActivated(const QString& link);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void post(const QString& name);
    void leaveLinkAtCaret();
    bool isLatin_ = true;
    QPointer<MyDocumentWindow> owner_;
    std::weak_ptr<WordController> vocabList_;
    QString pressedLink_;
    std::shared_ptr<class MacronReceiver> receiver_;
};

class FacsimileView : public QWidget {
    Q_OBJECT

public:
    explicit FacsimileView(QScrollArea* scroll);
    // Factors above 0, -1 (fit height) or -2 (fit width); anything else is
    // ignored.
    void setScale(float scale);
    float scale() const { return scale_; }
    // Decodes the image with an allocation limit; answers false (and shows
    // no image) when it cannot be decoded.
    bool setImageData(const QByteArray& data, QString* problem = nullptr);
    void clearImage();
    bool hasImage() const { return !image_.isNull(); }
    const QImage& image() const { return image_; }
    // Lays the view out for the scroll area's current size.
    void updateFrame();
    // The frame for a visible area and image size (an empty size: no image).
    static QRectF frameFor(float scale, const QSizeF& visible, const QSizeF& image);

Q_SIGNALS:
    void imageChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QScrollArea* scroll_;
    QImage image_;
    float scale_ = 1.0f;
};

class MyDocumentWindow : public QMainWindow, public ts::DocumentWindow {
    Q_OBJECT

public:
    explicit MyDocumentWindow(MyDocumentPtr document, QWidget* parent = nullptr);
    ~MyDocumentWindow() override;

    ts::DocumentPtr windowDocument() const override { return document_; }
    void commitEditing() override;
    void documentWasSaved() override { updateTitle(); }

    static void install(ts::DocumentController& controller);

    // The web macronizer window, made on first request with this window as
    // its delegate.
    RKWQFDataDownloaderController* macronWindow();

    MyTextField* latinView() const { return latin_; }
    MyTextField* englishView() const { return english_; }
    FacsimileView* facsimileView() const { return facsimile_; }
    QComboBox* scaleBox() const { return scaleBox_; }
    QSplitter* splitter() const { return split_; }
    const MyDocumentPtr& document() const { return document_; }

    // The pane with the keyboard, or null.
    MyTextField* activePane() const;
    // Whether a command (by its method's name) can run now: the footnote and
    // vocabulary commands need a pane with the keyboard, copying and adding a
    // word its selection, linking a note at least one note.
    Q_INVOKABLE bool validateCommand(const QString& method) const;
    QMenu* textMenu() const { return textMenu_; }

    // Commands.
    Q_INVOKABLE void addFootnote();
    Q_INVOKABLE void linkToFootnote(const QString& footnoteId);
    // Opens the footnote picker for the active pane's selection.
    Q_INVOKABLE void linkToFootnote();
    Q_INVOKABLE void renumberFootnotes(MyTextField* field);
    Q_INVOKABLE void copyResolvingFootnotes();
    Q_INVOKABLE void printDocument();
    Q_INVOKABLE void printLatin();
    Q_INVOKABLE void printEnglish();
    Q_INVOKABLE void runPageLayout();
    Q_INVOKABLE void addToVocab();
    Q_INVOKABLE void showVocabularyWindow();
    Q_INVOKABLE void openRevisionWindow();
    Q_INVOKABLE void lookupInDictionary();
    Q_INVOKABLE void setFacsimile();
    Q_INVOKABLE void markShort();
    Q_INVOKABLE void markLong();
    Q_INVOKABLE void markLongByPosition();
    Q_INVOKABLE void insertFoot();
    Q_INVOKABLE void insertCaesura();
    Q_INVOKABLE void macronizeLocally();
    Q_INVOKABLE void macronizeOnWeb();

    // Printing a pane: the text with its markers numbered, each page's notes
    // under it. printFieldToPdf writes the file without a panel.
    bool printFieldToPdf(MyTextField* field, const QString& path);
    // The image from data: decoded with a limit and stored as JPEG (0.96).
    bool changeImageData(const QByteArray& data);
    void changeFacsimileScale(const QString& text);
    // Opens a footnote's link: its tool-tip-and-edit or the vocabulary.
    void linkClicked(MyTextField* field, const QString& link);
    QString toolTipForLink(const QString& link) const;
    void updatePercentFinished(QWidget* view);
    // The footnote editor: the note a marker was added for or clicked, its
    // title and text; saving stores them and renumbers the pane. The editor
    // and picker are made on first use.
    void editFootnote(MyTextField* field, const QString& footnoteId);
    void saveFootnote();
    FootnoteWindowController* footnoteWindow();
    FootnoteListController* footnoteListWindow();
    QWidget* footnotePanel();
    QLineEdit* footnoteTitle();
    QTextEdit* footnoteText();
    QLabel* percentFinished() const { return percent_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void loadFromDocument();
    void markVowels(QString (*mark)(const QString&));
    bool selectedLatinText(int* from, int* to, QString* text, bool widen);
    void insertInLatin(const QString& text);
    void applyPositions();
    void showImagePane();
    void updateTitle();
    void validateTextMenu();
    QMenu* textMenu_ = nullptr;
    void markPanesSaved();
    MyDocumentPtr document_;
    QSplitter* split_ = nullptr;
    MyTextField* latin_ = nullptr;
    MyTextField* english_ = nullptr;
    QScrollArea* facsimileScroll_ = nullptr;
    FacsimileView* facsimile_ = nullptr;
    QComboBox* scaleBox_ = nullptr;
    QLabel* percent_ = nullptr;
    bool syncing_ = false;
    QPointer<FootnoteWindowController> noteEditor_;
    QPointer<FootnoteListController> notePicker_;
    QPointer<RKWQFDataDownloaderController> macronWindow_;
    std::shared_ptr<class WebMacronReceiver> webReceiver_;
    std::vector<ts::ObserverToken> observers_;
};

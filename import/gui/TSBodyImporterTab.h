#pragma once
// The importer's body tab: every element of the TEI body as a record whose
// role, name source, location source, format and strings the user sets,
// with what the survey found for the selected element (sample texts,
// attribute sets, ancestor paths); every change reconverts the whole file in
// the background and shows the books, sections and lines in a preview. From
// the preview a book is imported into a new document, or, for a translation
// (an English source), inserted into an open document.
//
// Threads: controls, tables, the preview and the results belong to the main
// thread. One conversion runs at a time in the whole process; a change made
// meanwhile waits and is converted once the running one has delivered (a
// superseded result is dropped). Each conversion reads a snapshot of the
// settings.
#include "import/gui/TSImporterTab.h"
#include "import/TSBodyElementParser.h"
#include "platform/NotificationCenter.h"
#include "tools/gui/NBOutlineView.h"

#include <QHash>

class ImportPreviewModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QTextEdit;
class TSDocument;

class BodyTabProtocol {
public:
    virtual ~BodyTabProtocol() = default;
    virtual void reportProgress(float fraction) = 0;
    virtual void importFinished() = 0;
};

class TSBodyImporterTab : public TSImporterTab, public NBOutlineViewProtocol {
    Q_OBJECT
public:
    explicit TSBodyImporterTab(QWidget* parent = nullptr);
    ~TSBodyImporterTab() override;

    void setFileURL(const QUrl& url) override;
    void setTabDelegate(BodyTabProtocol* delegate) { tabDelegate_ = delegate; }
    // "perseusEnglish" for a translation (by its file name or its header's
    // language, TSBodyElementParser::identifierForSource), else "latin".
    QString curIdentifier() const;

    // ---- The selected element ----
    void setCurElement(const TSImportElementPtr& element);
    const TSImportElementPtr& curElement() const { return curElement_; }
    void insertData();
    void updatePopups();
    void setDisplayedAttributeIndex(qint64 index);
    void setDisplayedQuoteIndex(qint64 index);
    void setDisplayedStackIndex(qint64 index);
    ts::ValueDictionary displayedAttribute() const;
    QStringList stackForDisplayedAttribute() const;
    static QStringList keysForAttribute(const ts::ValueDictionary& attributes);

    // ---- Settings ----
    // The loaded file's records become the templates; the list is rebuilt
    // from the survey and converted again.
    void updateElementsFromArray(const TSElementArrayPtr& templates);
    // The element list named after the source, as settings file bytes.
    QByteArray exportElementsToPListFormat();

    // ---- Conversion and results ----
    void createPreview();
    bool previewRunning() const;
    const std::vector<TSTextPtr>& texts() const { return texts_; }
    FootnoteListPtr footnotesForText(const TSTextPtr& book) const;
    FootnoteListPtr combinedFootnotes() const;
    // The book, or a new text named after the file holding every book; a
    // copy, so the preview stays whole for further imports.
    TSTextPtr text() const;
    QString report() const { return report_; }
    // What the last inserted translation left without a Latin line; empty
    // once the insertion is undone.
    QString insertionReport() const { return insertionReport_; }
    // Import one book into a new document; insert a translation book into an
    // open document. Answer the document, or null.
    std::shared_ptr<TSDocument> importBook(const TSTextPtr& book);
    bool insertTranslation(const TSTextPtr& book, const std::shared_ptr<TSDocument>& document);
    static std::vector<std::shared_ptr<TSDocument>> openDocumentList();

    QMenu* menuForEvent(const QPoint& globalPosition, const QModelIndex& item, NBOutlineView* view,
                        const QString& columnIdentifier) override;

    // Widgets (owned by the tab).
    QLabel* tagNameField = nullptr;
    QComboBox *handlePopup = nullptr, *namePopup = nullptr, *idPopup = nullptr, *formatPopup = nullptr;
    QLineEdit *insertionStringField = nullptr, *prependStringField = nullptr;
    QTableView* attributeTable = nullptr;
    QLabel* attributeCountField = nullptr;
    QTextEdit* quoteView = nullptr;
    QLabel* quoteCountField = nullptr;
    QTableView* stackTable = nullptr;
    QLabel* stackCountField = nullptr;
    NBOutlineView* preview = nullptr;
    QLabel* reportField = nullptr;

Q_SIGNALS:
    void previewUpdated();

protected:
    ts::Value parseElements() override;
    void extractElements() override;

private:
    void settingsChanged();
    void handlePopupClicked();
    void namePopupClicked();
    void idPopupClicked();
    void formatPopupClicked();
    void deliver(quint64 generation, std::vector<TSTextPtr> books, std::vector<FootnoteListPtr> notes, QString report);

    ImportPreviewModel* previewModel_ = nullptr;
    class AttributeModel* attributeModel_ = nullptr;
    class StackModel* stackModel_ = nullptr;
    TSImportElementPtr curElement_;
    qint64 displayedAttributeIndex_ = 0, displayedQuoteIndex_ = 0, displayedStackIndex_ = 0;
    std::vector<TSTextPtr> texts_;
    std::vector<FootnoteListPtr> footnoteLists_;
    QString report_;
    QString identifier_ = QStringLiteral("latin");
    QString insertionReport_;
    // Hears the document the last translation went into: undoing the
    // insertion takes its report away.
    ts::ObserverToken insertionObserver_;
    BodyTabProtocol* tabDelegate_ = nullptr;
    quint64 generation_ = 0;
    bool updating_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

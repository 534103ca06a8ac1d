#pragma once
// The two tabs of the importer window share this base: a table of the
// source's element records, one row per element the survey found, whose
// columns are named by record fields ("name", "attributedName", "data",
// "store"); editing a row's "store" sets the record's role. The header tab
// lists the TEI header's elements and which of their values go into the new
// text's information; the body tab (TSBodyImporterTab) does the rest.
// Main thread.
#include "import/TSImportElement.h"

#include <QAbstractTableModel>
#include <QTableView>
#include <QUrl>
#include <QWidget>

class ElementTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ElementTableModel(QStringList columns, QStringList titles, QObject* parent);
    void setElements(TSElementArrayPtr elements);
    const TSElementArrayPtr& elements() const { return elements_; }
    TSImportElementPtr elementAt(int row) const;
    void reload();
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
Q_SIGNALS:
    void storeChanged(int row);

private:
    QStringList columns_, titles_;
    TSElementArrayPtr elements_;
    std::vector<TSImportElementPtr> rows_;
};

class TSImporterTab : public QWidget {
    Q_OBJECT
public:
    explicit TSImporterTab(QWidget* parent = nullptr);
    // A new survey of the file: the records are made anew.
    virtual void setFileURL(const QUrl& url);
    const QUrl& fileURL() const { return fileURL_; }
    const TSElementArrayPtr& elementArray();
    QTableView* elementsTable = nullptr;

protected:
    // The survey's result; nothing here (the tabs survey their own part).
    virtual ts::Value parseElements();
    virtual void extractElements();
    // The strings of an array in the survey's result; empty where it has none.
    static QSet<QString> surveyNames(const ts::ValueDictionary& survey, const char* key);
    // A dictionary in the survey's result; empty where it has none.
    static ts::ValueDictionary surveyDictionary(const ts::ValueDictionary& survey, const char* key);
    ElementTableModel* elementModel_ = nullptr;
    TSElementArrayPtr elementArray_;
    QUrl fileURL_;
};

class TSHeaderImporterTab : public TSImporterTab {
    Q_OBJECT
public:
    explicit TSHeaderImporterTab(QWidget* parent = nullptr);
    // The roles the header's elements get when they hold text.
    static qint64 headerPreset(const QString& name);
    // The header's values chosen by the records' roles: element name to text.
    static QHash<QString, QString> collectHeader(const ts::Value& dataDictionary, const TSElementArray& records);

protected:
    ts::Value parseElements() override;
    void extractElements() override;
};

#pragma once
// One row of the MDict import window's tag table: the tag's name, the menu
// of actions (the lines of the resource "ImportOptions.txt") and a menu of
// further choices for the action, which nothing reads yet.
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QStringList>
#include <QWidget>

class TagViewProtocol {
public:
    virtual ~TagViewProtocol() = default;
    // The displayed action title (empty for none) chosen for the tag.
    virtual void actionChanged(const QString& title, const QString& tag) = 0;
};

class TSTagViewCell : public QWidget {
    Q_OBJECT
public:
    explicit TSTagViewCell(QWidget* parent = nullptr);
    // The action titles offered, as read from the resource (cached).
    static QStringList importOptions();

    void setTag(const QString& tag);
    QString tag() const { return tagName->text(); }
    // An action key (untranslated title) or empty for none; sends nothing.
    void setOptionType(const QString& key);
    void setOptionAttributes(const QHash<QString, QStringList>& attributes) { optionAttributes_ = attributes; }
    void setTagDelegate(TagViewProtocol* delegate) { tagDelegate_ = delegate; }
    void rebuildSupplementaryPopup();

    QLabel* tagName = nullptr;
    QComboBox* actionPopup = nullptr;
    QComboBox* supplementaryPopup = nullptr;

private:
    void actionPopupChanged();
    TagViewProtocol* tagDelegate_ = nullptr;
    QHash<QString, QStringList> optionAttributes_;
};

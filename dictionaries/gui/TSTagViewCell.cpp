#include "dictionaries/gui/TSTagViewCell.h"

#include "dictionaries/DictionaryServices.h"
#include "dictionaries/TSMDictImporter.h"

#include <QFile>
#include <QHBoxLayout>
#include <QStringDecoder>

namespace {

QString text(const QString& key) { return DictionaryServices::localized(key); }

// The untranslated key of a displayed action title; the title itself when
// it is none.
QString actionKey(const QString& title) {
    for (const QString& key : TSMDictImporter::actionTitles())
        if (text(key) == title) return key;
    return title;
}

}  // namespace

QStringList TSTagViewCell::importOptions() {
    QStringList lines;
    QFile file(DictionaryServices::resource(QStringLiteral("ImportOptions"), QStringLiteral("txt")));
    if (!file.open(QIODevice::ReadOnly)) return lines;
    const QByteArray bytes = file.readAll();
    // The encoding is detected from a byte-order mark; UTF-8 without one.
    auto encoding = QStringConverter::encodingForData(bytes);
    QStringDecoder decode(encoding.value_or(QStringConverter::Utf8));
    const QString all = decode(bytes);
    for (const QString& line : all.split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (!t.isEmpty()) lines << t;
    }
    return lines;
}

TSTagViewCell::TSTagViewCell(QWidget* parent) : QWidget(parent) {
    tagName = new QLabel(this);
    tagName->setMinimumWidth(110);
    tagName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    actionPopup = new QComboBox(this);
    supplementaryPopup = new QComboBox(this);
    actionPopup->setMinimumWidth(130);
    supplementaryPopup->setMinimumWidth(140);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(tagName, 1);
    layout->addWidget(actionPopup);
    layout->addWidget(supplementaryPopup);

    actionPopup->addItem(QString());
    actionPopup->insertSeparator(1);
    for (const QString& line : importOptions()) actionPopup->addItem(text(line));
    rebuildSupplementaryPopup();
    connect(actionPopup, &QComboBox::activated, this, [this] { actionPopupChanged(); });
}

void TSTagViewCell::setTag(const QString& tag) { tagName->setText(tag); }

void TSTagViewCell::setOptionType(const QString& key) {
    const QSignalBlocker block(actionPopup);
    if (key.isEmpty()) {
        actionPopup->setCurrentIndex(0);
        return;
    }
    // An action the options file does not offer cannot be shown.
    const int index = actionPopup->findText(text(key));
    actionPopup->setCurrentIndex(index >= 0 ? index : 0);
}

void TSTagViewCell::rebuildSupplementaryPopup() {
    const QString key = actionKey(actionPopup->currentText());
    supplementaryPopup->clear();
    supplementaryPopup->addItem(QString());
    supplementaryPopup->insertSeparator(1);
    QStringList items;
    if (key == QLatin1String("Format"))
        items << QStringLiteral("Bold") << QStringLiteral("Italic");
    else if (key == QLatin1String("Prepend"))
        items << QStringLiteral("Space") << QStringLiteral("Paragraph");
    else if (key == QLatin1String("Replace"))
        for (const QString& a : optionAttributes_.value(tag())) supplementaryPopup->addItem(a);
    for (const QString& item : items) supplementaryPopup->addItem(text(item));
    supplementaryPopup->addItem(text(QStringLiteral("When Followed By")));
}

void TSTagViewCell::actionPopupChanged() {
    rebuildSupplementaryPopup();
    if (tagDelegate_) tagDelegate_->actionChanged(actionPopup->currentText(), tag());
}

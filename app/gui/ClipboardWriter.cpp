#include "app/gui/ClipboardWriter.h"

#include "platform/AttributedString.h"
#include "platform/Rtf.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

bool ClipboardWriter::write(const ts::Value& object) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    auto* mime = new QMimeData;
    if (object.isString()) {
        mime->setText(object.toString());
    } else if (const auto rich = object.toObjectAs<ts::AttributedString>()) {
        mime->setText(rich->string());
        const QByteArray rtf = ts::writeRtf(*rich);
        if (!rtf.isEmpty()) {
            mime->setData(QStringLiteral("text/rtf"), rtf);
            mime->setData(QStringLiteral("application/rtf"), rtf);
        }
    } else {
        delete mime;
        return false;
    }
    clipboard->clear();
    clipboard->setMimeData(mime);
    return true;
}

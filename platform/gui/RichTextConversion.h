#pragma once
// Rich text to and from Qt's text documents and formats, for the windows
// that show and edit rich text.
//
// What a QTextDocument cannot express natively (the exact PostScript font
// name, a link held as a string rather than a URL, a baseline offset in
// points, attachments) rides along in user properties of the character
// formats, so text that goes into an editor and comes back unchanged keeps
// its attributes. Main thread (QTextDocument).

#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"

#include <QColor>
#include <QFont>
#include <QTextCharFormat>

class QTextDocument;

namespace RichTextConversion {

QFont toQFont(const ts::Font& font);
ts::FontPtr fromQFont(const QFont& font);
QColor toQColor(const ts::ColorPtr& color);
ts::ColorPtr fromQColor(const QColor& color);

QTextCharFormat charFormat(const ts::Attributes& attributes);
QTextCharFormat charFormat(const ts::AttributeSet& attributes);
ts::Attributes attributesFromFormat(const QTextCharFormat& format);
// Takes the link off a format: anchor, its colour and underline, and the
// properties this conversion keeps for a link.
void clearLink(QTextCharFormat& format);
// Plain text for a tip or label: its stored line breaks ("\r" and "\r\n", as
// texts from the Mac have them) as the "\n" Qt breaks lines at; a tip draws
// a lone "\r" as a blank.
QString displayLines(const QString& text);

// Replaces the document's contents. Paragraph alignment becomes block alignment.
void toTextDocument(const ts::AttributedString& text, QTextDocument& document);
ts::AttributedString fromTextDocument(const QTextDocument& document);

}  // namespace RichTextConversion

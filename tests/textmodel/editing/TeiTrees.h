#pragma once
// Test-only trees from the shared TEI texts, read with plain libxml2 until
// the application's importer exists: the Latin as a document's rows, the
// English as a translation of import nodes.
//
// Latin: every div1 and div2 becomes a header row whose Latin is its type
// and number ("Poem 1", "Act 1", "Scene prol"), every <l> a line row with
// its text and its number (the "n" attribute, else one more than the line
// before). `book` wraps the div1 headers in one more header when given.
//
// English: the same names on plain nodes. Verse lines (<l>) and paragraphs
// (<p>) become TSLine nodes named with their text (the speaker's name in
// front of a speech's first line); notes inside them become TSNote nodes
// after the line (the words before the note since the previous note as
// preceding text, the last line-number marker as number); line-number
// milestones become TSMilestone nodes with the paragraph's text up to the
// marker. Act and scene milestones open new act and scene nodes, as the
// translation of a play carries its structure.

#include "textmodel/TSText.h"

namespace teitest {

QString sharedPath(const QString& relative);
TSTextPtr latinTree(const QString& path, const QString& book = {});
TSTextPtr englishTree(const QString& path, const QString& book = {});

}  // namespace teitest

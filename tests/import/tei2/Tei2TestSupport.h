#pragma once
// Shared pieces of the TEI.2 reader tests: the real inputs, an independent
// reading of them in python3 (ElementTree, after the same entity table the
// tests install), and walks over the trees the readers make.

#include "support/Python.h"
#include "textmodel/TSChunk.h"
#include "textmodel/TSText.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QString>
#include <QUrl>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace tei2test {

// The readers read the entity table once per process, so the tests' own
// table is put in place before any test runs.
inline const bool kResourcesInstalled = qputenv("TS_RESOURCES_DIR", QByteArray(TS_TEI2_TEST_RESOURCES));

inline QString sharedPath(const QString& relative) {
    const QByteArray dir = qgetenv("TS_SHARED_DIR");
    return QString::fromLocal8Bit(dir.isEmpty() ? QByteArray("/work/shared") : dir) + QStringLiteral("/data/") +
           relative;
}

inline QUrl sharedUrl(const QString& relative) {
    return QUrl::fromLocalFile(sharedPath(relative));
}

// The entity table of the tests' resources folder, as "name" = "text" lines.
inline QString entityTablePath() {
    return QString::fromLocal8Bit(qgetenv("TS_RESOURCES_DIR")) + QStringLiteral("/ExternalEntities.strings");
}

// Python prelude: reads a TEI.2 file into an ElementTree with the tests'
// entity table (names it lacks stay as their names), and gives `body`,
// `header`, `parent` and `inside(e, tags)`.
inline const char* kPythonPrelude = R"PY(
import sys, re, json, xml.etree.ElementTree as ET
table = {}
for line in open(sys.argv[2], encoding='utf-8'):
    m = re.match(r'\s*"([^"]+)"\s*=\s*"([^"]*)";', line)
    if m: table[m.group(1)] = m.group(2)
raw = open(sys.argv[1], encoding='utf-8').read()
raw = re.sub(r'<!DOCTYPE.*?\]>', '', raw, count=1, flags=re.S)
def entity(m):
    name = m.group(1)
    if name in ('amp', 'lt', 'gt', 'quot', 'apos'): return m.group(0)
    return table.get(name, name).replace('&', '&amp;').replace('<', '&lt;')
raw = re.sub(r'&([A-Za-z][A-Za-z0-9.]*);', entity, raw)
root = ET.fromstring(raw)
parent = {c: p for p in root.iter() for c in p}
def ancestors(e):
    while e in parent:
        e = parent[e]
        yield e
def inside(e, tags): return any(a.tag in tags for a in ancestors(e))
header = root.find('teiHeader')
body = root.find('text/body')
)PY";

// Runs the prelude and then `script` on the file; the script prints one JSON
// object. An empty object when python3 is missing or failed (the caller
// asserts on it).
inline QJsonObject pythonReading(const QString& file, const char* script, QString* error = nullptr) {
    const PythonRun r = runPython(QString::fromUtf8(kPythonPrelude) + QString::fromUtf8(script),
                                  {file, entityTablePath()});
    if (!r.started || r.exitCode != 0) {
        if (error) *error = QStringLiteral("python3: %1 %2").arg(r.exitCode).arg(r.err);
        return {};
    }
    return QJsonDocument::fromJson(r.outBytes).object();
}

// Pre-order walk below a node (the node itself excluded).
inline void walk(const TSChunkPtr& node, const std::function<void(const TSChunkPtr&, const TSChunkPtr&)>& visit) {
    for (const auto& child : node->childNodes()) {
        visit(child, node);
        walk(child, visit);
    }
}

template <class T>
std::vector<std::shared_ptr<T>> nodesOf(const TSChunkPtr& root) {
    std::vector<std::shared_ptr<T>> out;
    walk(root, [&](const TSChunkPtr& n, const TSChunkPtr&) {
        if (auto t = std::dynamic_pointer_cast<T>(n)) out.push_back(t);
    });
    return out;
}

// Nodes below `root` whose parent link is not the node that holds them.
inline int badParentLinks(const TSChunkPtr& root) {
    int bad = 0;
    walk(root, [&](const TSChunkPtr& n, const TSChunkPtr& holder) {
        if (n->parent() != holder) ++bad;
    });
    return bad;
}

// The peak resident memory a call adds to the process, in MB (the kernel's
// high-water mark is reset first); -1 when /proc cannot tell.
inline double peakMegabytesOf(const std::function<void()>& call) {
    auto kb = [](const char* field) -> long long {
        std::ifstream in("/proc/self/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::string(field).size()));
        return -1;
    };
    std::ofstream("/proc/self/clear_refs") << "5";
    const long long before = kb("VmRSS:");
    call();
    const long long peak = kb("VmHWM:");
    return before < 0 || peak < 0 ? -1 : (peak - before) / 1024.0;
}

// A TEI.2 text of one division without paragraphs, about `bytes` long, with
// `notes` notes spread through its running text (word k stands before note k).
inline QString longDivisionWithNotes(int notes, int bytes) {
    QString body;
    const int stretch = bytes / notes;
    for (int k = 0; k < notes; ++k) {
        QString words;
        while (words.size() < stretch) words += QStringLiteral("arma virumque cano ");
        body += QStringLiteral("\n") + words + QStringLiteral("word%1 <note>note %1</note>").arg(k);
    }
    return QStringLiteral("<TEI.2><teiHeader><fileDesc><titleStmt><title>T</title></titleStmt></fileDesc></teiHeader>"
                          "<text><body><div1 type=\"book\" n=\"1\"><head>Liber</head>%1</div1></body></text></TEI.2>")
        .arg(body);
}

}  // namespace tei2test

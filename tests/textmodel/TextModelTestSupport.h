#pragma once
// Shared helpers of the text-model tests: running python3 (the independent
// reader and writer of property lists and keyed archives) and RTF in the
// dialect the original platform's text system writes.

#include "platform/Value.h"
#include "support/Python.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace tmtest {

// Runs a python3 script with arguments; answers its standard output and
// fails the test when it does not exit cleanly.
inline QByteArray runPython(const QString& script, const QStringList& args = {}) {
    const PythonRun r = ::runPython(script, args);
    EXPECT_TRUE(r.started) << "python3 did not start";
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return r.outBytes;
}

// Writes the bytes to a file whole; false when it cannot.
inline bool writeFile(const QString& path, const QByteArray& contents) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(contents) == contents.size();
}

// A one-run text in the platform's dialect, with its header and tables.
inline QByteArray platformRtf(const char* body) {
    QByteArray rtf(
        "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n"
        "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;\\f1\\froman\\fcharset0 Times-Bold;}\n"
        "{\\colortbl;\\red255\\green255\\blue255;\\red227\\green36\\blue0;}\n"
        "{\\*\\expandedcolortbl;;\\cssrgb\\c88946\\c14202\\c0;}\n"
        "\\pard\\tx560\\tx1120\\pardirnatural\\partightenfactor0\n\n");
    rtf += body;
    rtf += "}";
    return rtf;
}

// A node of the file form with only its class named.
inline ts::ValueDictionary nodeDict(const char* cls) {
    return ts::ValueDictionary{{QStringLiteral("ClassName"), ts::Value(QString::fromLatin1(cls))}};
}

// The outer "TSText" dictionary of a file whose "Text" holds `children`.
inline ts::Value rootWith(ts::ValueArray children) {
    ts::ValueDictionary inner = nodeDict("TSText"), outer = nodeDict("TSText");
    inner[QStringLiteral("Children")] = std::move(children);
    outer[QStringLiteral("Text")] = std::move(inner);
    return outer;
}

}  // namespace tmtest

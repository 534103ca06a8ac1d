// The program on a real X server, started as a user starts it with a
// document named on its command line: a double click opens a row editor on
// a Latin text, which underlines the misspelt word and only that word.
// The document is written by python3's plistlib, not by this program.

#include "support/Python.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const char* kWriter = R"PY(
import plistlib, sys
HEADER = (r"{\rtf1\ansi\ansicpg1252\cocoartf2639" "\n"
          r"\cocoatextscaling0\cocoaplatform0{\fonttbl\f0\fswiss\fcharset0 Helvetica;}" "\n"
          r"{\colortbl;\red255\green255\blue255;}" "\n"
          r"\pard\tx560\tx1120\pardirnatural\partightenfactor0" "\n\n")
def rtf(body): return (HEADER + r"\f0\fs28 \cf0 " + body + "}").encode("cp1252")
def U(n): return "%08X-0000-4000-8000-%012X" % (n, n)
first = ("Arma virumqe cano, Troiae qui primus ab oris Italiam, fato profugus, Laviniaque venit litora, "
         "multum ille et terris iactatus et alto vi superum saevae memorem Iunonis ob iram")
lines = [{"ClassName": "TSMatchedChunk", "uuid": U(10), "Latin": rtf(first), "English": rtf("Arms and the man I sing"),
          "Location": rtf("1")}]
for i in range(2, 40):
    lines.append({"ClassName": "TSMatchedChunk", "uuid": U(10 + i), "Latin": rtf("multa quoque et bello passus"),
                  "English": rtf("much also he suffered in war"), "Location": rtf(str(i))})
text = {"ClassName": "TSText", "uuid": U(1), "Information": {"title": "Aeneis"},
        "Text": {"ClassName": "TSText", "uuid": U(1), "Children": [
            {"ClassName": "TSMatchedChunk", "uuid": U(2), "Latin": rtf("Liber I"), "Children": lines}]}}
with open(sys.argv[1], "wb") as f:
    plistlib.dump({"Text": text, "uuid": "1B4E28BA-2FA1-11D2-883F-0016D3CCA427"}, f, fmt=plistlib.FMT_BINARY)
)PY";

QString run(const QStringList& arguments, int* exitCode = nullptr) {
    QProcess p;
    p.start(qEnvironmentVariable("TS_XDOTOOL"), arguments);
    p.waitForFinished(10000);
    if (exitCode) *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

Geometry windowGeometry(const QString& window) {
    Geometry g;
    for (const QString& line : run({"getwindowgeometry", "--shell", window}).split(u'\n')) {
        const QString key = line.section(u'=', 0, 0), value = line.section(u'=', 1);
        if (key == "X") g.x = value.toInt();
        else if (key == "Y") g.y = value.toInt();
        else if (key == "WIDTH") g.width = value.toInt();
        else if (key == "HEIGHT") g.height = value.toInt();
    }
    return g;
}

QImage screen() {
    QApplication::processEvents();
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

// The pixels of the spelling underline's red within a rectangle (its wave is
// drawn smoothed into the background, so reddish counts).
QList<QPoint> redPixels(const QImage& image, const QRect& area) {
    QList<QPoint> out;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() - std::max(c.green(), c.blue()) > 80) out << QPoint(x, y);
        }
    return out;
}

// How many pixels of a rectangle are dark: text drawn.
int darkPixels(const QImage& image, const QRect& area) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += qGray(image.pixel(x, y)) < 96;
    return n;
}

}  // namespace

TEST(ProgramOnXvfb, RowEditorUnderlinesAMisspeltLatinWord) {
    const QString binary = qEnvironmentVariable("TS_APP_BINARY");
    const QString spelling = qEnvironmentVariable("TS_SPELLING_DIR");
    ASSERT_FALSE(binary.isEmpty());
    if (!QFile::exists(spelling + "/la.dic")) GTEST_SKIP() << "no Latin dictionary (run scripts/deps)";
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    // A user who installed the spellchecker at an earlier start.
    const QString installed = home.path() + "/.local/share/hunspell";
    ASSERT_TRUE(QDir().mkpath(installed));
    for (const char* f : {"la.dic", "la.aff"}) ASSERT_TRUE(QFile::copy(spelling + "/" + f, installed + "/" + f));
    const QString document = home.path() + "/aeneis.tsdx";
    const PythonRun written = runPython(QString::fromUtf8(kWriter), {document});
    ASSERT_TRUE(written.started);
    ASSERT_EQ(written.exitCode, 0) << written.err.toStdString();

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "DICPATH"}) env.remove(v);
    program.setProcessEnvironment(env);
    program.setStandardOutputFile(home.path() + "/stdout.txt");
    program.setStandardErrorFile(home.path() + "/stderr.txt");
    program.start(binary, {document});
    ASSERT_TRUE(program.waitForStarted());

    // Its window, by the document's name.
    QString window;
    for (int i = 0; i < 300 && window.isEmpty(); ++i) {
        QThread::msleep(100);
        window = run({"search", "--onlyvisible", "--name", "aeneis"}).section(u'\n', 0, 0);
    }
    ASSERT_FALSE(window.isEmpty()) << "no document window";
    const Geometry g = windowGeometry(window);
    ASSERT_GT(g.width, 400);
    ASSERT_GT(g.height, 200);
    const QRect area(g.x, g.y, g.width, g.height);
    // On a loaded machine the rows may be drawn well after the window maps.
    for (int i = 0; i < 150 && darkPixels(screen(), area) < 2000; ++i) QThread::msleep(100);
    QThread::msleep(300);
    EXPECT_TRUE(redPixels(screen(), area).isEmpty()) << "nothing is underlined before editing";

    // A double click on the first line's Latin (below the menu bar, the
    // header and the book's row) opens its editor. A busy machine can split
    // the double click into two single ones, so it is given a second try.
    QList<QPoint> red;
    QImage shot;
    for (int attempt = 0; attempt < 2 && red.size() <= 10; ++attempt) {
        run({"mousemove", "--sync", QString::number(g.x + 200), QString::number(g.y + 100)});
        run({"click", "--repeat", "2", "--delay", "120", "1"});
        for (int i = 0; i < 40 && red.size() <= 10; ++i) {
            QThread::msleep(200);
            shot = screen();
            red = redPixels(shot, area);
        }
    }
    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty() && QDir().mkpath(gallery)) shot.copy(area).save(gallery + "/xvfb-row-editor-spelling.png");
    ASSERT_GT(red.size(), 10) << "the misspelt word is underlined";
    // Under "virumqe" only: one short stretch on the editor's first line, in
    // the Latin column, not under the words after it.
    int left = INT_MAX, right = 0, top = INT_MAX, bottom = 0;
    for (const QPoint& p : red) {
        left = std::min(left, p.x()), right = std::max(right, p.x());
        top = std::min(top, p.y()), bottom = std::max(bottom, p.y());
    }
    EXPECT_LT(right - left, 120) << left << ".." << right;
    EXPECT_LT(bottom - top, 8);
    EXPECT_LT(top - g.y, 110) << "on the first line of the text";
    EXPECT_GT(left - g.x, 40) << "right of the location column";

    ::kill(pid_t(program.processId()), SIGTERM);
    if (!program.waitForFinished(60000)) {
        program.kill();
        program.waitForFinished();
        FAIL() << "no exit after SIGTERM";
    }
    EXPECT_EQ(program.exitCode(), 0);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

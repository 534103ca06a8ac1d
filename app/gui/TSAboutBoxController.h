#pragma once
// The about box: the application's version, its copyright line and the
// credits (the bundle's "Credits.rtf", shown in the palette's text colour so
// that it reads in light and dark themes). Main thread.

#include <QWidget>

class QLabel;
class QTextBrowser;

class TSAboutBoxController : public QWidget {
    Q_OBJECT
public:
    static const QString kCopyright;       // the copyright line
    static const QString kShortVersion;    // the marketing version
    static const QString kBundleVersion;   // the build number
    // "Version: <short version> (<build>)".
    static QString versionText();

    TSAboutBoxController();

    QLabel* copyrightField() const { return copyrightField_; }
    QLabel* appVersion() const { return appVersion_; }
    QTextBrowser* informationView() const { return informationView_; }

private:
    void windowDidLoad();

    QLabel* copyrightField_ = nullptr;
    QLabel* appVersion_ = nullptr;
    QTextBrowser* informationView_ = nullptr;
};

#pragma once
// The application's document controller: before a file is opened as a
// document it is offered to the application's delegate, which takes folders,
// spreadsheets and zip archives for the abbreviations import; the open then
// completes as cancelled (kUserCancelledError), which shows the user no
// error. Every other file goes to the document machinery.
//
// The delegate is the QObject held in the application object's "delegate"
// property. Main thread.

#include "platform/Document.h"

class QObject;

class TSDocumentController : public ts::DocumentController {
public:
    TSDocumentController() = default;

    void openDocumentWithContentsOfURL(const QUrl& url, bool display, OpenCompletion completion) override;

    // The application object's delegate (null without an application).
    static QObject* applicationDelegate();
    static void setApplicationDelegate(QObject* delegate);
};

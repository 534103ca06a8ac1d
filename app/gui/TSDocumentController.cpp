#include "app/gui/TSDocumentController.h"

#include "app/gui/AppController.h"

#include <QCoreApplication>
#include <QVariant>

QObject* TSDocumentController::applicationDelegate() {
    if (!QCoreApplication::instance()) return nullptr;
    return QCoreApplication::instance()->property("delegate").value<QObject*>();
}

void TSDocumentController::setApplicationDelegate(QObject* delegate) {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->setProperty("delegate", QVariant::fromValue(delegate));
}

void TSDocumentController::openDocumentWithContentsOfURL(const QUrl& url, bool display, OpenCompletion completion) {
    if (auto* delegate = qobject_cast<AppController*>(applicationDelegate())) {
        if (delegate->openZerivuvImportURL(url) || delegate->openTEIImportURL(url)) {
            if (completion) {
                ts::DocumentError cancelled;
                cancelled.domain = ts::kCocoaErrorDomain;
                cancelled.code = ts::kUserCancelledError;
                completion(nullptr, false, &cancelled);
            }
            return;
        }
    }
    ts::DocumentController::openDocumentWithContentsOfURL(url, display, std::move(completion));
}

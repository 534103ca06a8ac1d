#include "platform/Mailer.h"

#include "platform/ChildProcess.h"

#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QUuid>

namespace ts {

Mailer::Mailer() = default;
Mailer::~Mailer() = default;

Mailer& Mailer::shared() {
    static Mailer mailer;
    return mailer;
}

QString Mailer::temporaryFolder() {
    if (!folder_ || !folder_->isValid() || !QDir(folder_->path()).exists())
        folder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tessarin-mail-XXXXXX"));
    if (!folder_->isValid()) return QString();
    return folder_->path();
}

void Mailer::removeTemporaryFiles() {
    if (folder_) folder_->remove();
    folder_.reset();
}

QString Mailer::saveDataToFile(const QByteArray& data, const QString& name, QString* error) {
    const QString base = temporaryFolder();
    if (base.isEmpty()) {
        if (error) *error = QStringLiteral("Cannot make a private temporary folder");
        return QString();
    }
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String("..")) {
        if (error) *error = QStringLiteral("Bad attachment name \"%1\"").arg(name);
        return QString();
    }
    const QString folder = base + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    if (!QDir().mkpath(folder)) {
        if (error) *error = QStringLiteral("Cannot create %1").arg(folder);
        return QString();
    }
    const QString path = folder + QLatin1Char('/') + name;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return QString();
    }
    return path;
}

QStringList Mailer::composeArguments(const QStringList& recipients, const QString& subject, const QString& body,
                                     const QStringList& attachments) {
    QStringList arguments{QStringLiteral("--utf8")};
    if (!subject.isEmpty()) arguments << QStringLiteral("--subject") << subject;
    if (!body.isEmpty()) arguments << QStringLiteral("--body") << body;
    for (const QString& a : attachments) arguments << QStringLiteral("--attach") << a;
    arguments << recipients;
    return arguments;
}

bool Mailer::compose(const QStringList& recipients, const QString& subject, const QString& body,
                     const QStringList& attachments, Finished finished) {
    return ChildProcess::run(program_, composeArguments(recipients, subject, body, attachments),
                             [finished](const ChildOutcome& outcome) {
                                 if (finished) finished(outcome.succeeded(), outcome.cause);
                             });
}

}  // namespace ts

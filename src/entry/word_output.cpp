#include "word_output.h"

#include "print_document.h"
#include "print_window.h"

#include "platform/busy.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/paths.h"
#include "platform/prompts.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QPointer>
#include <QUrl>

namespace fangji::entry {

void PauseWithButtonDisabled(QAbstractButton* button) {
    QPointer<QAbstractButton> guard(button);
    platform::setBusyPointer();
    if (guard) {
        guard->setEnabled(false);
    }
    // Elapsed time from the monotonic clock: a wait across midnight lasts as long as any other.
    platform::waitProcessingEvents(kPrintPauseMs);
    platform::doEvents();
    platform::setArrowPointer();
    if (guard) {
        guard->setEnabled(true);
    }
}

QString printFolder() {
    return QDir(platform::dataDir()).filePath(QStringLiteral("prints"));
}

void SendTextToWord(QWidget* parent, const QString& text, const QString& name) {
    auto report = [parent](const store::DbError& error) {
        platform::message(parent, store::errorReport(error, store::ReportLines::Two), platform::Icon::None,
                          platform::Buttons::Ok, QString());
    };
    const QDateTime now = platform::clock().now();
    auto path = writePrintDocument(printFolder(), text, now);
    if (!path) {
        report(path.error());
        return;
    }
    prunePrintDocuments(printFolder(), now);
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(text);
    }
    if (!platform::desktop().hasProgramFor(kPrintDocumentType)) {
        openPrintWindow(parent, text, name);
        return;
    }
    const QString failure = platform::desktop().open(QUrl::fromLocalFile(*path));
    if (!failure.isEmpty()) {
        report(store::DbError{kNoWordProcessor, failure});
    }
}

} // namespace fangji::entry

#include "print_window.h"

#include "print_document.h"
#include "print_layout.h"

#include "platform/busy.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

namespace fangji::entry {

namespace {

const QString kPdfFilter = QStringLiteral("PDF 文档(*.pdf)|*.pdf|所有文件(*)|*");

// The folder the PDF is proposed in: where the last one went, else the documents folder.
QString& lastPdfFolder() {
    static QString folder;
    return folder;
}

QString pdfFolder() {
    if (!lastPdfFolder().isEmpty() && QFileInfo(lastPdfFolder()).isDir()) {
        return lastPdfFolder();
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// The width of the text on A4 between its margins, in the editor's pixels, so that
// lines break on screen about where they break on paper.
int pageTextWidth(const QWidget* widget) {
    const QPageLayout page = printPageLayout(QPageSize(QPageSize::A4));
    return page.paintRectPixels(widget->logicalDpiX()).width();
}

} // namespace

PrintWindow::PrintWindow(const QString& text, const QString& name, QWidget* parent)
    : QWidget(parent, Qt::Window), m_name(name) {
    setObjectName(QStringLiteral("Frmbjdy"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("编辑打印 - ") + name);

    m_print = new QPushButton(QStringLiteral("打印(&P)…"), this);
    m_print->setObjectName(QStringLiteral("CmdPrint"));
    m_preview = new QPushButton(QStringLiteral("打印预览(&V)"), this);
    m_preview->setObjectName(QStringLiteral("CmdPreview"));
    m_pdf = new QPushButton(QStringLiteral("导出 PDF(&E)…"), this);
    m_pdf->setObjectName(QStringLiteral("CmdPdf"));
    m_close = new QPushButton(QStringLiteral("关闭(&C)"), this);
    m_close->setObjectName(QStringLiteral("CmdClose"));

    m_editor = new QTextEdit(this);
    m_editor->setObjectName(QStringLiteral("TxtDocument"));
    m_editor->setAccessibleName(QStringLiteral("打印内容"));
    QTextDocument* document = printTextDocument(text).release();
    document->setParent(m_editor);
    m_editor->setDocument(document);
    m_editor->setLineWrapMode(QTextEdit::FixedPixelWidth);
    m_editor->setLineWrapColumnOrWidth(pageTextWidth(this));
    m_editor->setTabChangesFocus(true);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LabStatus"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_print);
    buttons->addWidget(m_preview);
    buttons->addWidget(m_pdf);
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_editor, 1);
    layout->addWidget(m_status);

    const QMargins around = layout->contentsMargins();
    const int frame = m_editor->frameWidth() * 2 + 2 * static_cast<int>(document->documentMargin());
    resize(pageTextWidth(this) + frame + m_editor->verticalScrollBar()->sizeHint().width() + around.left() +
               around.right(),
           560);

    connect(m_print, &QPushButton::clicked, this, &PrintWindow::CmdPrint_Click);
    connect(m_preview, &QPushButton::clicked, this, &PrintWindow::CmdPreview_Click);
    connect(m_pdf, &QPushButton::clicked, this, &PrintWindow::CmdPdf_Click);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    m_editor->setFocus(Qt::OtherFocusReason);
}

void PrintWindow::preparePrinter(QPrinter& printer) const {
    printer.setDocName(m_name);
    printer.setCreator(QStringLiteral("禾枢药典之方剂"));
    // The paper the printer offers (A4, A5 …), with the margins for its size.
    QPageLayout page = printPageLayout(printer.pageLayout().pageSize());
    page.setOrientation(printer.pageLayout().orientation());
    printer.setPageLayout(page);
}

void PrintWindow::paintOn(QPrinter* printer) {
    if (!paintDocument(*m_editor->document(), printer)) {
        platform::message(this, QStringLiteral("打印没有完成：打印机不能开始打印。"), platform::Icon::Exclamation);
    }
}

// Prints the document on the chosen printer.
void PrintWindow::CmdPrint_Click() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Portrait);
    preparePrinter(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印"));
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    preparePrinter(printer); // the paper may have changed in the dialog
    platform::setBusyPointer();
    paintOn(&printer);
    platform::setArrowPointer();
}

// Shows the pages as they will print.
void PrintWindow::CmdPreview_Click() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Portrait);
    preparePrinter(printer);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("打印预览 - ") + m_name);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, &PrintWindow::paintOn);
    preview.exec();
}

// Writes the document as a PDF file the user names.
void PrintWindow::CmdPdf_Click() {
    QString path =
        platform::prompts()
            .saveFile(this, QStringLiteral("导出 PDF"), QDir(pdfFolder()).filePath(pdfFileName(m_name)), kPdfFilter)
            .trimmed();
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".pdf");
    }
    const QString failure = exportPdf(path);
    if (!failure.isEmpty()) {
        platform::message(this, failure, platform::Icon::Exclamation);
        return;
    }
    lastPdfFolder() = QFileInfo(path).absolutePath();
}

QString PrintWindow::exportPdf(const QString& path) {
    platform::setBusyPointer();
    const store::Status written = writePdfFile(*m_editor->document(), m_name, path);
    platform::setArrowPointer();
    if (!written) {
        m_status->clear();
        return QStringLiteral("PDF 文档没有导出：") + QDir::toNativeSeparators(path) + QStringLiteral("\r\n") +
               store::errorReport(written.error(), store::ReportLines::Two);
    }
    m_status->setText(QStringLiteral("已导出 PDF：") + QDir::toNativeSeparators(path));
    return {};
}

PrintWindow* openPrintWindow(QWidget* parent, const QString& text, const QString& name) {
    // A window of its own over the main window: the entry window stays as it is, and the
    // document outlives it until the user closes it.
    QWidget* owner = parent ? parent->window() : nullptr;
    auto* window = new PrintWindow(text, name, owner);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace fangji::entry

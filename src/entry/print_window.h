#pragma once

#include <QWidget>

class QLabel;
class QPrinter;
class QPushButton;
class QTextEdit;

// 编辑打印 (`Frmbjdy`): the printed prescription as an editable page document, for a
// desktop without a word processor. Prints through the system's printers, previews,
// and exports a PDF.
namespace fangji::entry {

class PrintWindow : public QWidget {
    Q_OBJECT
public:
    // The document of text (printTextDocument); name is the prescription's name,
    // shown in the title and proposed as the PDF's file name. The window is a
    // window of its own over parent's window, and deletes itself when closed.
    PrintWindow(const QString& text, const QString& name, QWidget* parent = nullptr);

    QTextEdit* editor() const { return m_editor; }

    // Button handlers.
    void CmdPrint_Click();
    void CmdPreview_Click();
    void CmdPdf_Click();

    // Writes the document as shown into path. Returns the error text, empty on success.
    QString exportPdf(const QString& path);

private:
    void preparePrinter(QPrinter& printer) const;
    void paintOn(QPrinter* printer);

    QString m_name;
    QTextEdit* m_editor = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_pdf = nullptr;
    QPushButton* m_close = nullptr;
    QLabel* m_status = nullptr;
};

// Opens the print window for text over parent's window and returns it.
PrintWindow* openPrintWindow(QWidget* parent, const QString& text, const QString& name);

} // namespace fangji::entry

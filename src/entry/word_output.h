#pragma once

#include <QString>

class QAbstractButton;
class QWidget;

// Handing a prescription to the desktop's word processor.
namespace fangji::entry {

// How long the print button rests before a print is handed over, in milliseconds.
inline constexpr int kPrintPauseMs = 4000;

// Disables button and lets window messages run for four seconds of elapsed
// (monotonic) time, with the busy pointer; then restores the arrow and enables
// the button again.
void PauseWithButtonDisabled(QAbstractButton* button);

// The type of the print documents.
inline const QString kPrintDocumentType = QStringLiteral("application/rtf");

// Writes text into a new document (宋体, 11 points, not bold) in the data
// folder's "prints" folder (removing old print documents there), puts the
// text on the clipboard and opens the document with the desktop's word
// processor; when the desktop has no program for the document, opens the
// program's own print window (编辑打印) instead, titled with name. A failure
// is shown as the two-line error report (no icon, empty title); the caller
// goes on as after a success.
void SendTextToWord(QWidget* parent, const QString& text, const QString& name);

// The folder print documents are written to.
QString printFolder();

} // namespace fangji::entry

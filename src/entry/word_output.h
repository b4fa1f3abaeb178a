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

// Writes text into a new document (宋体, 11 points, not bold) in the data
// folder's "prints" folder, puts the text on the clipboard and opens the
// document with the desktop's word processor. A failure is shown as the
// two-line error report (no icon, empty title); the caller goes on as after
// a success.
void SendTextToWord(QWidget* parent, const QString& text);

// The folder print documents are written to.
QString printFolder();

} // namespace fangji::entry

#pragma once

#include <QString>

class QWidget;

// The text of a box, whatever its kind: a line edit, an editable combo box, a text box, or
// a box of the program's own that has a "text" property.
namespace fangji::platform {

QString boxText(const QWidget* box);
void setBoxText(QWidget* box, const QString& text);
// Selects the box's whole text.
void selectAllOf(QWidget* box);
// Places the caret after the box's last character.
void caretToEnd(QWidget* box);

} // namespace fangji::platform

#include "box_text.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace fangji::platform {

namespace {
// A box that declares a "text" property (a line edit, or a box of the program's own that keeps
// more than its base shows, such as the kinds of its line breaks) is read and set through it.
bool hasTextProperty(const QWidget* box) {
    return box != nullptr && box->metaObject()->indexOfProperty("text") >= 0;
}
} // namespace

QString boxText(const QWidget* box) {
    if (hasTextProperty(box)) {
        return box->property("text").toString();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(box)) {
        return combo->currentText();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(box)) {
        return plain->toPlainText();
    }
    return {};
}

void setBoxText(QWidget* box, const QString& text) {
    if (hasTextProperty(box)) {
        box->setProperty("text", text);
    } else if (auto* combo = qobject_cast<QComboBox*>(box)) {
        combo->setEditText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        plain->setPlainText(text);
    }
}

void selectAllOf(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->selectAll();
    } else if (auto* combo = qobject_cast<QComboBox*>(box)) {
        if (combo->lineEdit() != nullptr) {
            combo->lineEdit()->selectAll();
        }
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        plain->selectAll();
    }
}

void caretToEnd(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->end(false);
    } else if (auto* combo = qobject_cast<QComboBox*>(box)) {
        if (combo->lineEdit() != nullptr) {
            combo->lineEdit()->end(false);
        }
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        plain->moveCursor(QTextCursor::End);
    }
}

} // namespace fangji::platform

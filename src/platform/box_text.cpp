#include "box_text.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace fangji::platform {

QString boxText(const QWidget* box) {
    if (const auto* line = qobject_cast<const QLineEdit*>(box)) {
        return line->text();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(box)) {
        return combo->currentText();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(box)) {
        return plain->toPlainText();
    }
    return box != nullptr ? box->property("text").toString() : QString();
}

void setBoxText(QWidget* box, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(box)) {
        combo->setEditText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        plain->setPlainText(text);
    } else if (box != nullptr) {
        box->setProperty("text", text);
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
    } else if (auto* rich = qobject_cast<QTextEdit*>(box)) {
        rich->selectAll();
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
    } else if (auto* rich = qobject_cast<QTextEdit*>(box)) {
        rich->moveCursor(QTextCursor::End);
    }
}

} // namespace fangji::platform

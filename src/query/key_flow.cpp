#include "key_flow.h"

#include "query_statement.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

namespace fangji::query {

KeyFlow::KeyFlow(QObject* parent) : QObject(parent) {}

void KeyFlow::add(QWidget* from, const Rule& rule) {
    m_rules.insert(from, rule);
    from->installEventFilter(this);
}

void KeyFlow::selectAllOnFocus(QWidget* widget) {
    m_selectOnFocus.insert(widget, true);
    widget->installEventFilter(this);
}

QString KeyFlow::textOf(const QWidget* widget) {
    if (const auto* line = qobject_cast<const QLineEdit*>(widget)) {
        return line->text();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return combo->currentText();
    }
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(widget)) {
        return box->toPlainText();
    }
    return {};
}

void KeyFlow::setTextOf(QWidget* widget, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setEditText(text);
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        box->setPlainText(text);
    }
}

void KeyFlow::selectAllOf(QWidget* widget) {
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->selectAll();
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (combo->lineEdit() != nullptr) {
            combo->lineEdit()->selectAll();
        }
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        box->selectAll();
    }
}

void KeyFlow::caretToEnd(QWidget* widget) {
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->end(false);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (combo->lineEdit() != nullptr) {
            combo->lineEdit()->end(false);
        }
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        box->moveCursor(QTextCursor::End);
    }
}

bool KeyFlow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && m_selectOnFocus.contains(watched)) {
        // After the box's own focus handling, which may place the caret.
        QPointer<QWidget> w(qobject_cast<QWidget*>(watched));
        QTimer::singleShot(0, this, [w] {
            if (w) {
                selectAllOf(w);
            }
        });
        return false;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto it = m_rules.constFind(watched);
    if (it == m_rules.constEnd()) {
        return false;
    }
    const Rule& rule = *it;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* from = static_cast<QWidget*>(watched);
    if (key->text() == QStringLiteral(" ")) {
        return rule.discardBlank;
    }
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) {
        return false;
    }
    QString text = textOf(from);
    if (rule.emptyBlankText && !text.isEmpty() && trimBlanks(text).isEmpty()) {
        setTextOf(from, QString());
        text.clear();
    }
    bool move = false;
    switch (rule.condition) {
    case Condition::Always:
        move = true;
        break;
    case Condition::NotEmpty:
        move = !text.isEmpty();
        break;
    case Condition::NotBlank:
        move = !trimBlanks(text).isEmpty();
        break;
    }
    if (move && rule.target != nullptr) {
        if (rule.arrival == Arrival::SelectAll) {
            selectAllOf(rule.target);
        }
        rule.target->setFocus(Qt::OtherFocusReason);
        if (rule.arrival == Arrival::CaretEnd) {
            caretToEnd(rule.target);
        }
    }
    return rule.discardReturn;
}

} // namespace fangji::query

#include "key_flow.h"

#include "box_text.h"

#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace fangji::platform {

KeyFlow::KeyFlow(QObject* parent) : QObject(parent) {}

void KeyFlow::add(QWidget* from, const Rule& rule) {
    m_rules.insert(from, rule);
    from->installEventFilter(this);
}

void KeyFlow::selectAllOnFocus(QWidget* widget) {
    m_selectOnFocus.insert(widget, true);
    widget->installEventFilter(this);
}

namespace {
// Whether anything but ASCII blanks stands in the text.
bool hasNonBlank(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c != u' '; });
}
} // namespace

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
    if (key->text() == QStringLiteral(" ") && rule.discardBlank) {
        return true;
    }
    if (rule.beforeKey) {
        rule.beforeKey();
    }
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) {
        return false;
    }
    if (rule.onEnter) {
        return rule.onEnter();
    }
    QString text = boxText(from);
    if (rule.emptyBlankText && !text.isEmpty() && !hasNonBlank(text)) {
        setBoxText(from, QString());
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
        move = hasNonBlank(text);
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

} // namespace fangji::platform

#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace fangji::platform {

// The keyboard chain of a window's boxes, the one way every window drives its Enter key:
// a typed blank is discarded, and a carriage return moves the focus on to the next box
// when its condition holds, or runs the box's own step (a check with a message, a lookup).
class KeyFlow : public QObject {
    Q_OBJECT
public:
    enum class Condition {
        Always,   // move on whatever the box holds
        NotEmpty, // the text is longer than 0
        NotBlank, // the text without blanks is not empty
    };
    enum class Arrival {
        Plain,     // the target just receives the focus
        SelectAll, // its whole text is selected first
        CaretEnd,  // its caret is placed after the last character
    };
    struct Rule {
        QWidget* target = nullptr;
        Condition condition = Condition::NotEmpty;
        Arrival arrival = Arrival::Plain;
        bool discardBlank = true;
        bool discardReturn = true;
        // A text of blanks only is emptied when a carriage return arrives.
        bool emptyBlankText = false;
        // When set, a carriage return runs this instead of moving on; it returns whether
        // the key is used up (false lets the box have it, e.g. a line break).
        std::function<bool()> onEnter;
        // When set, runs before the box handles any key other than a discarded blank.
        std::function<void()> beforeKey;
    };

    explicit KeyFlow(QObject* parent = nullptr);

    void add(QWidget* from, const Rule& rule);
    // The widget's whole text is selected whenever it receives the focus.
    void selectAllOnFocus(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QObject*, Rule> m_rules;
    QHash<QObject*, bool> m_selectOnFocus;
};

} // namespace fangji::platform

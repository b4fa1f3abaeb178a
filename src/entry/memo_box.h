#pragma once

#include <QPlainTextEdit>

namespace fangji::entry {

// A multi-line text box with a vertical scroll bar whose text, as the window
// reads and writes it, breaks lines with CR LF, and which accepts at most
// maxLength characters (counted in that form; 0: no limit).
class MemoBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MemoBox(QWidget* parent = nullptr);

    void setMaxLength(int length);
    int maxLength() const { return m_maxLength; }

    // The text with CR LF line breaks.
    QString text() const;
    // Shows text; CR LF, a lone CR or a lone LF each break a line.
    void setText(const QString& text);

    // Puts the caret at the end of the text.
    void setCaretAtEnd();

private:
    void enforceMaxLength();

    int m_maxLength = 0;
    bool m_enforcing = false;
};

} // namespace fangji::entry

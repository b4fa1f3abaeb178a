#pragma once

#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <map>
#include <vector>

namespace fangji::entry {

// What a box says when a paste holds a character no stored text may hold (a control
// character other than TAB, CR and LF, or an unpaired surrogate), and nothing is
// pasted: "粘贴的文字含有控制字符 U+0000，不能粘贴。". Empty when the text may be pasted.
QString pasteRefusal(const QString& pasted);

// A multi-line text box with a vertical scroll bar. Its text, as the window reads
// and writes it, keeps every line break as the characters that made it: a typed
// Enter is CR LF, and a loaded or pasted CR LF, lone CR or lone LF comes back as it
// went in. A limit (maxLength, counted in that text; 0: none) holds for typing and
// pasting only: an edit never makes the text longer than the limit or than it was
// before the edit, whichever is more. Loaded texts are shown whole.
class MemoBox : public QPlainTextEdit {
    Q_OBJECT
    // The text as text() gives it, so that code reading any box by its "text" sees the line
    // breaks as they were made.
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit MemoBox(QWidget* parent = nullptr);

    void setMaxLength(int length);
    int maxLength() const { return m_maxLength; }

    // The text, each line break written as it was made.
    QString text() const;
    // The length of text(), without building it.
    int length() const;
    // Shows the whole text; CR LF, a lone CR or a lone LF each break a line and are kept.
    void setText(const QString& text);

    // Puts the caret at the end of the text.
    void setCaretAtEnd();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Copying, cutting and dragging carry the line breaks as they are, too.
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // The text between two document positions, each line break written as it was made.
    QString textBetween(int from, int to) const;
    // Characters of document()'s text between two positions, counted as text() counts them.
    int lengthBetween(int from, int to) const;
    // The kinds of every block's line break (empty when all are typed breaks).
    std::vector<int> breakKinds() const;
    // Notes the line breaks for the present undo step, or puts them back after an undo or redo.
    void keepBreaksWithUndo();
    // After every change: cuts what typing put beyond the limit, and remembers the length.
    void holdToLimit();

    int m_maxLength = 0;
    // The length after the last change: the "before" of the next edit.
    int m_lengthBefore = 0;
    // Where the last change's inserted text ends.
    int m_changeEnd = 0;
    // Set while the box changes its own text (loading, pasting, cutting to the limit).
    bool m_ownChange = false;
    // The document's undo stack keeps no block states: the line breaks of each undo step
    // are kept here, by the document's count of undo steps.
    std::map<int, std::vector<int>> m_breaksByUndoStep;
    int m_undoStep = 0;
    bool m_undoStepAdded = false;
    bool m_undoOrRedo = false;
};

// A one-line text box with the same rules: loaded texts are shown whole, typing and
// pasting hold to the limit (or to the length before the edit, when that is more),
// and a paste holding control characters is refused.
class LineBox : public QLineEdit {
    Q_OBJECT
    // Setting the property shows the whole text, as setText does.
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit LineBox(QWidget* parent = nullptr);

    void setLimit(int limit);
    int limit() const { return m_limit; }

    // Shows the whole text, however long (hides QLineEdit::setText, which cuts at maxLength).
    void setText(const QString& text);

    // Pastes the clipboard's text at the caret, within the limit.
    void pasteText(QClipboard::Mode mode = QClipboard::Clipboard);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Lets the coming edit reach the limit or the present length, whichever is more.
    void allowCurrentLength();

    int m_limit = 0;
};

} // namespace fangji::entry

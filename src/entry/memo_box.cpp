#include "memo_box.h"

#include "entry_text.h"

#include "platform/prompts.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace fangji::entry {

namespace {

// How a line break was made, kept as the user state of the block after it. The
// document's default state (-1) is a typed Enter, which the text writes as CR LF.
enum BreakKind : int {
    kCrLf = -1,
    kLf = 1,
    kCr = 2,
    kParagraphSeparator = 3,
    kFrameStart = 4,
    kFrameEnd = 5,
};

QString breakText(int kind) {
    switch (kind) {
    case kLf:
        return QStringLiteral("\n");
    case kCr:
        return QStringLiteral("\r");
    case kParagraphSeparator:
        return QString(QChar::ParagraphSeparator);
    case kFrameStart:
        return QString(QChar(0xFDD0));
    case kFrameEnd:
        return QString(QChar(0xFDD1));
    default:
        return QStringLiteral("\r\n");
    }
}

// The line break starting at text[i], as QTextCursor::insertText splits blocks:
// its kind, or 0 when text[i] breaks no line; `size` gets its length.
int breakAt(const QString& text, qsizetype i, qsizetype& size) {
    size = 1;
    switch (text[i].unicode()) {
    case u'\r':
        if (i + 1 < text.size() && text[i + 1] == u'\n') {
            size = 2;
            return kCrLf;
        }
        return kCr;
    case u'\n':
        return kLf;
    case 0x2029:
        return kParagraphSeparator;
    case 0xFDD0:
        return kFrameStart;
    case 0xFDD1:
        return kFrameEnd;
    default:
        return 0;
    }
}

// Gives the blocks that follow `block` the kinds of the line breaks in text, in order
// (text was just inserted into the document at the end of `block`).
void recordBreaks(QTextBlock block, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype size = 1;
        const int kind = breakAt(text, i, size);
        if (kind != 0) {
            block = block.next();
            block.setUserState(kind);
            i += size - 1;
        }
    }
}

// The front of a pasted text that fits into room characters, never splitting a CR LF
// or a surrogate pair.
QString cutToRoom(const QString& text, qsizetype room) {
    if (room >= text.size()) {
        return text;
    }
    qsizetype n = qMax<qsizetype>(0, room);
    if (n > 0 && text[n - 1] == u'\r' && text[n] == u'\n') {
        --n;
    }
    if (n > 0 && text[n - 1].isHighSurrogate()) {
        --n;
    }
    return text.left(n);
}

// The text a paste would bring: empty when the data hold no text.
QString pastedText(const QMimeData* source) {
    return source != nullptr && source->hasText() ? source->text() : QString();
}

} // namespace

QString pasteRefusal(const QString& pasted) {
    const std::optional<QString> problem = forbiddenCharacterProblem(pasted);
    return problem ? QStringLiteral("粘贴的文字") + *problem + QStringLiteral("，不能粘贴。") : QString();
}

// ------------------------------------------------------------------ MemoBox

MemoBox::MemoBox(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { m_changeEnd = position + added; });
    connect(document(), &QTextDocument::undoCommandAdded, this, [this] { m_undoStepAdded = true; });
    connect(this, &QPlainTextEdit::textChanged, this, &MemoBox::keepBreaksWithUndo);
    connect(this, &QPlainTextEdit::textChanged, this, &MemoBox::holdToLimit);
}

void MemoBox::setMaxLength(int length) {
    m_maxLength = qMax(0, length);
    m_lengthBefore = this->length();
}

QString MemoBox::text() const {
    return textBetween(0, document()->characterCount() - 1);
}

QString MemoBox::textBetween(int from, int to) const {
    // Block texts are raw: non-breaking spaces and line separators stay as they are.
    QString out;
    out.reserve(to - from + 16);
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        const int start = qMax(from, block.position());
        const int end = qMin(to, block.position() + block.length() - 1);
        const QString line = block.text();
        out += QStringView(line).mid(start - block.position(), end - start);
        if (end < to && block.next().isValid()) {
            out += breakText(block.next().userState());
        }
    }
    return out;
}

QMimeData* MemoBox::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(textBetween(cursor.selectionStart(), cursor.selectionEnd()));
    return data;
}

std::vector<int> MemoBox::breakKinds() const {
    std::vector<int> kinds;
    bool typedOnly = true;
    kinds.reserve(document()->blockCount());
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        kinds.push_back(block.userState());
        typedOnly = typedOnly && (block == document()->begin() || block.userState() == kCrLf);
    }
    return typedOnly ? std::vector<int>() : kinds;
}

void MemoBox::keepBreaksWithUndo() {
    const int step = document()->availableUndoSteps();
    m_undoOrRedo = !m_undoStepAdded && step != m_undoStep;
    m_undoStepAdded = false;
    m_undoStep = step;
    if (!m_undoOrRedo) {
        // A new edit: the steps that could have been redone are gone.
        m_breaksByUndoStep.erase(m_breaksByUndoStep.upper_bound(step), m_breaksByUndoStep.end());
        m_breaksByUndoStep[step] = breakKinds();
        return;
    }
    const auto kept = m_breaksByUndoStep.find(step);
    if (kept == m_breaksByUndoStep.end()) {
        return;
    }
    const std::vector<int>& kinds = kept->second;
    if (!kinds.empty() && kinds.size() != static_cast<size_t>(document()->blockCount())) {
        return;
    }
    size_t i = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next(), ++i) {
        block.setUserState(kinds.empty() ? kCrLf : kinds[i]);
    }
}

int MemoBox::length() const {
    return lengthBetween(0, document()->characterCount() - 1);
}

int MemoBox::lengthBetween(int from, int to) const {
    int units = to - from;
    for (QTextBlock block = document()->findBlock(from); block.isValid(); block = block.next()) {
        const int separator = block.position() + block.length() - 1;
        if (separator >= to) {
            break;
        }
        if (separator >= from && block.next().isValid()) {
            units += static_cast<int>(breakText(block.next().userState()).size()) - 1;
        }
    }
    return units;
}

void MemoBox::setText(const QString& text) {
    m_ownChange = true;
    setPlainText(text);
    recordBreaks(document()->begin(), text);
    m_ownChange = false;
    m_undoStep = document()->availableUndoSteps();
    m_breaksByUndoStep.clear();
    m_breaksByUndoStep[m_undoStep] = breakKinds();
    m_lengthBefore = length();
}

void MemoBox::setCaretAtEnd() {
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
}

void MemoBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::InsertLineSeparator) && !isReadOnly()) {
        // A line break typed with Shift is a line break like any other.
        QTextCursor cursor = textCursor();
        cursor.insertBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool MemoBox::canInsertFromMimeData(const QMimeData* source) const {
    return source != nullptr && source->hasText();
}

void MemoBox::insertFromMimeData(const QMimeData* source) {
    const QString pasted = pastedText(source);
    if (pasted.isEmpty() || isReadOnly()) {
        return;
    }
    if (const QString refusal = pasteRefusal(pasted); !refusal.isEmpty()) {
        platform::message(this, refusal, platform::Icon::Information);
        return;
    }
    QTextCursor cursor = textCursor();
    QString piece = pasted;
    if (m_maxLength > 0) {
        // Cut to the room left before inserting: what does not fit is never put in.
        const int selected = cursor.hasSelection() ? lengthBetween(cursor.selectionStart(), cursor.selectionEnd()) : 0;
        const int room = qMax(m_maxLength, m_lengthBefore) - (length() - selected);
        piece = cutToRoom(pasted, room);
        if (piece.isEmpty()) {
            return;
        }
    }
    m_ownChange = true;
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const QTextBlock first = cursor.block();
    cursor.insertText(piece);
    recordBreaks(first, piece);
    cursor.endEditBlock();
    m_ownChange = false;
    setTextCursor(cursor);
    ensureCursorVisible();
    m_lengthBefore = length();
}

void MemoBox::holdToLimit() {
    if (m_ownChange || m_maxLength <= 0) {
        return;
    }
    if (m_undoOrRedo) {
        // Undo and redo go back to texts the box held: they are not cut.
        m_lengthBefore = length();
        return;
    }
    const int allowed = qMax(m_maxLength, m_lengthBefore);
    if (const int now = length(); now > allowed) {
        // What was just typed goes first, from the end of the change backwards; a line
        // break goes whole.
        QTextDocument* doc = document();
        const int end = qBound(0, m_changeEnd, doc->characterCount() - 1);
        int start = end;
        for (int excess = now - allowed; excess > 0 && start > 0; --start) {
            const QChar c = doc->characterAt(start - 1);
            if (c == QChar::ParagraphSeparator) {
                excess -= static_cast<int>(breakText(doc->findBlock(start).userState()).size());
            } else if (c.isLowSurrogate() && start >= 2 && doc->characterAt(start - 2).isHighSurrogate()) {
                excess -= 2;
                --start;
            } else {
                excess -= 1;
            }
        }
        m_ownChange = true;
        QTextCursor cursor(doc);
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        m_ownChange = false;
        setTextCursor(cursor);
    }
    m_lengthBefore = length();
}

// ------------------------------------------------------------------ LineBox

LineBox::LineBox(QWidget* parent) : QLineEdit(parent) {}

void LineBox::setLimit(int limit) {
    m_limit = qMax(0, limit);
    allowCurrentLength();
}

void LineBox::setText(const QString& text) {
    const int room = qMax(m_limit > 0 ? m_limit : 32767, static_cast<int>(text.size()));
    if (maxLength() != room) {
        setMaxLength(room);
    }
    QLineEdit::setText(text);
}

void LineBox::allowCurrentLength() {
    const int wanted = qMax(m_limit > 0 ? m_limit : 32767, static_cast<int>(QLineEdit::text().size()));
    if (maxLength() == wanted) {
        return;
    }
    // A new maxLength sets the text anew: the caret and the selection are put back.
    const int caret = cursorPosition();
    const int selectionStart = this->selectionStart();
    const int selected = selectionLength();
    setMaxLength(wanted);
    if (selectionStart < 0) {
        setCursorPosition(caret);
    } else if (caret == selectionStart) {
        setSelection(selectionStart + selected, -selected);
    } else {
        setSelection(selectionStart, selected);
    }
}

void LineBox::pasteText(QClipboard::Mode mode) {
    const QString pasted = pastedText(QGuiApplication::clipboard()->mimeData(mode));
    if (pasted.isEmpty() || isReadOnly()) {
        return;
    }
    if (const QString refusal = pasteRefusal(pasted); !refusal.isEmpty()) {
        platform::message(this, refusal, platform::Icon::Information);
        return;
    }
    allowCurrentLength();
    const qsizetype room = maxLength() - (QLineEdit::text().size() - selectedText().size());
    const QString piece = cutToRoom(pasted, room);
    if (!piece.isEmpty()) {
        insert(piece);
    }
}

void LineBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        pasteText();
        event->accept();
        return;
    }
    allowCurrentLength();
    QLineEdit::keyPressEvent(event);
}

void LineBox::inputMethodEvent(QInputMethodEvent* event) {
    allowCurrentLength();
    QLineEdit::inputMethodEvent(event);
}

void LineBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    // The menu's 粘贴 pastes as the keyboard does.
    for (QAction* action : menu->actions()) {
        if (disconnect(action, &QAction::triggered, this, &QLineEdit::paste)) {
            connect(action, &QAction::triggered, this, [this] { pasteText(); });
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void LineBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection() && !isReadOnly()) {
        deselect();
        pasteText(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void LineBox::dropEvent(QDropEvent* event) {
    if (const QString refusal = pasteRefusal(pastedText(event->mimeData())); !refusal.isEmpty()) {
        event->ignore();
        platform::message(this, refusal, platform::Icon::Information);
        return;
    }
    allowCurrentLength();
    QLineEdit::dropEvent(event);
}

} // namespace fangji::entry

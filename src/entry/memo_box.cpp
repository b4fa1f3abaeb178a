#include "memo_box.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace fangji::entry {

MemoBox::MemoBox(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &MemoBox::enforceMaxLength);
}

void MemoBox::setMaxLength(int length) {
    m_maxLength = qMax(0, length);
    enforceMaxLength();
}

QString MemoBox::text() const {
    // The raw text keeps non-breaking spaces as they are; only the block separators become CR LF.
    QString raw = document()->toRawText();
    QString out;
    out.reserve(raw.size() + 16);
    for (QChar c : raw) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == u'\n') {
            out += QStringLiteral("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

void MemoBox::setText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    setPlainText(shown);
}

void MemoBox::setCaretAtEnd() {
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
}

void MemoBox::enforceMaxLength() {
    if (m_maxLength <= 0 || m_enforcing) {
        return;
    }
    m_enforcing = true;
    // Characters beyond the limit are refused: what was just typed or pasted before the caret goes first.
    QTextCursor cursor = textCursor();
    while (text().size() > m_maxLength) {
        if (cursor.position() > 0) {
            cursor.deletePreviousChar();
        } else {
            cursor.movePosition(QTextCursor::End);
            cursor.deletePreviousChar();
            cursor.movePosition(QTextCursor::Start);
        }
    }
    setTextCursor(cursor);
    m_enforcing = false;
}

} // namespace fangji::entry

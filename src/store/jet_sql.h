#pragma once

// The collation "zh" registered here orders names; files are checked against it on open.
#include "name_order.h"

#include <QByteArray>
#include <QString>

struct sqlite3;

// Jet-style SQL on the SQLite engine: the statements of the system are kept as
// written and translated here, and the engine is given Jet's functions.
namespace fangji::store::jet {

enum class Mode {
    Query,   // a statement whose rows are read
    Execute, // executed without fail-on-error: a row the table refuses is dropped silently
};

// Rewrites a Jet statement for SQLite, outside string literals only:
// "DELETE * FROM" -> "DELETE FROM", left(/right( -> "left"(/"right"(, and in
// Execute mode INSERT/UPDATE -> INSERT OR IGNORE/UPDATE OR IGNORE.
QString translate(const QString& sql, Mode mode = Mode::Query);

// The text between the quotes of one string literal: every single quote doubled, and
// each C0 control character other than TAB, LF and CR closed out of the quotes as
// "'||char(N)||'". The engine's tokenizer ends a statement at a NUL, and a file written
// by an earlier version may hold one in any text; the literal stays one value, also
// inside a stored query.
QString escapeLiteral(const QString& text);

// Makes text match itself inside a LIKE pattern: the pattern characters
// "*", "?", "#" and "[" are each wrapped in brackets.
QString escapePattern(const QString& text);

// Jet's LIKE: "*" any run, "?" one character, "#" one digit, "[abc]", "[!abc]",
// "[a-z]". Latin letters compare without case, traditional characters as their simplified
// forms (桂枝湯 and 桂枝汤 alike, on either side), and a pattern naming a herb of the alias
// table also finds the herb by its other names (黄耆 and 黄芪). Operates on UTF-8.
bool likeMatch(const QByteArray& pattern, const QByteArray& text);

// pinyinlike(text, pattern) in SQL, for the criteria on names and herbs: likeMatch, and a
// "*letters*" pattern of Latin letters alone also matches by pinyin ("*gzt*" and
// "*guizhitang*" find 桂枝汤).
bool pinyinLikeMatch(const QByteArray& pattern, const QByteArray& text);

// The condition of a criterion on names or herbs, pattern being its quoted pattern
// ("'*gzt*'"): "<column> like <pattern>", or "pinyinlike(<column>,<pattern>)" for a criterion
// of Latin letters alone.
QString wordCondition(const QString& column, const QString& criterion, const QString& pattern);

// Registers like(), pinyinlike(), len(), left(), right() and the collation "zh" on a connection:
// Chinese (pinyin) order; names equal exactly when byte-equal once A-Z are folded
// to a-z (full-width letters stay apart), ties otherwise broken by the folded bytes.
int registerFunctions(sqlite3* db);

// The "zh" collation as a plain comparison (for tests and sorting outside SQL): one
// total order, 0 exactly for equal names.
int compareZh(const QString& a, const QString& b);

} // namespace fangji::store::jet

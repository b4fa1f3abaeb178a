#pragma once

#include "result.h"

#include <QList>
#include <QStringList>

// The order of prescription names in the file's indexes. 名称 and 功效 carry the
// collation "zh"; an index is only sound when it was built with the order of the
// running build, so every file records the version of the order it was built with.
namespace fangji::store {

class Database;

// Version of the "zh" order, kept in the file's PRAGMA user_version. Files of
// earlier builds carry 0: their order could hold a name twice and misplace rows.
inline constexpr int kNameOrderVersion = 1;

// What bringing a file up to the current order did.
struct NameOrderCheck {
    bool reindexed = false;        // the indexes on "zh" columns were rebuilt
    QStringList relaxedIndexes;    // unique indexes rebuilt as non-unique (equal names found)
    QList<QStringList> equalNames; // the groups of equal names found
};

// Run on every open (one pragma read when the file is current). A file of an
// earlier build has its "zh" indexes rebuilt in one transaction; a unique index
// that now finds two equal names is rebuilt non-unique, every row kept, and a
// second, partial unique index keeps refusing repeats of every other name. A
// fresh file is marked current. On failure (read-only or busy file) the file is
// left as it was, to be checked at the next open.
Result<NameOrderCheck> checkNameOrder(Database& db, bool fresh);

// The groups of stored names of 中医方剂 that are equal (equal once Latin letters
// A-Z are folded to a-z), each group in the order the rows were added, groups in
// name order. Costs one schema read when the name index is unique.
Result<QList<QStringList>> equalNameGroups(Database& db);

// "以下方剂名称相同：A、a；B、b" for the user; empty when there is no group.
QString equalNamesMessage(const QList<QStringList>& groups);

// What the user can do about equal names, said after equalNamesMessage.
inline const QString kEqualNamesAdvice =
    QStringLiteral("\n两剂都已保留；请在方剂登录中查看，删除多余的一剂后重新登录。");

} // namespace fangji::store

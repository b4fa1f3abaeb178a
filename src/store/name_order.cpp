#include "name_order.h"

#include "database.h"
#include "jet_sql.h"
#include "schema.h"

#include <sqlite3.h>

namespace fangji::store {

namespace {

const QString kNameColumn = QStringLiteral("名称");

// An index whose keys compare with "zh".
struct OrderedIndex {
    QString name;
    QString table;
    QString sql; // empty for an index the engine made for a UNIQUE column
    QStringList columns;
    bool unique = false;
    bool partial = false;
};

Result<int> userVersion(Database& db) {
    auto version = db.firstValue(QStringLiteral("PRAGMA user_version"));
    if (!version) {
        return version.error();
    }
    return version->toInt();
}

Status setUserVersion(Database& db, int version) {
    return db.executeNative(QStringLiteral("PRAGMA user_version = %1").arg(version));
}

Result<QList<OrderedIndex>> orderedIndexes(Database& db) {
    auto list = db.prepareNative(QStringLiteral("SELECT name, tbl_name, sql FROM sqlite_master WHERE type = 'index'"));
    if (!list) {
        return list.error();
    }
    QList<OrderedIndex> all;
    if (Status s = forEachRow(*list,
                              [&](const Statement& row) {
                                  all.append({row.text(0), row.text(1), row.text(2), {}, false, false});
                              });
        !s) {
        return s.error();
    }
    QList<OrderedIndex> found;
    for (OrderedIndex& index : all) {
        auto info = db.prepareNative(QStringLiteral("PRAGMA index_xinfo(") + quoteIdentifier(index.name) + u')');
        if (!info) {
            return info.error();
        }
        bool onZh = false;
        // Columns: seqno, cid, name, desc, coll, key.
        if (Status s = forEachRow(*info,
                                  [&](const Statement& row) {
                                      if (row.value(5).toInt() == 0) {
                                          return;
                                      }
                                      index.columns << row.text(2);
                                      onZh = onZh || row.text(4).compare(u"zh", Qt::CaseInsensitive) == 0;
                                  });
            !s) {
            return s.error();
        }
        if (onZh) {
            found.append(index);
        }
    }
    for (OrderedIndex& index : found) {
        auto flags = db.prepareNative(QStringLiteral("PRAGMA index_list(") + quoteIdentifier(index.table) + u')');
        if (!flags) {
            return flags.error();
        }
        // Columns: seq, name, unique, origin, partial.
        if (Status s = forEachRow(*flags,
                                  [&](const Statement& row) {
                                      if (row.text(1) == index.name) {
                                          index.unique = row.value(2).toInt() != 0;
                                          index.partial = row.value(4).toInt() != 0;
                                      }
                                  });
            !s) {
            return s.error();
        }
    }
    return found;
}

bool foldedEqual(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] + 32) : a[i];
        const char y = (b[i] >= 'A' && b[i] <= 'Z') ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y) {
            return false;
        }
    }
    return true;
}

// The groups of equal texts of a column: read in name order, equal texts are neighbours.
Result<QList<QStringList>> equalGroupsOf(Database& db, const QString& table, const QString& column) {
    const QString col = quoteIdentifier(column);
    auto stmt = db.prepareNative(QStringLiteral("SELECT ") + col + QStringLiteral(" FROM ") + quoteIdentifier(table) +
                                 QStringLiteral(" WHERE ") + col + QStringLiteral(" IS NOT NULL ORDER BY ") + col +
                                 QStringLiteral(" COLLATE zh, rowid"));
    if (!stmt) {
        return stmt.error();
    }
    QList<QStringList> groups;
    QStringList group;
    QByteArray previous;
    auto flush = [&] {
        if (group.size() > 1) {
            groups.append(group);
        }
        group.clear();
    };
    const Status read = forEachRow(*stmt, [&](const Statement& row) {
        int bytes = 0;
        const char* text = row.utf8(0, &bytes);
        const QByteArray current(text, bytes);
        if (group.isEmpty() || !foldedEqual(previous, current)) {
            flush();
        }
        group << QString::fromUtf8(current);
        previous = current;
    });
    if (!read) {
        return read.error();
    }
    flush();
    return groups;
}

// Rebuilds a unique index that now finds equal texts as a non-unique one of the same
// name and keys, so that no row is lost and lookups stay fast; a partial unique index
// beside it keeps refusing a repeat of every other text.
Status relax(Database& db, const OrderedIndex& index, NameOrderCheck& check) {
    const QString uniquePrefix = QStringLiteral("CREATE UNIQUE INDEX");
    if (!index.sql.startsWith(uniquePrefix, Qt::CaseInsensitive)) {
        return DbError{SQLITE_CONSTRAINT, QStringLiteral("cannot rebuild index ") + index.name};
    }
    if (Status s = db.executeNative(QStringLiteral("DROP INDEX ") + quoteIdentifier(index.name)); !s) {
        return s;
    }
    if (Status s = db.executeNative(QStringLiteral("CREATE INDEX") + index.sql.mid(uniquePrefix.size())); !s) {
        return s;
    }
    check.relaxedIndexes << index.name;
    if (index.columns.size() != 1) {
        return {};
    }
    auto groups = equalGroupsOf(db, index.table, index.columns.first());
    if (!groups) {
        return groups.error();
    }
    check.equalNames += *groups;
    if (index.partial || groups->isEmpty()) {
        return {};
    }
    QStringList equalTexts;
    for (const QStringList& group : *groups) {
        equalTexts << u'\'' + jet::escapeLiteral(group.first()) + u'\'';
    }
    const QString guard = quoteIdentifier(index.name + QStringLiteral("_u"));
    const QString col = quoteIdentifier(index.columns.first()) + QStringLiteral(" COLLATE zh");
    if (Status s = db.executeNative(QStringLiteral("DROP INDEX IF EXISTS ") + guard); !s) {
        return s;
    }
    return db.executeNative(QStringLiteral("CREATE UNIQUE INDEX ") + guard + QStringLiteral(" ON ") +
                            quoteIdentifier(index.table) + QStringLiteral(" (") + col + QStringLiteral(") WHERE ") +
                            col + QStringLiteral(" NOT IN (") + equalTexts.join(u',') + u')');
}

Result<NameOrderCheck> rebuild(Database& db, const QList<OrderedIndex>& indexes) {
    // Another process may have brought the file up to date while this one waited.
    auto version = userVersion(db);
    if (!version) {
        return version.error();
    }
    NameOrderCheck check;
    if (*version >= kNameOrderVersion) {
        return check;
    }
    QList<OrderedIndex> refused;
    for (const OrderedIndex& index : indexes) {
        Status s = db.executeNative(QStringLiteral("REINDEX ") + quoteIdentifier(index.name));
        if (s) {
            continue;
        }
        const bool constraint = (s.error().number & 0xff) == SQLITE_CONSTRAINT;
        if (!constraint || !index.unique || sqlite3_get_autocommit(db.handle()) != 0) {
            return s.error();
        }
        refused.append(index);
    }
    for (const OrderedIndex& index : refused) {
        if (Status s = relax(db, index, check); !s) {
            return s.error();
        }
    }
    if (Status s = setUserVersion(db, kNameOrderVersion); !s) {
        return s.error();
    }
    check.reindexed = true;
    return check;
}

} // namespace

Result<NameOrderCheck> checkNameOrder(Database& db, bool fresh) {
    auto version = userVersion(db);
    if (!version) {
        return version.error();
    }
    if (*version >= kNameOrderVersion) {
        return NameOrderCheck{};
    }
    auto indexes = orderedIndexes(db);
    if (!indexes) {
        return indexes.error();
    }
    if (indexes->isEmpty()) {
        // Nothing to rebuild. A file made by this build is marked now; another file (an
        // import source, say) is not written to.
        if (fresh) {
            if (Status s = setUserVersion(db, kNameOrderVersion); !s) {
                return s.error();
            }
        }
        return NameOrderCheck{};
    }
    if (Status s = db.executeNative(QStringLiteral("BEGIN IMMEDIATE")); !s) {
        return s.error();
    }
    auto check = rebuild(db, *indexes);
    if (!check) {
        (void)db.executeNative(QStringLiteral("ROLLBACK"));
        return check;
    }
    if (Status s = db.commit(); !s) {
        (void)db.executeNative(QStringLiteral("ROLLBACK"));
        return s.error();
    }
    return check;
}

Result<QList<QStringList>> equalNameGroups(Database& db) {
    // A unique name index admits no two equal names: nothing to read.
    auto stmt = db.prepareNative(QStringLiteral("PRAGMA index_list(") + quoteIdentifier(table::kPrescriptions) + u')');
    if (!stmt) {
        return stmt.error();
    }
    bool unique = false;
    if (Status s = forEachRow(*stmt,
                              [&](const Statement& row) {
                                  if (row.text(1) == kNameIndex) {
                                      unique = row.value(2).toInt() != 0 && row.value(4).toInt() == 0;
                                  }
                              });
        !s) {
        return s.error();
    }
    if (unique) {
        return QList<QStringList>();
    }
    return equalGroupsOf(db, table::kPrescriptions, kNameColumn);
}

QString equalNamesMessage(const QList<QStringList>& groups) {
    if (groups.isEmpty()) {
        return {};
    }
    QStringList parts;
    for (const QStringList& group : groups) {
        parts << group.join(u'、');
    }
    return QStringLiteral("以下方剂名称相同：") + parts.join(u'；');
}

} // namespace fangji::store

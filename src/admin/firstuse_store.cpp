#include "firstuse_store.h"

#include "password_hash.h"

#include "store/jet_sql.h"

namespace fangji::firstuse {

namespace {

using store::DbError;
using store::Result;
using store::Status;

// Runs the named query convention: every stored query removed, the statement stored under name, opened.
Result<store::RecordSet> openNamed(store::Database& db, const QString& name, const QString& sql) {
    if (Status s = db.deleteAllQueryDefs(); !s) {
        return s.error();
    }
    if (Status s = db.createQueryDef(name, sql); !s) {
        return s.error();
    }
    return db.openRecordSet(name);
}

// Runs one SQLite statement with bound values to its end.
Status runBound(store::Database& db, const QString& sql, const QVariantList& values) {
    auto stmt = db.prepareNative(sql);
    if (!stmt) {
        return stmt.error();
    }
    for (int i = 0; i < values.size(); ++i) {
        if (Status s = stmt->bind(i + 1, values[i]); !s) {
            return s;
        }
    }
    auto done = stmt->step();
    return done.status();
}

// Deletes every row of table and inserts one row, all or nothing.
Status replaceRow(store::Database& db, const QString& table, const QString& insertSql, const QVariantList& values) {
    if (Status s = db.begin(); !s) {
        return s;
    }
    Status s = runBound(db, QStringLiteral("DELETE FROM ") + store::quoteIdentifier(table), {});
    if (s) {
        s = runBound(db, insertSql, values);
    }
    if (s) {
        s = db.commit();
    }
    if (!s) {
        (void)db.rollback();
    }
    return s;
}

QStringList nonNullColumn(store::RecordSet& rs, int column) {
    QStringList out;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        if (!rs.isNull(column)) {
            out << rs.text(column);
        }
    }
    return out;
}

} // namespace

Result<QStringList> userNames(store::Database& db) {
    auto rs = openNamed(db, QStringLiteral("yhmc"), QStringLiteral("select 姓名 FROM 密码表"));
    if (!rs) {
        return rs.error();
    }
    if (rs->isEmptyTable()) {
        return QStringList();
    }
    return nonNullColumn(*rs, 0);
}

Result<QStringList> passwordListNames(store::Database& db) {
    auto rs = db.openRecordSet(QStringLiteral("SELECT * FROM 密码表"));
    if (!rs) {
        return rs.error();
    }
    return nonNullColumn(*rs, 0);
}

Result<bool> checkLogin(store::Database& db, const QString& name, const QString& password) {
    if (Status s = db.deleteAllQueryDefs(); !s) {
        return s.error();
    }
    // The column compares without Latin case, as the name always has.
    auto stmt = db.prepareNative(QStringLiteral("SELECT 密码 FROM 密码表 WHERE 姓名 = ?1"));
    if (!stmt) {
        return stmt.error();
    }
    if (Status s = stmt->bind(1, name); !s) {
        return s.error();
    }
    bool matched = false;
    const Status read = store::forEachRow(*stmt, [&](const store::Statement& row) {
        if (!row.isNull(0) && verifyPassword(password, row.text(0))) {
            matched = true;
        }
    });
    if (!read) {
        return read.error();
    }
    return matched;
}

Status savePassword(store::Database& db, const QString& name, const QString& password) {
    if (Status s = db.deleteAllQueryDefs(); !s) {
        return s;
    }
    const QString hash = hashPassword(password);
    if (hash.isEmpty()) {
        return DbError{-1, QStringLiteral("密码无法加密保存")};
    }
    return replaceRow(db, QStringLiteral("密码表"), QStringLiteral("INSERT INTO 密码表 VALUES(?1, ?2, ?3)"),
                      {name, hash, QStringLiteral("1")});
}

Result<int> passwordCount(store::Database& db) {
    auto rs = openNamed(db, QStringLiteral("000"), QStringLiteral("select count(*) FROM 密码表"));
    if (!rs) {
        return rs.error();
    }
    rs->moveFirst();
    if (rs->recordCount() == 0 || rs->isNull(0)) {
        return 0;
    }
    return rs->field(0).toInt();
}

Result<std::optional<Profile>> loadProfile(store::Database& db) {
    auto rs = openNamed(db, QStringLiteral("000"), QStringLiteral("SELECT * FROM 用户资料"));
    if (!rs) {
        return rs.error();
    }
    if (rs->isEmptyTable()) {
        return std::optional<Profile>();
    }
    rs->moveFirst();
    Profile p;
    for (int i = 0; i < Profile::kFieldCount && i < rs->fieldCount(); ++i) {
        p.field(i) = rs->isNull(i) ? QString() : rs->text(i);
    }
    return std::optional<Profile>(p);
}

Status saveProfile(store::Database& db, const Profile& profile) {
    return replaceRow(db, QStringLiteral("用户资料"), QStringLiteral("INSERT INTO 用户资料 VALUES(?1, ?2, ?3, ?4)"),
                      {profile.clinic, profile.address, profile.telephone, profile.user});
}

} // namespace fangji::firstuse

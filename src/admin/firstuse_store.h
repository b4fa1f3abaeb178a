#pragma once

#include "firstuse_rules.h"

#include "store/database.h"
#include "store/result.h"

#include <QStringList>

#include <optional>

// Store operations of the first-use windows on an open connection to the
// system's database file. None of them places the user's text in a statement:
// names, passwords and profile values are bound as parameters.
namespace fangji::firstuse {

// The login's user list: every 姓名 of 密码表 through the stored query "yhmc",
// which stays in the file. Empty when the table has no content (no rows, or a
// first row whose name is null).
store::Result<QStringList> userNames(store::Database& db);

// The password window's list: the 姓名 of every row of "SELECT * FROM 密码表" (nulls left out).
store::Result<QStringList> passwordListNames(store::Database& db);

// Whether name and password match a row of 密码表. The name matches without regard
// to Latin case; the password must hash to the stored value exactly.
store::Result<bool> checkLogin(store::Database& db, const QString& name, const QString& password);

// Replaces the content of 密码表 by the one row (name, hash of password, "1"), in one
// transaction: on failure the previous row stays.
store::Status savePassword(store::Database& db, const QString& name, const QString& password);

// Rows of 密码表, through the stored query "000" ("select count(*) FROM 密码表").
store::Result<int> passwordCount(store::Database& db);

// The profile through the stored query "000" ("SELECT * FROM 用户资料"); nullopt when the
// table has no content. Null columns read as empty texts.
store::Result<std::optional<Profile>> loadProfile(store::Database& db);

// Replaces the content of 用户资料 by the one row, in one transaction: on failure the
// previous row stays.
store::Status saveProfile(store::Database& db, const Profile& profile);

} // namespace fangji::firstuse

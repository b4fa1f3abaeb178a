#pragma once

#include <QString>

#include <vector>

struct sqlite3;

namespace fangji::store {

// Page size of the files the store writes.
inline constexpr int kPageSize = 4096;

// Keys a new connection with the connect string's password: the raw key derived once per
// file salt (the file's first 16 bytes; none for a new file) and kept for the next open,
// and pages of pageSize bytes. Returns the engine's result code.
int applyKey(sqlite3* db, const QString& path, const QString& connect, bool fresh, int pageSize);

// The page sizes to open an existing file with, most likely first.
std::vector<int> pageSizesToTry(const QString& path);

} // namespace fangji::store

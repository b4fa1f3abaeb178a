#pragma once

#include "store/result.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace fangji::store {
class Table;
}

namespace fangji::admin {

// Pieces in which a picture file is appended to its field.
inline constexpr qsizetype kPictureChunkSize = 4096;
// Column "03" of 系统资料: the background picture.
inline constexpr int kPictureColumn = 3;

// What storing a picture file did.
struct PictureStore {
    // The file was empty or missing: the field was left as it was.
    bool emptyFile = false;
    // Sizes of the chunks appended to the field, in order (none when nothing was stored).
    QList<qsizetype> chunks;
};

// Copies the bytes of the file at `path` into `column` of the row `table` is adding
// or editing: the field is set to Null, then the file is appended front to back in
// pieces of kPictureChunkSize bytes and a last shorter piece. An empty or missing
// file leaves the field alone and reports emptyFile; a file that exists but cannot
// be read is an error.
store::Result<PictureStore> storePictureFile(store::Table& table, int column, const QString& path);

// The confirmation of the background window: opens the database, starts a new row of
// 系统资料 when the table is empty or edits its first row, stores the picture file
// (when `picturePath` is not empty) into column "03", and saves the row.
store::Result<PictureStore> saveBackgroundPicture(const QString& databasePath, const QString& picturePath);

// The bytes stored in column "03" of the first row of 系统资料: empty when the table
// has no row or the column is Null.
store::Result<QByteArray> readStoredPictureBytes(const QString& databasePath);

} // namespace fangji::admin

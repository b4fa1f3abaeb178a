#include "picture_store.h"

#include "store/database.h"
#include "store/schema.h"

#include <QFile>
#include <QFileInfo>

namespace fangji::admin {

store::Result<PictureStore> storePictureFile(store::Table& table, int column, const QString& path) {
    PictureStore outcome;
    const QFileInfo info(path);
    if (!info.exists() || (info.isFile() && info.size() == 0)) {
        outcome.emptyFile = true;
        return outcome;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return store::DbError{static_cast<int>(file.error()), file.errorString()};
    }
    const qint64 length = file.size();
    if (length == 0) {
        outcome.emptyFile = true;
        return outcome;
    }
    table.setField(column, QVariant());
    const qint64 whole = length / kPictureChunkSize;
    const qint64 rest = length % kPictureChunkSize;
    auto appendPiece = [&](qint64 size) -> store::Status {
        const QByteArray piece = file.read(size);
        if (piece.size() != size) {
            return store::DbError{static_cast<int>(file.error()), file.errorString()};
        }
        table.appendChunk(column, piece);
        outcome.chunks << piece.size();
        return {};
    };
    for (qint64 i = 0; i < whole; ++i) {
        if (store::Status s = appendPiece(kPictureChunkSize); !s) {
            return s.error();
        }
    }
    if (rest > 0) {
        if (store::Status s = appendPiece(rest); !s) {
            return s.error();
        }
    }
    return outcome;
}

namespace {

// Opens the settings table of the database at databasePath, goes to its first row
// and hands the table to work together with whether that row exists.
template <class T, class Work> store::Result<T> withSettingsRow(const QString& databasePath, Work work) {
    auto db = store::Database::open(databasePath, store::kMainConnect);
    if (!db) {
        return db.error();
    }
    auto table = db->openTable(store::table::kSettings);
    if (!table) {
        return table.error();
    }
    auto hasRow = table->moveFirst();
    if (!hasRow) {
        return hasRow.error();
    }
    return work(*table, *hasRow);
}

} // namespace

store::Result<PictureStore> saveBackgroundPicture(const QString& databasePath, const QString& picturePath) {
    return withSettingsRow<PictureStore>(databasePath,
                                         [&](store::Table& table, bool hasRow) -> store::Result<PictureStore> {
                                             if (hasRow) {
                                                 if (store::Status s = table.edit(); !s) {
                                                     return s.error();
                                                 }
                                             } else {
                                                 table.addNew();
                                             }
                                             PictureStore outcome;
                                             if (!picturePath.isEmpty()) {
                                                 auto stored = storePictureFile(table, kPictureColumn, picturePath);
                                                 if (!stored) {
                                                     return stored.error();
                                                 }
                                                 outcome = *stored;
                                             }
                                             if (store::Status s = table.update(); !s) {
                                                 return s.error();
                                             }
                                             return outcome;
                                         });
}

store::Result<QByteArray> readStoredPictureBytes(const QString& databasePath) {
    return withSettingsRow<QByteArray>(databasePath, [](store::Table& table, bool hasRow) -> store::Result<QByteArray> {
        const QVariant value = hasRow ? table.field(kPictureColumn) : QVariant();
        return value.isValid() ? value.toByteArray() : QByteArray();
    });
}

} // namespace fangji::admin

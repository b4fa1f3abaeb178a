#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace fangji::admin {

// What FrmPict does while the main window loads: reads the picture stored in
// 系统资料 column "03" (a null image when there is none or it cannot be read).
QImage readStoredPicture();

// The same for the database file at `databasePath`.
QImage readStoredPicture(const QString& databasePath);

// Decodes the bytes of a picture file (bitmap, JPEG or any format Qt reads);
// a null image when they are not a picture.
QImage pictureFromBytes(const QByteArray& bytes);

} // namespace fangji::admin

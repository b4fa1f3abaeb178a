#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace fangji::admin {

// What FrmPict does while the main window loads: reads the picture stored in
// 系统资料 column "03" (a null image when there is none or it cannot be read).
QImage readStoredPicture();

// The same for the database file at `databasePath`; with a valid `fitWithin`, a
// larger picture is decoded at the size that fits it (keeping its proportions).
QImage readStoredPicture(const QString& databasePath, const QSize& fitWithin = QSize());

// Decodes the bytes of a picture file (bitmap, JPEG or any format Qt reads);
// a null image when they are not a picture. `fitWithin` as above.
QImage pictureFromBytes(const QByteArray& bytes, const QSize& fitWithin = QSize());

// Decodes the picture file at `path`; a null image when it is not a picture the
// machine can decode. `fitWithin` as above.
QImage readPictureFile(const QString& path, const QSize& fitWithin = QSize());

// The most memory, in megabytes, one decoded picture may take.
inline constexpr int kPictureAllocationLimitMb = 1024;

// Lets pictures of up to kPictureAllocationLimitMb be decoded: Qt's own limit
// (128 MB) refuses an ordinary 48-megapixel photograph. Never lowers a higher limit.
void allowLargePictures();

} // namespace fangji::admin

#include "stored_picture.h"

#include "picture_store.h"

#include "platform/paths.h"

#include <QBuffer>
#include <QImageReader>

namespace fangji::admin {

namespace {

QImage readPicture(QImageReader& reader, const QSize& fitWithin) {
    allowLargePictures();
    const QSize size = reader.size();
    if (fitWithin.isValid() && size.isValid() &&
        (size.width() > fitWithin.width() || size.height() > fitWithin.height())) {
        // Decoded straight at the size it is shown at: a JPEG decoder skips the
        // detail, and no full-size copy is kept.
        reader.setScaledSize(size.scaled(fitWithin, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    return reader.read();
}

} // namespace

void allowLargePictures() {
    const int current = QImageReader::allocationLimit();
    if (current != 0 && current < kPictureAllocationLimitMb) {
        QImageReader::setAllocationLimit(kPictureAllocationLimitMb);
    }
}

QImage pictureFromBytes(const QByteArray& bytes, const QSize& fitWithin) {
    if (bytes.isEmpty()) {
        return {};
    }
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return readPicture(reader, fitWithin);
}

QImage readPictureFile(const QString& path, const QSize& fitWithin) {
    QImageReader reader(path);
    return readPicture(reader, fitWithin);
}

QImage readStoredPicture(const QString& databasePath, const QSize& fitWithin) {
    auto bytes = readStoredPictureBytes(databasePath);
    // No file, no row or an unreadable picture: the main window goes without one.
    return bytes ? pictureFromBytes(*bytes, fitWithin) : QImage();
}

QImage readStoredPicture() {
    return readStoredPicture(platform::databasePath());
}

} // namespace fangji::admin

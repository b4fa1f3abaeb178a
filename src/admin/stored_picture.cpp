#include "stored_picture.h"

#include "picture_store.h"

#include "platform/paths.h"

namespace fangji::admin {

QImage pictureFromBytes(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return {};
    }
    return QImage::fromData(bytes);
}

QImage readStoredPicture(const QString& databasePath) {
    auto bytes = readStoredPictureBytes(databasePath);
    // No file, no row or an unreadable picture: the main window goes without one.
    return bytes ? pictureFromBytes(*bytes) : QImage();
}

QImage readStoredPicture() {
    return readStoredPicture(platform::databasePath());
}

} // namespace fangji::admin

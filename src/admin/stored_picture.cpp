#include "stored_picture.h"

namespace fangji::admin {

QImage readStoredPicture() { return {}; }

} // namespace fangji::admin

#pragma once

#include <QImage>

namespace fangji::admin {

// What FrmPict does while the main window loads: reads the picture stored in
// 系统资料 column "03" (a null image when there is none or it cannot be read).
QImage readStoredPicture();

} // namespace fangji::admin

#pragma once

#include "store/result.h"

class QWidget;

namespace fangji::dictionary {

// Empties and refills 方剂功效, 方剂主治 and 临床主治 from the prescriptions,
// showing the progress window over mainWindow. Database errors are returned.
store::Status BuildDictionaries(QWidget* mainWindow);

} // namespace fangji::dictionary

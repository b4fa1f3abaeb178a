#include "build_dictionaries.h"

namespace fangji::dictionary {

store::Status BuildDictionaries(QWidget*) { return {}; }

} // namespace fangji::dictionary

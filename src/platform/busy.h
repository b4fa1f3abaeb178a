#pragma once

namespace fangji::platform {

// The screen's mouse pointer: busy (arrow with hourglass) or the normal arrow.
void setBusyPointer();
void setArrowPointer();
bool isBusyPointer();

// Lets pending window messages run once.
void doEvents();

} // namespace fangji::platform

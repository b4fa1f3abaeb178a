#pragma once

namespace fangji::platform {

// The screen's mouse pointer: busy (arrow with hourglass) or the normal arrow.
void setBusyPointer();
void setArrowPointer();
bool isBusyPointer();

// Lets pending window messages run once.
void doEvents();

// Makes every thread allocate from the one heap. Windows run a long statement of the engine
// on a thread of its own while they repaint; with a heap per thread, the engine's page cache
// filled there would stay reserved in that heap beside the one the window then fills again.
// Called once, first thing in main().
void keepOneHeap();

} // namespace fangji::platform

#pragma once

namespace kuvo {

// Keeps freed picture buffers (up to 32 MB each) in the heap for the next
// picture instead of handing them back to the system: every picture
// allocates buffers of many megabytes, and mapping and faulting in fresh
// pages each time showed as a fifth of a run's time in profiles. Call once at start; a no-op where the C library has no
// such knobs.
void tuneAllocatorForPictures();

} // namespace kuvo

#include "platform/memory_tuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kuvo {

void tuneAllocatorForPictures() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024); // the largest glibc accepts
  mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
  mallopt(M_TOP_PAD, 64 * 1024 * 1024);
#endif
}

} // namespace kuvo

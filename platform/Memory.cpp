#include "platform/Memory.h"

#include <cstdlib>  // defines __GLIBC__ under the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace ts {

void releaseFreeMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace ts

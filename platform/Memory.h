#pragma once
// The process's memory as the system sees it.
//
// Any thread; keeps no state.

namespace ts {

// Gives the pages that the allocator holds free back to the system. After a
// large piece of work made of many small allocations (a dictionary read
// whole, a list parsed), the allocator keeps the freed memory for later use
// and the process stays as large as at the work's peak; a long-lived process
// calls this once such work is done. Takes a few milliseconds.
void releaseFreeMemory();

}  // namespace ts

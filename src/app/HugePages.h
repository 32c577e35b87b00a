// Huge pages for the C library's heap.
//
// A rebuild of a large site touches a hundred megabytes of fresh memory. Where the kernel gives
// huge pages only to memory that asks for them (transparent_hugepage set to "madvise"), each 4 KiB
// of it costs a page fault of its own: a fifth of a 100,000-article rebuild's time on a virtual
// machine. The C library asks for them for its heap only when GLIBC_TUNABLES says so at start-up.
#pragma once

namespace qle::app {

// Adds the heap's huge pages to GLIBC_TUNABLES, for the programs started from now on (this one
// started again included). False when the variable already says either way, which stands, or
// cannot be set: then there is nothing to start again for.
bool AskForHugePageHeap();

} // namespace qle::app

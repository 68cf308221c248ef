#pragma once
// Hands the heap's free pages back to the system. Called after a large list has
// been rebuilt or re-sorted: the allocator keeps freed pages otherwise, and the
// window would go on holding the memory of every sort and fill it ever did.
void ReleaseFreeMemory();

#pragma once
// Heap allocations of the program so far. A program that links this counter has its global
// operator new replaced by one that counts; read the count around the code that must not
// allocate.

namespace stilt::test {

[[nodiscard]] long heapAllocations();

}  // namespace stilt::test

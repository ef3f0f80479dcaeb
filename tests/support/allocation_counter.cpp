#include "support/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local size_t allocations = 0;
thread_local int counters = 0;
}  // namespace

// The test program's own global allocation functions: malloc underneath, counted while
// a counter lives on the thread. Every plain form is replaced, so that no allocation
// made by one allocator is freed by another (the sanitizers check that pairing).
namespace {
void* Allocate(std::size_t size) {
  if (counters > 0) ++allocations;
  return std::malloc(size ? size : 1);
}
}  // namespace

void* operator new(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace orx::test {

AllocationCounter::AllocationCounter() : start_(allocations) { ++counters; }
AllocationCounter::~AllocationCounter() { --counters; }
size_t AllocationCounter::count() const { return allocations - start_; }

}  // namespace orx::test

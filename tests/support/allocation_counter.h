// Counts the allocations made through operator new on the calling thread while a counter
// is alive, so that tests can check that drawing code allocates nothing.
#pragma once

#include <cstddef>

namespace orx::test {

class AllocationCounter {
 public:
  AllocationCounter();
  ~AllocationCounter();
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;
  // Allocations since construction.
  size_t count() const;

 private:
  size_t start_;
};

}  // namespace orx::test

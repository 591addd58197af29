// The allocation counter counts each way of allocating once per call, and
// reports the count when asked: the benchmark's "allocations per second" is
// the difference of two reports.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace snx {
namespace {

// Kept where the compiler must assume they are read, so that no allocation
// below is optimised away.
void* volatile Kept = nullptr;

// The count reported by one more report. Read without allocating, so that
// reading never adds to the next count, and emptied afterwards, so that the
// file only ever holds the line just written.
unsigned long Report() {
  std::raise(SIGUSR1);
  char text[64] = {};
  const int file = open(std::getenv("SONALIX_ALLOC_COUNTS"), O_RDWR | O_CLOEXEC);
  if (file < 0) return 0;
  const ssize_t size = read(file, text, sizeof text - 1);
  const bool emptied = ftruncate(file, 0) == 0;
  close(file);
  return size > 0 && emptied ? std::strtoul(text, nullptr, 10) : 0;
}

struct Allocation {
  std::string name;
  std::function<void()> allocate;
};

void PrintTo(const Allocation& allocation, std::ostream* out) { *out << allocation.name; }

class AllocCounterTest : public testing::TestWithParam<Allocation> {};

TEST_P(AllocCounterTest, CountsEachCallOnce) {
  ASSERT_NE(std::getenv("LD_PRELOAD"), nullptr) << "run without the counter preloaded";
  const unsigned long before = Report();
  for (int i = 0; i < 10; ++i) GetParam().allocate();
  const unsigned long after = Report();
  EXPECT_EQ(after - before, 10u);
}

INSTANTIATE_TEST_SUITE_P(EveryHook, AllocCounterTest,
                         testing::Values(Allocation{"malloc",
                                                    [] {
                                                      Kept = std::malloc(16);
                                                      std::free(Kept);
                                                    }},
                                         Allocation{"calloc",
                                                    [] {
                                                      Kept = std::calloc(4, 4);
                                                      std::free(Kept);
                                                    }},
                                         // A growing realloc of no block is one allocation, not a malloc and a realloc.
                                         Allocation{"realloc",
                                                    [] {
                                                      Kept = std::realloc(nullptr, 32);
                                                      std::free(Kept);
                                                    }},
                                         Allocation{"aligned_alloc",
                                                    [] {
                                                      Kept = std::aligned_alloc(64, 64);
                                                      std::free(Kept);
                                                    }},
                                         Allocation{"memalign",
                                                    [] {
                                                      Kept = memalign(64, 64);
                                                      std::free(Kept);
                                                    }},
                                         Allocation{"posix_memalign",
                                                    [] {
                                                      void* block = nullptr;
                                                      if (posix_memalign(&block, 64, 64) == 0) Kept = block;
                                                      std::free(block);
                                                    }},
                                         Allocation{"new",
                                                    [] {
                                                      Kept = new char[16];
                                                      delete[] static_cast<char*>(Kept);
                                                    }}),
                         [](const testing::TestParamInfo<Allocation>& param) { return param.param.name; });

TEST(AllocCounterReportTest, ReportsNothingAllocatedWhenNothingIs) {
  const unsigned long before = Report();
  EXPECT_EQ(Report(), before);
}

}  // namespace
}  // namespace snx

// Preloaded into a program (LD_PRELOAD) to count its heap Allocations: every
// malloc, calloc, realloc and aligned allocation, from any thread. On SIGUSR1
// it appends the count so far as one line to the file named by
// SONALIX_ALLOC_COUNTS, so a caller can take the difference over a period.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdlib>

// glibc's own allocator under its internal names: calling these, rather than
// looking the public ones up with dlsym (which allocates), cannot recurse.
// NOLINTBEGIN(bugprone-reserved-identifier,readability-identifier-naming)
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}
// NOLINTEND(bugprone-reserved-identifier,readability-identifier-naming)

namespace {

// The hooks are free functions called from every thread: the count and the
// report file can only live at namespace scope.
std::atomic<unsigned long> Allocations{0};
int ReportFile = -1;  // opened once, before any signal can come

// Only async-signal-safe calls: the signal can come inside malloc itself.
void Report(int /*signal*/) {
  char text[24];
  char* end = text + sizeof text;
  char* digits = end;
  *--digits = '\n';
  unsigned long count = Allocations.load();
  do {
    *--digits = static_cast<char>('0' + count % 10);
    count /= 10;
  } while (count != 0);
  const int saved = errno;
  // A failed write leaves the caller without the line, which it notices.
  [[maybe_unused]] const ssize_t written = write(ReportFile, digits, static_cast<std::size_t>(end - digits));
  errno = saved;
}

[[gnu::constructor]] void Install() {
  const char* path = std::getenv("SONALIX_ALLOC_COUNTS");
  if (path == nullptr) return;
  ReportFile = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (ReportFile >= 0) std::signal(SIGUSR1, Report);
}

}  // namespace

extern "C" {
void* malloc(std::size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(block, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_memalign(alignment, size);
}

void* memalign(std::size_t alignment, std::size_t size) {  // NOLINT(readability-identifier-naming): glibc's name
  Allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** block, std::size_t alignment, std::size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  void* result = __libc_memalign(alignment, size);
  if (result == nullptr) return ENOMEM;
  *block = result;
  return 0;
}
}

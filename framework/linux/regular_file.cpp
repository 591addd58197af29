#include "framework/linux/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace snx {

namespace {

class TReadDescriptor {
 public:
  // Without blocking: opening a FIFO for reading would wait for a writer.
  explicit TReadDescriptor(const std::string& path)
      : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {}
  TReadDescriptor(const TReadDescriptor&) = delete;
  TReadDescriptor& operator=(const TReadDescriptor&) = delete;
  ~TReadDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

TFileContents ReadRegularFile(const std::string& path, std::size_t limit) {
  const TReadDescriptor file(path);
  if (file.Get() < 0) return {errno == ENOENT ? TReadOutcome::roMissing : TReadOutcome::roUnreadable, {}};
  struct stat status {};
  if (fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode) || std::cmp_greater(status.st_size, limit)) {
    return {};
  }
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(status.st_size));
  char chunk[4096];
  for (;;) {
    const ssize_t n = read(file.Get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {};
    if (n == 0) return {TReadOutcome::roRead, std::move(bytes)};
    // A file that grew while it was read.
    if (bytes.size() + static_cast<std::size_t>(n) > limit) return {};
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
}

}  // namespace snx

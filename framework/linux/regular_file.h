#pragma once
// Reading a file that the user may have replaced with anything. Only a
// regular file is read: a FIFO would hold the program up for good, a device
// could send without end. Nothing is read from a file larger than the reader
// can use.
#include <cstddef>
#include <cstdint>
#include <string>

namespace snx {

enum class TReadOutcome : std::uint8_t { roRead, roMissing, roUnreadable };

struct TFileContents {
  TReadOutcome outcome = TReadOutcome::roUnreadable;
  // The whole file when read, else empty.
  std::string bytes;
};

// Follows symbolic links. A file larger than `limit` bytes is unreadable.
TFileContents ReadRegularFile(const std::string& path, std::size_t limit);

}  // namespace snx

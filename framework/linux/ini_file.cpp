#include "framework/linux/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/core/ini_text.h"

namespace snx {

namespace {

// An open file descriptor, closed when it goes.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : fd_(fd) {}
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  ~TFileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int Get() const { return fd_; }
  // Closes now, reporting what close says (it can report a failed write).
  bool Close() { return close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

// The whole file, an empty text when there is no file, nothing when it
// cannot be read.
std::optional<std::string> ReadText(const std::string& path) {
  const TFileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) return errno == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;
  std::string text;
  char chunk[4096];
  for (;;) {
    const ssize_t n = read(file.Get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return text;
    text.append(chunk, static_cast<std::size_t>(n));
  }
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates every missing folder of `folder`, each for its owner only.
bool MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

// Writes `text` to a new file beside `path` and renames it over `path`.
bool ReplaceFile(const std::string& path, std::string_view text) {
  const std::string folder = FolderOf(path);
  if (!MakeFolders(folder)) return false;
  std::string temporary = path + ".XXXXXX";
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  TFileDescriptor file(mkostemp(name.data(), O_CLOEXEC));
  if (file.Get() < 0) return false;
  temporary = name.data();
  if (!WriteAll(file.Get(), text) || fsync(file.Get()) != 0 || !file.Close() ||
      rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  // The rename itself lasts only once the folder is on disk too.
  const TFileDescriptor directory(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Get() >= 0) fsync(directory.Get());
  return true;
}

}  // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& fallback) {
  const std::optional<std::string> text = ReadText(FileName());
  if (!text) return fallback;
  return FindIniValue(*text, section, key).value_or(fallback);
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  const std::optional<std::string> text = ReadText(FileName());
  // An unreadable file is not overwritten: its other lines would be lost.
  if (!text) RaiseWriteError();
  const std::optional<std::string> updated = SetIniValue(*text, section, key, value);
  if (!updated || !ReplaceFile(FileName(), *updated)) RaiseWriteError();
}

}  // namespace snx

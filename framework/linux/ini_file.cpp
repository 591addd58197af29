#include "framework/core/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/core/ini_text.h"
#include "framework/linux/regular_file.h"

namespace snx {

namespace {

// Far more than any settings file holds; a larger one is not one to rewrite.
constexpr std::size_t kLargestFile = 16 << 20;
// Links followed before a chain of them counts as a loop, as the kernel counts.
constexpr int kMostLinks = 40;

// An open file descriptor, closed when it goes.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : fd_(fd) {}
  TFileDescriptor(TFileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(TFileDescriptor&&) = delete;
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
  TFileContents file = ReadRegularFile(path, kLargestFile);
  switch (file.outcome) {
    case TReadOutcome::roRead:
      return std::move(file.bytes);
    case TReadOutcome::roMissing:
      return std::string();
    case TReadOutcome::roUnreadable:
      break;
  }
  return std::nullopt;
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

// The file that `path` stands for: itself, or the end of its chain of
// symbolic links, which may not exist yet. Dotfile managers keep settings as
// links into a repository of their own; a write goes to the file there.
std::optional<std::string> FileBehind(std::string path) {
  for (int hops = 0; hops < kMostLinks; ++hops) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return errno == ENOENT ? std::optional(path) : std::nullopt;
    if (!S_ISLNK(status.st_mode)) return path;
    std::vector<char> target(static_cast<std::size_t>(status.st_size) + 1);
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
    const std::string link(target.data(), static_cast<std::size_t>(length));
    path = link.starts_with('/') ? link : FolderOf(path) + "/" + link;
  }
  return std::nullopt;
}

// A new file beside `path`, under a name no other file has. Created as any
// new file is (0666 less the umask); `mode`, when given, replaces that.
std::optional<std::pair<TFileDescriptor, std::string>> CreateBeside(const std::string& path,
                                                                    std::optional<mode_t> mode) {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  std::uniform_int_distribution<std::size_t> letter(0, kLetters.size() - 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = path + ".";
    for (int i = 0; i < 6; ++i) name += kLetters[letter(random)];
    TFileDescriptor file(open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.Get() < 0 && errno == EEXIST) continue;
    if (file.Get() < 0) return std::nullopt;
    if (mode && fchmod(file.Get(), *mode) != 0) {
      unlink(name.c_str());
      return std::nullopt;
    }
    return std::pair{std::move(file), std::move(name)};
  }
  return std::nullopt;
}

// Writes `text` to a new file beside `path` and renames it over `path`,
// keeping the mode of the file it replaces.
bool ReplaceFile(const std::string& path, std::string_view text) {
  const std::string folder = FolderOf(path);
  if (!MakeFolders(folder)) return false;
  struct stat status {};
  std::optional<mode_t> mode;
  if (stat(path.c_str(), &status) == 0) {
    mode = status.st_mode & 07777;
  } else if (errno != ENOENT) {
    return false;
  }
  auto created = CreateBeside(path, mode);
  if (!created) return false;
  auto& [file, temporary] = *created;
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
  const std::optional<std::string> file = FileBehind(FileName());
  if (!file) RaiseWriteError();
  const std::optional<std::string> text = ReadText(*file);
  // An unreadable file is not overwritten: its other lines would be lost.
  if (!text) RaiseWriteError();
  const std::optional<std::string> updated = SetIniValue(*text, section, key, value);
  if (!updated || !ReplaceFile(*file, *updated)) RaiseWriteError();
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  const std::optional<std::string> file = FileBehind(FileName());
  if (!file) RaiseWriteError();
  const std::optional<std::string> text = ReadText(*file);
  if (!text) RaiseWriteError();
  // No key, no write: a missing file is not made by taking something out of it.
  const std::optional<std::string> updated = RemoveIniKey(*text, section, key);
  if (updated && !ReplaceFile(*file, *updated)) RaiseWriteError();
}

}  // namespace snx

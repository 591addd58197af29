#pragma once
// Root of the framework's class tree and its exception classes.
#include <stdexcept>
#include <string>

namespace snx {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

// Messages are UTF-8; the platform layer converts them for display.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

// A form description that cannot be applied (unknown class, property or reference).
class EReadError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace snx

#pragma once
// A way onto a bus that the test opens when it chooses: connections to the
// gate's address are taken at once, and are carried to the bus, both ways,
// only once the test has opened the gate. Until then a client waits for the
// bus's first word, as it would on a slow bus.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace snx::testing {

class GatedBus {
 public:
  // `bus_address` a "unix:path=..." address.
  GatedBus(const std::string& bus_address, std::string path) : path_(std::move(path)) {
    const std::string prefix = "unix:path=";
    if (!bus_address.starts_with(prefix)) throw std::runtime_error("not a unix:path address: " + bus_address);
    bus_path_ = bus_address.substr(prefix.size(), bus_address.find(',') - prefix.size());
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address(path_);
    unlink(path_.c_str());
    if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0) {
      throw std::runtime_error("the gate cannot listen at " + path_);
    }
    carrier_ = std::thread([this] { Carry(); });
  }
  ~GatedBus() {
    Open();
    shutdown(listener_, SHUT_RDWR);
    carrier_.join();
    close(listener_);
    unlink(path_.c_str());
  }
  GatedBus(const GatedBus&) = delete;
  GatedBus& operator=(const GatedBus&) = delete;

  std::string Address() const { return "unix:path=" + path_; }
  void Open() {
    const std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }

 private:
  static sockaddr_un Address(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    return address;
  }

  // Takes one client, waits for the gate, then carries bytes until either
  // side ends.
  void Carry() {
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    {
      std::unique_lock lock(mutex_);
      opened_.wait(lock, [this] { return open_; });
    }
    const int bus = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address(bus_path_);
    if (connect(bus, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      pollfd ends[] = {{client, POLLIN, 0}, {bus, POLLIN, 0}, {listener_, POLLIN, 0}};
      std::vector<char> chunk(65536);
      for (bool going = true; going && poll(ends, 3, -1) > 0;) {
        if ((ends[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0) break;  // the gate goes
        for (int from = 0; from < 2 && going; ++from) {
          if (ends[from].revents == 0) continue;
          const ssize_t n = read(ends[from].fd, chunk.data(), chunk.size());
          going = n > 0 && write(ends[1 - from].fd, chunk.data(), static_cast<std::size_t>(n)) == n;
        }
      }
    }
    close(bus);
    close(client);
  }

  std::string path_;
  std::string bus_path_;
  int listener_ = -1;
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
  std::thread carrier_;
};

}  // namespace snx::testing

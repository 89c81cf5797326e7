#include "tests/HostileFiles.h"

#include <arpa/inet.h>
#include <cups/cups.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/SchedulerWait.h"

SmallDisk::SmallDisk(int kilobytes) {
  const std::string root = dir_.Path("");
  const std::string options = "size=" + std::to_string(kilobytes) + "k,mode=0755";
  if (::mount("tmpfs", root.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0)
    mounted_ = true;
  else
    why_ = std::strerror(errno);
}

SmallDisk::~SmallDisk() {
  if (mounted_) ::umount2(dir_.Path("").c_str(), MNT_DETACH);
}

void SmallDisk::Fill() const {
  const int fd = ::open(Path("filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot make the filler file");
  std::vector<char> block(4096, 'x');
  // Big blocks first, then single bytes, until not one more fits.
  for (std::size_t size : {std::size_t(4096), std::size_t(1)})
    while (::write(fd, block.data(), size) == ssize_t(size)) {
    }
  ::close(fd);
}

std::string SmallDisk::Listing() const {
  return QDir(QString::fromStdString(Path(""))).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
}

std::string MakeFifo(const ScratchDir& dir, const std::string& name) {
  const std::string path = dir.Path(name);
  if (::mkfifo(path.c_str(), 0644) != 0) throw std::runtime_error("cannot make a FIFO");
  return path;
}

std::string MakeLink(const ScratchDir& dir, const std::string& name, const std::string& target) {
  const std::string path = dir.Path(name);
  if (::symlink(target.c_str(), path.c_str()) != 0) throw std::runtime_error("cannot make a link");
  return path;
}

std::string MakeSparseFile(const ScratchDir& dir, const std::string& name, TByteView head, std::int64_t size) {
  const std::string path = dir.Write(name, head);
  if (::truncate(path.c_str(), off_t(size)) != 0) throw std::runtime_error("cannot grow a sparse file");
  return path;
}

namespace {
// A memory figure of /proc/self/status ("VmHWM:", "VmRSS:") in bytes.
std::int64_t StatusBytes(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::int64_t(std::atoll(line.c_str() + std::strlen(key))) * 1024;
  return 0;
}
}  // namespace

std::int64_t PeakMemoryGrowth(const std::function<void()>& work) {
  { std::ofstream("/proc/self/clear_refs") << "5"; }  // the peak starts again from here
  const std::int64_t before = StatusBytes("VmRSS:");
  work();
  return StatusBytes("VmHWM:") - before;
}

struct SilentScheduler::State {
  int listener = -1;
  std::atomic<bool> stop{false};
  std::atomic<int> accepted{0};
  std::thread thread;
};

SilentScheduler::SilentScheduler() : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (s.listener < 0 || ::bind(s.listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(s.listener, 16) != 0 ||
      ::getsockname(s.listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("cannot listen on the loopback");
  port_ = ntohs(address.sin_port);
  s.thread = std::thread([&s] {
    std::vector<int> clients;
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!s.stop && std::chrono::steady_clock::now() < end) {
      std::vector<pollfd> fds{{s.listener, POLLIN, 0}};
      for (int c : clients) fds.push_back({c, POLLIN, 0});
      if (::poll(fds.data(), fds.size(), 50) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        const int c = ::accept4(s.listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0) {
          clients.push_back(c);
          ++s.accepted;
        }
      }
      char buffer[4096];
      for (std::size_t i = 1; i < fds.size(); ++i)
        if (fds[i].revents & (POLLIN | POLLHUP)) ::recv(fds[i].fd, buffer, sizeof buffer, MSG_DONTWAIT);
    }
    for (int c : clients) ::close(c);
  });
}

SilentScheduler::~SilentScheduler() {
  state_->stop = true;
  if (state_->thread.joinable()) state_->thread.join();
  if (state_->listener >= 0) ::close(state_->listener);
}

int SilentScheduler::Accepted() const { return state_->accepted; }

SchedulerAt::SchedulerAt(const std::string& server) {
  if (const char* value = std::getenv("CUPS_SERVER")) {
    had_ = true;
    saved_ = value;
  }
  ::setenv("CUPS_SERVER", server.c_str(), 1);
  cupsSetServer(server.c_str());
  PrintBackend::ResetSchedulerWait();
}

SchedulerAt::~SchedulerAt() {
  if (had_)
    ::setenv("CUPS_SERVER", saved_.c_str(), 1);
  else
    ::unsetenv("CUPS_SERVER");
  cupsSetServer(nullptr);
  PrintBackend::ResetSchedulerWait();
}

// Hostile places for the tests of reading, writing and printing: a small file
// system that a test mounts and fills, a FIFO, a link to a device, a sparse
// file of any size, the peak memory a piece of work takes, and a print
// scheduler that accepts connections and never answers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tests/TestSupport.h"

// A tmpfs of the given size mounted on a scratch folder, unmounted and
// removed when the object goes. Mounting needs root; Why() says why it failed.
class SmallDisk {
 public:
  explicit SmallDisk(int kilobytes = 512);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool Mounted() const { return mounted_; }
  const std::string& Why() const { return why_; }
  std::string Path(const std::string& name) const { return dir_.Path(name); }
  // Writes a filler file until the disk has no byte left.
  void Fill() const;
  // The names in the folder (to see that nothing was left behind).
  std::string Listing() const;

 private:
  ScratchDir dir_;
  bool mounted_ = false;
  std::string why_;
};

#define SKIP_WITHOUT_SMALL_DISK(disk) \
  if (!(disk).Mounted()) GTEST_SKIP() << "cannot mount a small file system for this test: " << (disk).Why()

// A FIFO named name in dir (nobody writes into it).
std::string MakeFifo(const ScratchDir& dir, const std::string& name);
// A symbolic link named name in dir to target (a device, say).
std::string MakeLink(const ScratchDir& dir, const std::string& name, const std::string& target);
// A file of size bytes that begins with head; the rest is a hole (takes no
// disk space and reads as zeros).
std::string MakeSparseFile(const ScratchDir& dir, const std::string& name, TByteView head, std::int64_t size);
// How much the peak resident memory of the process grew while work ran, in
// bytes (the peak is reset first).
std::int64_t PeakMemoryGrowth(const std::function<void()>& work);

// A scheduler on 127.0.0.1 that accepts every connection, reads what is sent
// and never answers. It stops when the object goes (and by itself after two
// minutes at most).
class SilentScheduler {
 public:
  SilentScheduler();
  ~SilentScheduler();
  SilentScheduler(const SilentScheduler&) = delete;
  SilentScheduler& operator=(const SilentScheduler&) = delete;
  int Port() const { return port_; }
  // "127.0.0.1:port", for CUPS_SERVER.
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  // Connections accepted so far.
  int Accepted() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
  int port_ = 0;
};

// Points the scheduler library at server while the object lives (CUPS_SERVER
// and the library's own setting), and back afterwards.
class SchedulerAt {
 public:
  explicit SchedulerAt(const std::string& server);
  ~SchedulerAt();

 private:
  std::string saved_;
  bool had_ = false;
};

// Waiting for the print scheduler without freezing the program.
//
// A scheduler may accept a connection and then never answer. Every
// connection to it is watched: a request whose answer takes longer than a
// moment shows a small window that says what is awaited and offers Cancel,
// and from then on the program keeps painting (the events of the GUI thread
// go on; the other windows are blocked while the wait window shows); an
// answer that does not come within SchedulerAnswerMsec ends the wait. After a wait that ended so, further connections fail at once for a
// while, so that one command asking the scheduler many things waits once,
// not once for every question.
#pragma once

#include <string>

typedef struct _http_s http_t;

namespace PrintBackend {

inline constexpr int SchedulerAnswerMsec = 10000;  // the longest wait for one answer
inline constexpr int SchedulerPollMsec = 100;      // how often a wait looks up
inline constexpr int SchedulerWindowDelayMsec = 400;  // a wait longer than this shows the window
inline constexpr int SchedulerQuietMsec = 15000;   // connections fail at once this long after a wait ended

namespace SchedulerMessages {
inline constexpr const char* Waiting = "Waiting for the print scheduler (%s) to answer...";
inline constexpr const char* NoAnswer = "The print scheduler (%s) did not answer within %d seconds.";
inline constexpr const char* Cancelled = "Waiting for the print scheduler (%s) was cancelled.";
}  // namespace SchedulerMessages

// Watches the waits of one connection (from construction to destruction;
// the connection outlives nothing of it).
class TSchedulerWatch {
 public:
  TSchedulerWatch() = default;
  TSchedulerWatch(const TSchedulerWatch&) = delete;
  TSchedulerWatch& operator=(const TSchedulerWatch&) = delete;
  ~TSchedulerWatch();
  // Installs the watch on the connection to server (shown in the window).
  void Attach(http_t* http, const std::string& server);
  // Called by the connection for every poll interval without an answer;
  // false ends the wait.
  bool KeepWaiting();

 private:
  void CloseWindow();

  std::string server_;
  long long waitStart_ = 0;  // steady clock, ms, of the wait under way
  long long lastPoll_ = 0;
  bool gaveUp_ = false;
  struct Window;
  Window* window_ = nullptr;
};

// Whether a wait ended without an answer a moment ago (then a connection is
// not even tried); with the reason to tell the user.
bool SchedulerUnanswered(std::string* reason = nullptr);
// The reason of the last failure to talk with the scheduler: an ended wait
// when there was one a moment ago, else what the scheduler library said.
std::string SchedulerError();
// Forgets an ended wait (tests; a scheduler known to be back).
void ResetSchedulerWait();

}  // namespace PrintBackend

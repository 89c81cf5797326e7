#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/ScopeExit.h"
#include "platform/ScopedValue.h"
#include "platform/UpdateLock.h"

namespace {

struct Lockable {
  int count = 0;
  int ended = 0;
  bool failOnEnd = false;
  void BeginUpdate() { ++count; }
  void EndUpdate() {
    --count;
    ++ended;
    if (failOnEnd) throw std::runtime_error("end");
  }
};

std::string Thrown(const auto& body) {
  try {
    body();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(ScopeGuards, RunOnTheWayOutThatTheyServe) {
  struct Case {
    bool fail;
    int exitRuns, failRuns;
  } cases[] = {{false, 1, 0}, {true, 1, 1}};
  for (const Case& c : cases) {
    int exitRuns = 0, failRuns = 0;
    Thrown([&] {
      ScopeExit exit([&] { ++exitRuns; });
      ScopeFail fail([&] { ++failRuns; });
      if (c.fail) throw std::runtime_error("body");
    });
    EXPECT_EQ(exitRuns, c.exitRuns) << c.fail;
    EXPECT_EQ(failRuns, c.failRuns) << c.fail;
  }
}

// A failing clean-up reaches the caller after a normal exit; while an
// exception is leaving, that exception is the one the caller sees.
TEST(ScopeGuards, AFailingCleanUpNeverHidesTheBodysException) {
  Lockable object;
  object.failOnEnd = true;
  EXPECT_EQ(Thrown([&] { UpdateLock lock(object); }), "end");
  EXPECT_EQ(Thrown([&] {
              UpdateLock lock(object);
              throw std::runtime_error("body");
            }),
            "body");
  EXPECT_EQ(Thrown([&] {
              ScopeExit exit([] { throw std::runtime_error("exit"); });
              throw std::runtime_error("body");
            }),
            "body");
  EXPECT_EQ(object.count, 0);
  EXPECT_EQ(object.ended, 2);
}

TEST(ScopeGuards, ScopedValueRestoresTheOldValueAlsoWhenNested) {
  int depth = 1;
  Thrown([&] {
    ScopedValue outer(depth, 2);
    {
      ScopedValue inner(depth, 3);
      EXPECT_EQ(depth, 3);
    }
    EXPECT_EQ(depth, 2);
    throw std::runtime_error("body");
  });
  EXPECT_EQ(depth, 1);
}

// A print scheduler that accepts connections and never answers (on a
// loopback port of the test's own): every question to it ends within its
// bound, the questions after it fail at once with the reason, the wait shows
// a window that paints and can be cancelled.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "platform/PrintBackend.h"
#include "platform/SchedulerWait.h"
#include "tests/HostileFiles.h"

using namespace PrintBackend;

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

QProgressDialog* WaitWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible() &&
                                                         dialog->objectName() == "SchedulerWaitDialog")
      return dialog;
  return nullptr;
}

class SilentSchedulerTest : public ::testing::Test {
 protected:
  SilentScheduler scheduler_;
  SchedulerAt at_{scheduler_.Address()};
};

TEST_F(SilentSchedulerTest, OneWaitIsBoundedAndTheQuestionsAfterItFailAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(EnumPrinters().empty());
  const double first = SecondsSince(start);
  std::printf("a scheduler that never answers: the printer list gave up after %.2f s\n", first);
  EXPECT_GE(scheduler_.Accepted(), 1);
  EXPECT_LT(first, SchedulerAnswerMsec / 1000.0 + 3);
  std::string reason;
  ASSERT_TRUE(SchedulerUnanswered(&reason));
  EXPECT_EQ(reason, Format(SchedulerMessages::NoAnswer, scheduler_.Address().c_str(), SchedulerAnswerMsec / 1000));

  // What a print command asks next does not wait again.
  const auto next = std::chrono::steady_clock::now();
  const int accepted = scheduler_.Accepted();
  EXPECT_TRUE(DefaultPrinterName().empty());
  EXPECT_EQ(TPrinter::Open("Office"), nullptr);
  TPrintJob job(TPrinter("Office", {}, {}, {}), {});
  EXPECT_LE(job.StartDoc("report", ""), 0);
  EXPECT_EQ(job.LastError(), reason);
  EXPECT_EQ(SchedulerError(), reason);
  EXPECT_LT(SecondsSince(next), 1.0);
  EXPECT_EQ(scheduler_.Accepted(), accepted);
}

// After a moment the wait shows what it waits for; the program paints on and
// Cancel ends the wait at once.
TEST_F(SilentSchedulerTest, TheWaitShowsAWindowWhoseCancelEndsIt) {
  QWidget window;
  window.show();
  bool shown = false;
  int timerTicks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++timerTicks; });
  ticker.start(50);
  QTimer::singleShot(1500, [&] {
    if (QProgressDialog* dialog = WaitWindow()) {
      shown = dialog->labelText().toStdString() ==
              Format(SchedulerMessages::Waiting, scheduler_.Address().c_str());
      if (auto* cancel = dialog->findChild<QPushButton*>()) cancel->click();
    }
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(EnumPrinters().empty());
  const double seconds = SecondsSince(start);
  EXPECT_TRUE(shown);
  EXPECT_LT(seconds, 4.0);
  EXPECT_GT(timerTicks, 0);  // the event loop went on during the wait (between polls)
  std::string reason;
  ASSERT_TRUE(SchedulerUnanswered(&reason));
  EXPECT_EQ(reason, Format(SchedulerMessages::Cancelled, scheduler_.Address().c_str()));
  EXPECT_EQ(WaitWindow(), nullptr);
}

}  // namespace

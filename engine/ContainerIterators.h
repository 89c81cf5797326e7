// The iterators of the container report link: they walk the accepted child
// controls of a control by index, or only the active page of a control with
// pages.
#pragma once

#include <QWidget>
#include <vector>

class TdxPSCustomProducer;

// Walks child controls by index: GoBeforeBOF then Next until IsEOF, or
// GoBeyondEOF then Prior until IsBOF.
class IdxPSContainerIterator {
 public:
  virtual ~IdxPSContainerIterator() = default;
  virtual void GoBeforeBOF() = 0;
  virtual void GoBeyondEOF() = 0;
  virtual bool IsBOF() const = 0;
  virtual bool IsEOF() const = 0;
  virtual QWidget* Next() = 0;
  virtual QWidget* Prior() = 0;
};

class TdxPSWinControlIterator : public IdxPSContainerIterator {
 public:
  // The children of control that producer accepts.
  TdxPSWinControlIterator(QWidget* control, const TdxPSCustomProducer* producer);
  void GoBeforeBOF() override { index_ = -1; }
  void GoBeyondEOF() override { index_ = ControlCount(); }
  bool IsBOF() const override { return index_ <= 0; }
  bool IsEOF() const override { return index_ >= ControlCount() - 1; }
  QWidget* Next() override;
  QWidget* Prior() override;
  int ControlCount() const { return int(controls_.size()); }
  QWidget* Controls(int index) const;

 protected:
  explicit TdxPSWinControlIterator(std::vector<QWidget*> controls) : controls_(std::move(controls)) {}

 private:
  std::vector<QWidget*> controls_;
  int index_ = -1;
};

// Only the active page (one element when the control has pages).
class TdxPSPageControlIterator : public TdxPSWinControlIterator {
 public:
  explicit TdxPSPageControlIterator(QWidget* control);
};
class TdxPSNotebookIterator : public TdxPSPageControlIterator {
 public:
  using TdxPSPageControlIterator::TdxPSPageControlIterator;
};
class TdxPSTabbedNotebookIterator : public TdxPSPageControlIterator {
 public:
  using TdxPSPageControlIterator::TdxPSPageControlIterator;
};

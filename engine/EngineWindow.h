// The base of every window of the printing engine: the wait cursor shows
// while the window is being made and goes when it is first shown (or
// destroyed unshown); the window keeps its placement in the registry only
// when the engine has a registry path.
//
// Placement is restored once the whole window exists: whoever creates an
// engine window calls AfterConstruction() (the first show calls it too, for
// windows that nobody finished), so that the most derived class name is known
// and the restored bounds are those of the finished window.
#pragma once

#include <QRect>
#include <QWidget>
#include <optional>
#include <string>

#include "platform/ModalRun.h"

// How a modal engine window was closed.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

class TCustomdxPSForm : public QWidget {
 public:
  explicit TCustomdxPSForm(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Window);
  ~TCustomdxPSForm() override;

  // Restores the placement (with a registry path) and remembers the key
  // under which the destructor saves it. Runs once.
  void AfterConstruction();
  bool Constructed() const { return constructed_; }

  // The class name that names the layout key ("TdxfmStdPreview" keeps its
  // placement under "...\FormLayouts\dxfmStdPreview").
  virtual std::string FormClassName() const { return "TCustomdxPSForm"; }
  // Whether the user may resize the window (its size is then kept too).
  virtual bool Sizeable() const { return true; }
  // The registry key of the placement; empty while nothing is kept.
  std::string LayoutKey() const;
  // The engine's help file.
  std::string HelpFile() const;
  // Whether this window still holds the wait cursor of its creation.
  bool HoldsWaitCursor() const { return waiting_; }
  // Moves the window to the middle of the window it belongs to (the window
  // of its parent, else the active window, else the screen), inside that
  // window's screen. A dialog calls it before it is first shown, so that a
  // kept placement still wins.
  void CentreOnOwner();

  // The modal run of the window (platform/ModalRun.h): finished and centred
  // on its owner (unless a kept placement wins, or centre is false), shown
  // modally, with the messages running until EndRun. Answers whether the
  // window still exists; its result is the window's own.
  bool RunModal(const TModalRunOptions& options = {}, bool centre = true);
  void EndRun() { ::EndModal(*this); }
  bool IsInRun() const { return ::IsRunningModal(*this); }

 protected:
  void showEvent(QShowEvent* event) override;
  // Restores the bounds and state kept under the key.
  virtual void LoadPlacement(const std::string& key);

 private:
  void ReleaseWaitCursor();
  bool waiting_ = false;
  // Where CentreOnOwner put the window: the first show centres it again
  // when it grew meanwhile and nobody moved it.
  std::optional<QRect> centred_;
  bool constructed_ = false;
  bool sizeable_ = true;
  std::string layoutKey_;
};

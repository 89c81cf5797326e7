// Look and feel of the editor family: which visual family (flat, standard,
// ultra-flat) and whether the platform's visual styles draw an editor.
//
// A look and feel gives its own Kind and NativeStyle only for the values in
// AssignedValues; the others come from its parent look and feel or, without
// one, from the process-wide default look and feel, which gives ultra-flat
// without visual styles unless a TcxLookAndFeelController assigns it. Every
// change of a resolved value is passed on to the listeners, so a change of
// the default reaches every editor.
//
// System colour changes reach every look and feel through a notifier (the
// application's palette change), and each tells its listeners with an empty
// change set.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "editors/LookAndFeelPainters.h"

enum TcxLookAndFeelKind { lfFlat, lfStandard, lfUltraFlat };

enum TcxLookAndFeelValue { lfvKind, lfvNativeStyle };
using TcxLookAndFeelValues = unsigned;  // bit n = TcxLookAndFeelValue n
constexpr TcxLookAndFeelValues LookAndFeelValue(TcxLookAndFeelValue v) { return 1u << v; }
constexpr TcxLookAndFeelValues cxLookAndFeelValuesAll = 3;

class TcxLookAndFeel;

// Receives the changes and the destruction of the look and feels it listens to.
class IcxLookAndFeelNotificationListener {
 public:
  virtual void NotifyLookAndFeelChange(TcxLookAndFeel& sender, TcxLookAndFeelValues changed) = 0;
  virtual void NotifyLookAndFeelRemoval(TcxLookAndFeel& sender) = 0;

 protected:
  ~IcxLookAndFeelNotificationListener() = default;
};

// Tells its owner when the system colours change. Primary notifiers are told
// before the others.
class TcxSystemPaletteChangedNotifier {
 public:
  explicit TcxSystemPaletteChangedNotifier(bool isPrimary = false);
  ~TcxSystemPaletteChangedNotifier();
  TcxSystemPaletteChangedNotifier(const TcxSystemPaletteChangedNotifier&) = delete;
  TcxSystemPaletteChangedNotifier& operator=(const TcxSystemPaletteChangedNotifier&) = delete;
  bool IsPrimary() const { return primary_; }
  std::function<void()> OnSystemPaletteChanged;

 private:
  bool primary_;
};

// Tells every notifier that the system colours changed (primary ones first).
// The application's palette change calls it; hosts and tests may too.
void cxSystemPaletteChanged();

// Whether the platform's visual styles may draw editors. Off in this system,
// so NativeStyle has no visible effect; a change notifies every look and feel
// as a system change does.
bool cxAreVisualStylesAvailable();
void cxSetVisualStylesAvailable(bool available);

class TcxLookAndFeel : public IcxLookAndFeelNotificationListener {
 public:
  TcxLookAndFeel();
  virtual ~TcxLookAndFeel();
  TcxLookAndFeel(const TcxLookAndFeel&) = delete;
  TcxLookAndFeel& operator=(const TcxLookAndFeel&) = delete;

  // Own values, parent and assigned set (resolving happens in the readers).
  void Assign(const TcxLookAndFeel& source);

  TcxLookAndFeelValues AssignedValues() const { return assigned_; }
  void SetAssignedValues(TcxLookAndFeelValues values);
  // Resolved: own value when assigned, else the parent's, else the default's.
  TcxLookAndFeelKind Kind() const { return resolved_.kind; }
  void SetKind(TcxLookAndFeelKind value);
  bool NativeStyle() const { return resolved_.native; }
  void SetNativeStyle(bool value);
  // Whether a property is written to a stored form.
  bool IsKindStored() const { return (assigned_ & LookAndFeelValue(lfvKind)) != 0; }
  bool IsNativeStyleStored() const { return (assigned_ & LookAndFeelValue(lfvNativeStyle)) != 0; }

  TcxLookAndFeel* ParentLookAndFeel() const { return parent_; }
  // Ignored on the default look and feel, for the object itself and for the
  // current parent.
  void SetParentLookAndFeel(TcxLookAndFeel* parent);

  TcxLookAndFeelPainterClass Painter() const;
  // Whether the platform's visual styles draw: NativeStyle and available.
  bool UsesVisualStyles() const { return NativeStyle() && cxAreVisualStylesAvailable(); }

  // A listener is in the list at most once.
  void AddChangeListener(IcxLookAndFeelNotificationListener* listener);
  void RemoveChangeListener(IcxLookAndFeelNotificationListener* listener);
  bool HasChangeListener(const IcxLookAndFeelNotificationListener* listener) const;
  int ChangeListenerCount() const { return int(listeners_.size()); }

  bool IsDefault() const { return isDefault_; }
  bool IsDestroying() const { return destroying_; }

  // Called after the listeners on every change (the owner: a style).
  std::function<void(TcxLookAndFeel& sender, TcxLookAndFeelValues changed)> OnChanged;

  // The listener side: a parent's change or removal.
  void NotifyLookAndFeelChange(TcxLookAndFeel& sender, TcxLookAndFeelValues changed) override;
  void NotifyLookAndFeelRemoval(TcxLookAndFeel& sender) override;

 private:
  friend TcxLookAndFeel& RootLookAndFeel();
  struct Resolved {
    TcxLookAndFeelKind kind = lfUltraFlat;
    bool native = false;
  };
  explicit TcxLookAndFeel(bool isDefault);
  Resolved Resolve() const;
  // Recomputes the resolved pair; answers which of the two changed.
  TcxLookAndFeelValues Refresh();
  void Changed(TcxLookAndFeelValues changed);
  TcxLookAndFeel* Source() const;  // what this one registers with and inherits from
  void Register();
  void Unregister();
  void SystemPaletteChanged();

  TcxLookAndFeelKind kind_ = lfUltraFlat;
  bool nativeStyle_ = false;
  TcxLookAndFeelValues assigned_ = 0;
  TcxLookAndFeel* parent_ = nullptr;
  TcxLookAndFeel* registeredWith_ = nullptr;
  Resolved resolved_;
  std::vector<IcxLookAndFeelNotificationListener*> listeners_;
  bool destroying_ = false;
  bool isDefault_ = false;
  TcxSystemPaletteChangedNotifier notifier_;
};

// The process-wide default look and feel; created on first use, it lives to
// the end of the process.
TcxLookAndFeel& RootLookAndFeel();
// Null once the default look and feel is gone (at the end of the process).
TcxLookAndFeel* DefaultLookAndFeel();

// A component whose Kind and NativeStyle read and write the default look and
// feel. When the last one goes, the default returns to ultra-flat without
// visual styles.
class TcxLookAndFeelController : public QObject, public IcxLookAndFeelNotificationListener {
  Q_OBJECT
 public:
  explicit TcxLookAndFeelController(QObject* owner = nullptr);
  ~TcxLookAndFeelController() override;

  TcxLookAndFeelKind Kind() const;
  void SetKind(TcxLookAndFeelKind value);
  bool NativeStyle() const;
  void SetNativeStyle(bool value);
  // Stored in a form only when different from the defaults.
  bool IsKindStored() const { return Kind() != lfUltraFlat; }
  bool IsNativeStyleStored() const { return NativeStyle(); }

  static int ControllerCount();

  void NotifyLookAndFeelChange(TcxLookAndFeel& sender, TcxLookAndFeelValues changed) override {}
  void NotifyLookAndFeelRemoval(TcxLookAndFeel& sender) override;

 private:
  bool registered_ = false;
};

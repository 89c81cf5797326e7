#include "editors/LookAndFeels.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <algorithm>

namespace {

// ---- System colour changes ------------------------------------------------------

std::vector<TcxSystemPaletteChangedNotifier*>& Notifiers() {
  static std::vector<TcxSystemPaletteChangedNotifier*> list;
  return list;
}

// Watches the application object for palette changes (the platform's system
// colour change). One per application, owned by it.
class TcxSystemPaletteWatcher : public QObject {
 public:
  explicit TcxSystemPaletteWatcher(QCoreApplication* app) : QObject(app) { app->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance())
      cxSystemPaletteChanged();
    return false;
  }
};

void EnsurePaletteWatcher() {
  static QPointer<TcxSystemPaletteWatcher> watcher;
  QCoreApplication* app = QCoreApplication::instance();
  if (watcher || !app) return;
  watcher = new TcxSystemPaletteWatcher(app);
}

bool g_visualStylesAvailable = false;

// The default look and feel while it exists.
TcxLookAndFeel* g_default = nullptr;
bool g_defaultGone = false;

int g_controllerCount = 0;

}  // namespace

TcxSystemPaletteChangedNotifier::TcxSystemPaletteChangedNotifier(bool isPrimary) : primary_(isPrimary) {
  Notifiers().push_back(this);
  EnsurePaletteWatcher();
}

TcxSystemPaletteChangedNotifier::~TcxSystemPaletteChangedNotifier() {
  auto& list = Notifiers();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void cxSystemPaletteChanged() {
  // A notifier may go away (or new ones come) while others are told: each is
  // told only while it is still registered.
  const std::vector<TcxSystemPaletteChangedNotifier*> snapshot = Notifiers();
  for (bool primary : {true, false})
    for (TcxSystemPaletteChangedNotifier* n : snapshot) {
      if (n->IsPrimary() != primary) continue;
      const auto& live = Notifiers();
      if (std::find(live.begin(), live.end(), n) == live.end()) continue;
      if (n->OnSystemPaletteChanged) n->OnSystemPaletteChanged();
    }
}

bool cxAreVisualStylesAvailable() { return g_visualStylesAvailable; }

void cxSetVisualStylesAvailable(bool available) {
  if (g_visualStylesAvailable == available) return;
  g_visualStylesAvailable = available;
  cxSystemPaletteChanged();
}

// ---- TcxLookAndFeel ----------------------------------------------------------------

TcxLookAndFeel::TcxLookAndFeel() : TcxLookAndFeel(false) {}

TcxLookAndFeel::TcxLookAndFeel(bool isDefault) : isDefault_(isDefault), notifier_(isDefault) {
  if (isDefault_) g_default = this;
  notifier_.OnSystemPaletteChanged = [this] { SystemPaletteChanged(); };
  Register();
  resolved_ = Resolve();
}

TcxLookAndFeel::~TcxLookAndFeel() {
  destroying_ = true;
  notifier_.OnSystemPaletteChanged = nullptr;
  const auto snapshot = listeners_;
  for (IcxLookAndFeelNotificationListener* l : snapshot)
    if (HasChangeListener(l)) l->NotifyLookAndFeelRemoval(*this);
  listeners_.clear();
  Unregister();
  if (isDefault_ && g_default == this) {
    g_default = nullptr;
    g_defaultGone = true;
  }
}

TcxLookAndFeel& RootLookAndFeel() {
  static TcxLookAndFeel instance(true);
  return instance;
}

TcxLookAndFeel* DefaultLookAndFeel() {
  if (g_defaultGone) return nullptr;
  return g_default ? g_default : &RootLookAndFeel();
}

TcxLookAndFeel* TcxLookAndFeel::Source() const {
  if (parent_) return parent_;
  return isDefault_ ? nullptr : DefaultLookAndFeel();
}

void TcxLookAndFeel::Register() {
  registeredWith_ = Source();
  if (registeredWith_) registeredWith_->AddChangeListener(this);
}

void TcxLookAndFeel::Unregister() {
  if (registeredWith_) registeredWith_->RemoveChangeListener(this);
  registeredWith_ = nullptr;
}

TcxLookAndFeel::Resolved TcxLookAndFeel::Resolve() const {
  Resolved r;
  const TcxLookAndFeel* from = parent_ ? parent_ : (isDefault_ ? nullptr : g_default);
  r.kind = (assigned_ & LookAndFeelValue(lfvKind)) ? kind_ : from ? from->Kind() : lfUltraFlat;
  r.native = (assigned_ & LookAndFeelValue(lfvNativeStyle)) ? nativeStyle_ : from ? from->NativeStyle() : false;
  return r;
}

TcxLookAndFeelValues TcxLookAndFeel::Refresh() {
  Resolved before = resolved_;
  resolved_ = Resolve();
  TcxLookAndFeelValues changed = 0;
  if (before.kind != resolved_.kind) changed |= LookAndFeelValue(lfvKind);
  if (before.native != resolved_.native) changed |= LookAndFeelValue(lfvNativeStyle);
  return changed;
}

void TcxLookAndFeel::Changed(TcxLookAndFeelValues changed) {
  if (destroying_) return;
  // A listener that removes itself (or another) while being told does not
  // make the next one be skipped; a removed one is not told.
  const auto snapshot = listeners_;
  for (IcxLookAndFeelNotificationListener* l : snapshot)
    if (HasChangeListener(l)) l->NotifyLookAndFeelChange(*this, changed);
  if (OnChanged) OnChanged(*this, changed);
}

void TcxLookAndFeel::SetKind(TcxLookAndFeelKind value) {
  if (kind_ == value && IsKindStored()) return;
  kind_ = value;
  assigned_ |= LookAndFeelValue(lfvKind);
  if (TcxLookAndFeelValues changed = Refresh()) Changed(changed);
}

void TcxLookAndFeel::SetNativeStyle(bool value) {
  if (nativeStyle_ == value && IsNativeStyleStored()) return;
  nativeStyle_ = value;
  assigned_ |= LookAndFeelValue(lfvNativeStyle);
  if (TcxLookAndFeelValues changed = Refresh()) Changed(changed);
}

void TcxLookAndFeel::SetAssignedValues(TcxLookAndFeelValues values) {
  values &= cxLookAndFeelValuesAll;
  if (values == assigned_) return;
  assigned_ = values;
  if (TcxLookAndFeelValues changed = Refresh()) Changed(changed);
}

void TcxLookAndFeel::SetParentLookAndFeel(TcxLookAndFeel* parent) {
  if (isDefault_ || parent == this || parent == parent_) return;
  Unregister();
  parent_ = parent;
  Register();
  if (TcxLookAndFeelValues changed = Refresh()) Changed(changed);
}

void TcxLookAndFeel::Assign(const TcxLookAndFeel& source) {
  if (&source == this) return;
  kind_ = source.kind_;
  nativeStyle_ = source.nativeStyle_;
  assigned_ = source.assigned_;
  if (!isDefault_ && source.parent_ != parent_ && source.parent_ != this) {
    Unregister();
    parent_ = source.parent_;
    Register();
  }
  if (TcxLookAndFeelValues changed = Refresh()) Changed(changed);
}

TcxLookAndFeelPainterClass TcxLookAndFeel::Painter() const {
  if (UsesVisualStyles()) return TcxWinXPLookAndFeelPainter::Class();
  switch (Kind()) {
    case lfFlat: return TcxFlatLookAndFeelPainter::Class();
    case lfStandard: return TcxStandardLookAndFeelPainter::Class();
    case lfUltraFlat: break;
  }
  return TcxUltraFlatLookAndFeelPainter::Class();
}

void TcxLookAndFeel::AddChangeListener(IcxLookAndFeelNotificationListener* listener) {
  if (listener && !HasChangeListener(listener)) listeners_.push_back(listener);
}

void TcxLookAndFeel::RemoveChangeListener(IcxLookAndFeelNotificationListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

bool TcxLookAndFeel::HasChangeListener(const IcxLookAndFeelNotificationListener* listener) const {
  return std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end();
}

void TcxLookAndFeel::NotifyLookAndFeelChange(TcxLookAndFeel& sender, TcxLookAndFeelValues) {
  if (&sender != registeredWith_) return;
  if (TcxLookAndFeelValues changed = Refresh()) Changed(changed);
}

void TcxLookAndFeel::NotifyLookAndFeelRemoval(TcxLookAndFeel& sender) {
  if (&sender == parent_) {
    // The parent goes: inherit from the default look and feel from now on.
    sender.RemoveChangeListener(this);
    registeredWith_ = nullptr;
    parent_ = nullptr;
    if (!destroying_) {
      Register();
      if (TcxLookAndFeelValues changed = Refresh()) Changed(changed);
    }
  } else if (&sender == registeredWith_) {
    registeredWith_ = nullptr;
  }
}

void TcxLookAndFeel::SystemPaletteChanged() { Changed(0); }

// ---- TcxLookAndFeelController -----------------------------------------------------

TcxLookAndFeelController::TcxLookAndFeelController(QObject* owner) : QObject(owner) {
  ++g_controllerCount;
  if (TcxLookAndFeel* def = DefaultLookAndFeel()) {
    def->AddChangeListener(this);
    registered_ = true;
  }
}

TcxLookAndFeelController::~TcxLookAndFeelController() {
  TcxLookAndFeel* def = DefaultLookAndFeel();
  if (def && registered_) def->RemoveChangeListener(this);
  // The last controller gone: the default returns to its unassigned values.
  if (--g_controllerCount == 0 && def) def->SetAssignedValues(0);
}

int TcxLookAndFeelController::ControllerCount() { return g_controllerCount; }

void TcxLookAndFeelController::NotifyLookAndFeelRemoval(TcxLookAndFeel&) { registered_ = false; }

TcxLookAndFeelKind TcxLookAndFeelController::Kind() const {
  TcxLookAndFeel* def = DefaultLookAndFeel();
  return def ? def->Kind() : lfUltraFlat;
}

void TcxLookAndFeelController::SetKind(TcxLookAndFeelKind value) {
  if (TcxLookAndFeel* def = DefaultLookAndFeel()) def->SetKind(value);
}

bool TcxLookAndFeelController::NativeStyle() const {
  TcxLookAndFeel* def = DefaultLookAndFeel();
  return def && def->NativeStyle();
}

void TcxLookAndFeelController::SetNativeStyle(bool value) {
  if (TcxLookAndFeel* def = DefaultLookAndFeel()) def->SetNativeStyle(value);
}

#include "dialogs/DefineStylesDialog.h"

#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <algorithm>

#include "dialogs/PrintStyles.h"
#include "platform/Application.h"
#include "platform/MessageDialogs.h"
#include "platform/QtStrings.h"

namespace {
constexpr int kClientWidth = 372;
constexpr int kClientHeight = 262;
constexpr int kButtonLeft = 280, kButtonWidth = 84, kButtonStep = 29;
}  // namespace

TdxfmDefinePrintStyles::TdxfmDefinePrintStyles(TdxPrintStyleManager& manager, bool* previewChosen, bool* printChosen,
                                               QWidget* parent)
    : TCustomdxPSFmtDialog(kClientWidth, kClientHeight, manager.HelpContext, parent),
      manager_(manager),
      previewChosen_(previewChosen),
      printChosen_(printChosen) {
  setWindowTitle(ToQ(manager.Title));

  auto* label = new TdxPSFocusLabel(ToQ(dxPSDefineStylesTexts::StylesLabel), this);
  label->setGeometry(8, 8, 200, 14);
  list_ = new QListWidget(this);
  list_->setObjectName("StyleList");
  list_->setGeometry(8, 24, 262, 190);
  list_->setIconSize(QSize(32, 32));
  list_->setEditTriggers(QAbstractItemView::EditKeyPressed);
  label->setBuddy(list_);

  auto button = [this](const char* text, int row) {
    auto* b = new QPushButton(ToQ(text), this);
    b->setGeometry(kButtonLeft, 24 + row * kButtonStep, kButtonWidth, 23);
    b->setAutoDefault(false);
    return b;
  };
  new_ = button(dxPSDefineStylesTexts::New, 0);
  copy_ = button(dxPSDefineStylesTexts::Copy, 1);
  delete_ = button(dxPSDefineStylesTexts::Delete, 2);
  rename_ = button(dxPSDefineStylesTexts::Rename, 3);
  pageSetup_ = button(dxPSDefineStylesTexts::PageSetup, 4);
  setCurrent_ = button(dxPSDefineStylesTexts::SetCurrent, 5);

  // One button closes the window: the commands take effect at once.
  OkButton()->hide();
  OkButton()->setEnabled(false);
  CancelButton()->setText(ToQ(dxPSDefineStylesTexts::Close));
  PlaceButtons(229, kClientWidth - 8, kButtonWidth);

  auto guarded = [this](void (TdxfmDefinePrintStyles::*command)()) {
    return [this, command] {
      try {
        (this->*command)();
      } catch (const std::exception& e) {
        Application::ShowException(e);
      }
    };
  };
  connect(new_, &QPushButton::clicked, this, guarded(&TdxfmDefinePrintStyles::NewStyle));
  connect(copy_, &QPushButton::clicked, this, guarded(&TdxfmDefinePrintStyles::CopyStyle));
  connect(delete_, &QPushButton::clicked, this, guarded(&TdxfmDefinePrintStyles::DeleteStyle));
  connect(rename_, &QPushButton::clicked, this, guarded(&TdxfmDefinePrintStyles::RenameStyle));
  connect(pageSetup_, &QPushButton::clicked, this, guarded(&TdxfmDefinePrintStyles::PageSetupStyle));
  connect(setCurrent_, &QPushButton::clicked, this, guarded(&TdxfmDefinePrintStyles::SetCurrentStyle));
  connect(list_, &QListWidget::itemDoubleClicked, this, guarded(&TdxfmDefinePrintStyles::PageSetupStyle));
  connect(list_, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
  connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) { CaptionEdited(list_->row(item)); });

  Refill(manager.CurrentStyle());
  list_->setFocus(Qt::OtherFocusReason);
}

TBasedxPrintStyle* TdxfmDefinePrintStyles::SelectedStyle() const { return manager_.Styles(list_->currentRow()); }

void TdxfmDefinePrintStyles::Refill(TBasedxPrintStyle* select) {
  filling_ = true;
  list_->clear();
  for (int i = 0; i < manager_.Count(); ++i) {
    TBasedxPrintStyle* style = manager_.Styles(i);
    auto* item = new QListWidgetItem(ToQ(style->StyleCaption()), list_);
    if (!style->StyleGlyph().Empty()) item->setIcon(QPixmap::fromImage(style->StyleGlyph().Image()));
    QFont font = list_->font();
    font.setBold(style == manager_.CurrentStyle());
    item->setFont(font);
    if (!style->BuiltIn()) item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  const int row = manager_.IndexOfStyle(select);
  list_->setCurrentRow(row >= 0 ? row : std::min(0, manager_.Count() - 1));
  filling_ = false;
  UpdateButtons();
}

void TdxfmDefinePrintStyles::UpdateButtons() {
  TBasedxPrintStyle* style = SelectedStyle();
  copy_->setEnabled(style);
  delete_->setEnabled(style && manager_.Count() > 1);
  rename_->setEnabled(style && !style->BuiltIn());
  pageSetup_->setEnabled(style);
  setCurrent_->setEnabled(style && style != manager_.CurrentStyle());
}

void TdxfmDefinePrintStyles::NewStyle() {
  TBasedxPrintStyle* style = manager_.AddStyle(DefaultPrintStyleClass());
  if (!style) return;
  const std::string base = style->StyleCaption();
  auto taken = [&](const std::string& caption) {
    for (int i = 0; i < manager_.Count(); ++i)
      if (manager_.Styles(i) != style && manager_.Styles(i)->StyleCaption() == caption) return true;
    return false;
  };
  std::string caption = base;
  for (int n = 2; taken(caption); ++n) caption = base + " (" + std::to_string(n) + ")";
  style->SetStyleCaption(caption);
  changed_ = true;
  Refill(style);
  RenameStyle();
}

void TdxfmDefinePrintStyles::CopyStyle() {
  const int row = list_->currentRow();
  if (!SelectedStyle()) return;
  TBasedxPrintStyle* copy = manager_.CloneStyle(row);
  if (!copy) return;
  manager_.FinishClone(copy);
  changed_ = true;
  Refill(copy);
}

void TdxfmDefinePrintStyles::DeleteStyle() {
  TBasedxPrintStyle* style = SelectedStyle();
  if (!style || manager_.Count() <= 1) return;
  if (!MessageQuestion(Format(dxPSDefineStylesTexts::DeleteQuestion, style->StyleCaption().c_str()))) return;
  const int row = list_->currentRow();
  manager_.DeleteStyle(row);
  changed_ = true;
  Refill(manager_.Styles(std::min(row, manager_.Count() - 1)));
}

void TdxfmDefinePrintStyles::RenameStyle() {
  TBasedxPrintStyle* style = SelectedStyle();
  if (!style || style->BuiltIn()) return;
  list_->setFocus(Qt::OtherFocusReason);
  list_->editItem(list_->currentItem());
}

void TdxfmDefinePrintStyles::CaptionEdited(int row) {
  if (filling_) return;
  TBasedxPrintStyle* style = manager_.Styles(row);
  QListWidgetItem* item = list_->item(row);
  if (!style || !item) return;
  const std::string caption = FromQ(item->text().trimmed());
  if (!caption.empty() && caption != style->StyleCaption()) {
    style->SetStyleCaption(caption);
    changed_ = true;
  }
  // The list shows what the style holds (an empty caption is not taken),
  // once the edit that reported the change has closed.
  QPointer<TBasedxPrintStyle> edited(style);
  QMetaObject::invokeMethod(this, [this, edited] { Refill(edited); }, Qt::QueuedConnection);
}

void TdxfmDefinePrintStyles::PageSetupStyle() {
  TBasedxPrintStyle* style = SelectedStyle();
  if (!style) return;
  bool preview = false, print = false;
  QPointer<QWidget> guard(this);
  const bool done = style->PageSetup(0, previewChosen_ ? &preview : nullptr, printChosen_ ? &print : nullptr);
  if (!guard) return;
  if (done) changed_ = true;
  Refill(style);
  if (previewChosen_ && preview) *previewChosen_ = true;
  if (printChosen_ && print) *printChosen_ = true;
  if (preview || print) SetModalResult(mrCancel);
}

void TdxfmDefinePrintStyles::SetCurrentStyle() {
  TBasedxPrintStyle* style = SelectedStyle();
  if (!style || style == manager_.CurrentStyle()) return;
  manager_.SetCurrentStyle(style);
  changed_ = true;
  Refill(style);
}

bool DefinePrintStylesDialog(TdxPrintStyleManager& manager, bool* previewChosen, bool* printChosen) {
  if (previewChosen) *previewChosen = false;
  if (printChosen) *printChosen = false;
  TdxfmDefinePrintStyles dialog(manager, previewChosen, printChosen);
  dialog.ShowModal();
  return dialog.StylesChanged();
}

void dxPSRegisterDefinePrintStylesDialog() { dxPSPrintStyleDialogs().DefinePrintStyles = &DefinePrintStylesDialog; }

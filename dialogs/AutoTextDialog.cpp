#include "dialogs/AutoTextDialog.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "dialogs/FunctionToolBar.h"
#include "dialogs/PrintStyles.h"
#include "layout/HeaderFooterFunctions.h"
#include "platform/QtStrings.h"
#include "preview/PreviewWindow.h"

namespace {
constexpr int kClientWidth = 394;
constexpr int kClientHeight = 358;
}  // namespace

// ---- Preview box ------------------------------------------------------------------------

TdxPSAutoTextPreview::TdxPSAutoTextPreview(TdxfmAutoText& dialog, QWidget* parent)
    : QWidget(parent), dialog_(dialog) {}

void TdxPSAutoTextPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect all = rect();
  painter.fillRect(all, palette().color(QPalette::WindowText));
  const QRect inside = all.adjusted(1, 1, -1, -1);
  painter.fillRect(inside, palette().color(QPalette::Base));
  painter.setPen(palette().color(QPalette::Text));
  painter.setFont(font());
  for (const TdxfmAutoText::TPreviewPart& part : dialog_.PreviewParts())
    painter.drawText(part.Bounds, part.Alignment | Qt::TextSingleLine, ToQ(part.Text));
}

// ---- The dialog --------------------------------------------------------------------------

TdxfmAutoText::TdxfmAutoText(const std::vector<std::string>& entries, int helpContext, QWidget* parent)
    : TCustomdxPSFmtDialog(kClientWidth, kClientHeight, helpContext, parent) {
  setWindowTitle(ToQ(dxPSAutoTextTexts::Caption));

  group_ = new QGroupBox(ToQ(dxPSAutoTextTexts::EntriesGroup), this);
  group_->setGeometry(8, 6, 378, 308);
  // The edit over its always-open list: the list box of the entries.
  edit_ = new QLineEdit(group_);
  edit_->setObjectName("EntryEdit");
  edit_->setGeometry(12, 22, 262, 21);
  list_ = new QListWidget(group_);
  list_->setObjectName("EntryList");
  list_->setGeometry(12, 43, 262, 148);
  list_->setSortingEnabled(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  for (const std::string& entry : entries)
    if (IndexOfEntry(ToQ(entry)) < 0) list_->addItem(ToQ(entry));

  add_ = new QPushButton(ToQ(dxPSAutoTextTexts::Add), group_);
  add_->setGeometry(286, 21, 80, 23);
  add_->setAutoDefault(false);
  delete_ = new QPushButton(ToQ(dxPSAutoTextTexts::Delete), group_);
  delete_->setGeometry(286, 50, 80, 23);
  delete_->setAutoDefault(false);

  functionBar_ = new QToolBar(group_);
  functionBar_->setObjectName("FunctionToolBar");
  functionBar_->move(0, 198);
  TdxHFToolBarParams params;
  params.Centered = true;
  params.OnFunctionClick = [this](int index) { InsertFunction(index); };
  BuildHFToolBar(*functionBar_, *GetHFFunctionLibrary(), params);

  previewLabel_ = new QLabel(ToQ(dxPSAutoTextTexts::Preview), group_);
  previewLabel_->setGeometry(12, 230, 100, 14);
  preview_ = new TdxPSAutoTextPreview(*this, group_);
  preview_->setObjectName("PreviewBox");
  preview_->setGeometry(12, 246, 354, 50);

  PlaceButtons(325, 386);
  OkButton()->setAutoDefault(false);
  CancelButton()->setAutoDefault(false);

  edit_->installEventFilter(this);
  list_->installEventFilter(this);
  connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) { TextEdited(text); });
  connect(list_, &QListWidget::currentRowChanged, this, [this] { SelectionChanged(); });
  connect(add_, &QPushButton::clicked, this, [this] { AddEntry(); });
  connect(delete_, &QPushButton::clicked, this, [this] { DeleteEntry(); });
  connect(qApp, &QApplication::focusChanged, this, [this] { UpdateButtons(); });

  if (list_->count() > 0) list_->setCurrentRow(0);
  edit_->setFocus(Qt::OtherFocusReason);
  UpdateButtons();
}

std::vector<std::string> TdxfmAutoText::Entries() const {
  std::vector<std::string> entries;
  for (int i = 0; i < list_->count(); ++i) entries.push_back(FromQ(list_->item(i)->text()));
  return entries;
}

int TdxfmAutoText::IndexOfEntry(const QString& text) const {
  for (int i = 0; i < list_->count(); ++i)
    if (list_->item(i)->text().compare(text, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

bool TdxfmAutoText::ListBoxFocused() const {
  const QWidget* focus = QApplication::focusWidget();
  return focus && (focus == edit_ || focus == list_);
}

void TdxfmAutoText::TextEdited(const QString& text) {
  const int index = IndexOfEntry(text);
  if (index >= 0 && index != list_->currentRow()) {
    const QSignalBlocker block(list_);
    list_->setCurrentRow(index);
    preview_->update();
  }
  UpdateButtons();
}

void TdxfmAutoText::SelectionChanged() {
  if (QListWidgetItem* item = list_->currentItem()) {
    const QSignalBlocker block(edit_);
    edit_->setText(item->text());
  }
  preview_->update();
  UpdateButtons();
}

void TdxfmAutoText::UpdateButtons() {
  const QString text = edit_->text();
  const int index = IndexOfEntry(text);
  add_->setEnabled(!text.isEmpty() && index < 0);
  delete_->setEnabled(index >= 0);
  const bool functions = ListBoxFocused();
  for (QToolButton* button : dxHFToolBarFunctionButtons(*functionBar_)) button->setEnabled(functions);
}

void TdxfmAutoText::AddEntry() {
  if (!add_->isEnabled()) return;
  const QString text = edit_->text();
  list_->addItem(text);
  list_->setCurrentRow(IndexOfEntry(text));
  edit_->clear();
  edit_->setFocus(Qt::OtherFocusReason);
  UpdateButtons();
}

void TdxfmAutoText::DeleteEntry() {
  if (!delete_->isEnabled()) return;
  const int row = list_->currentRow() >= 0 ? list_->currentRow() : IndexOfEntry(edit_->text());
  if (row < 0) return;
  delete list_->takeItem(row);
  if (list_->count() == 0) {
    edit_->clear();
    preview_->update();
  } else {
    const int next = std::min(row, list_->count() - 1);
    // Selecting the same row again (after the last one went) still shows it.
    const QSignalBlocker block(list_);
    list_->setCurrentRow(next);
    SelectionChanged();
  }
  UpdateButtons();
}

void TdxfmAutoText::InsertFunction(int functionIndex) {
  if (!ListBoxFocused()) return;
  TdxHFFunction* function = GetHFFunctionLibrary()->Functions(functionIndex);
  if (!function) return;
  edit_->insert(ToQ(function->Token()));
  edit_->setFocus(Qt::OtherFocusReason);
}

std::vector<TdxfmAutoText::TPreviewPart> TdxfmAutoText::PreviewParts() const {
  std::vector<TPreviewPart> parts;
  const QListWidgetItem* item = list_->currentItem();
  if (!item) return parts;
  std::string left, center, right;
  SplitAutoTextEntry(FromQ(item->text()), left, center, right);
  // Inside the frame, 2 pixels in from the filled area.
  const QRect area = preview_->rect().adjusted(1 + 2, 1 + 2, -1 - 2, -1 - 2);
  const int third = area.width() / 3;
  parts.push_back({ExpandHFText(left), area, int(Qt::AlignLeft | Qt::AlignTop)});
  parts.push_back({ExpandHFText(center), QRect(area.left() + third, area.top(), third, area.height()),
                   int(Qt::AlignHCenter | Qt::AlignTop)});
  parts.push_back({ExpandHFText(right), QRect(area.left() + 2 * third, area.top(), area.width() - 2 * third, area.height()),
                   int(Qt::AlignRight | Qt::AlignTop)});
  return parts;
}

bool TdxfmAutoText::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == edit_ || watched == list_) && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      AddEntry();
      return true;
    }
  }
  return TCustomdxPSFmtDialog::eventFilter(watched, event);
}

// ---- Entry points -----------------------------------------------------------------------

bool EditAutoTextEntries(std::vector<std::string>* entries, int helpContext) {
  if (!entries) return false;
  TdxfmAutoText dialog(*entries, helpContext);
  if (dialog.ShowModal() != mrOk) return false;
  *entries = dialog.Entries();
  return true;
}

void dxPSRegisterAutoTextDialog() {
  dxPSPreviewWindowDialogs().AutoText = [](TBasedxReportLink& link) {
    TdxPrintStyleManager* manager = link.StyleManager();
    if (!manager) return false;
    std::vector<std::string> entries = manager->AutoHFTextEntries();
    if (!EditAutoTextEntries(&entries)) return false;
    manager->SetAutoHFTextEntries(entries);
    return true;
  };
}

// The zoom dialog. Its working state is a hidden preview control that copies
// the caller's page, page count, grid and size, so that the fit modes compute
// the same factors as they would in the preview window; the window picture
// draws that hidden control's page layout scaled into a little monitor.
#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

#include "editors/DialogControls.h"
#include "layout/TextLayout.h"
#include "platform/Fonts.h"
#include "platform/QtStrings.h"
#include "preview/PreviewDialogs.h"
#include "report/ImageList.h"

namespace T = dxPSPreviewDialogTexts;

namespace {

// The captions of the percentage radios (tags 0 to 7).
constexpr const char* kPercentCaptions[8] = {"500 %", "&200 %", "150 %", "&100 %", "&75 %", "&50 %", "25 %", "10 %"};

TFont DialogFont() {
  TFont font;
  font.Name = "Tahoma";
  font.SetSize(8);
  return font;
}

// The glyph of btnManyPages: four small sheets in a 2 x 2 grid.
QIcon ManyPagesGlyph() {
  return QIcon(ScreenPixmap(32, 32, [](QPainter& p) {
    for (int r = 0; r < 2; ++r) {
      for (int c = 0; c < 2; ++c) {
        const QRect sheet(3 + c * 14, 2 + r * 15, 11, 13);
        p.fillRect(sheet, Qt::white);
        p.setPen(QColor(0, 0, 0));
        p.drawRect(sheet.adjusted(0, 0, -1, -1));
        p.setPen(QColor(128, 128, 128));
        for (int y = sheet.top() + 3; y < sheet.bottom() - 1; y += 2)
          p.drawLine(sheet.left() + 2, y, sheet.right() - 3, y);
      }
    }
  }));
}

}  // namespace

TfmZoom::TfmZoom(QWidget* parent) : TdxPSDialogForm(parent) {
  setFont(MakeQFont(DialogFont()));
  setFixedSize(428, 280);
  ilStub_ = std::make_unique<TCustomImageList>(16, 16);
  TBitmap glyph;
  glyph.SetImage(dxPSPageChooserGlyph());
  ilStub_->Add(glyph);

  // The working state: never shown, owned by the dialog.
  hiddenPreview_ = new TdxPreview(this);
  hiddenPreview_->hide();
  hiddenPreview_->SetMinZoomFactor(10);

  CreateControls();
  SetTexts();
  ArrangeHelpButton(dxZoomDialogHelpContext, btnOK_, btnCancel_, btnHelp_);
}

TfmZoom::~TfmZoom() = default;

void TfmZoom::CreateControls() {
  gbxZoomTo_ = new QGroupBox(this);
  gbxZoomTo_->setGeometry(8, 6, 186, 236);
  for (int tag = 0; tag < ztCount; ++tag) {
    auto* radio = new QRadioButton(gbxZoomTo_);
    radio->setProperty("Tag", tag);
    if (tag < 8)
      radio->setGeometry(12, 22 + tag * 22, 78, 17);
    else
      radio->setGeometry(94, 22 + (tag - 8) * 22, 90, 17);
    QObject::connect(radio, &QRadioButton::clicked, this, [this, tag] { RadioClicked(tag); });
    radios_[tag] = radio;
  }
  btnManyPages_ = new QPushButton(gbxZoomTo_);
  btnManyPages_->setGeometry(112, 132, 45, 44);
  btnManyPages_->setIcon(ManyPagesGlyph());
  btnManyPages_->setIconSize(QSize(32, 32));
  QObject::connect(btnManyPages_, &QPushButton::clicked, this, [this] { ChooseManyPages(); });

  lblPercent_ = new TdxPSFocusLabel(gbxZoomTo_);
  lblPercent_->setGeometry(12, 205, 56, 17);
  bvlPercentHolder_ = new QFrame(gbxZoomTo_);
  bvlPercentHolder_->setGeometry(70, 201, 80, 21);
  bvlPercentHolder_->hide();

  // The percent box takes the holder's place.
  percentBox_ = new TdxPSSpinEdit(gbxZoomTo_);
  percentBox_->setGeometry(bvlPercentHolder_->geometry());
  percentBox_->SetMinValue(hiddenPreview_->MinZoomFactor());
  percentBox_->SetMaxValue(hiddenPreview_->MaxZoomFactor());
  percentBox_->SetLegendText("%");
  percentBox_->OnChange = [this](TdxPSSpinEdit&) { changed_ = true; };
  percentBox_->OnKeyDown = [this](TdxPSSpinEdit&, int& key, Qt::KeyboardModifiers) { PercentBoxKeyDown(key); };
  percentBox_->OnExit = [this](TdxPSSpinEdit& box) {
    if (isVisible()) SetZoom(box.AsInteger());
  };
  percentBox_->OnButtonClick = [this](TdxPSSpinEdit& box, TdxButtonType, TUDBtnType) {
    BeginUpdate();
    SetZoom(box.AsInteger());
    const int value = box.AsInteger();
    for (int tag = 0; tag < 8; ++tag) SetRadioChecked(radios_[tag], kZoomTable[tag] == value);
    EndUpdate();
  };
  lblPercent_->setBuddy(percentBox_);
  lblPercent_->OnClick = [this] { percentBox_->setFocus(Qt::MouseFocusReason); };

  gbxPreview_ = new QGroupBox(this);
  gbxPreview_->setGeometry(200, 6, 222, 236);
  bvlPreviewHolder_ = new QFrame(gbxPreview_);
  bvlPreviewHolder_->setGeometry(19, 18, 183, 123);
  bvlPreviewHolder_->hide();
  bvlSeparator_ = new QFrame(gbxPreview_);
  bvlSeparator_->setFrameShape(QFrame::HLine);
  bvlSeparator_->setFrameShadow(QFrame::Sunken);
  bvlSeparator_->setGeometry(8, 146, 206, 2);
  stxtFontPreview_ = new QLabel(gbxPreview_);
  stxtFontPreview_->setGeometry(8, 152, 206, 17);
  bvlFontPreviewHolder_ = new QFrame(gbxPreview_);
  bvlFontPreviewHolder_->setGeometry(4, 174, 214, 54);
  bvlFontPreviewHolder_->hide();

  auto makePanel = [this](QFrame* holder, auto paint) {
    auto* panel = new TdxPSPaintPanel(holder->parentWidget());
    panel->SetEdgeInner(esNone);
    panel->SetEdgeOuter(esNone);
    panel->setGeometry(holder->geometry());
    panel->OnPaint = [this, paint](TdxPSPaintPanel& sender, TCanvas& canvas) {
      if (updateCount_ > 0) return;
      (this->*paint)(canvas, sender.ClientRect());
    };
    return panel;
  };
  previewPanel_ = makePanel(bvlPreviewHolder_, &TfmZoom::PaintWindowPicture);
  fontPanel_ = makePanel(bvlFontPreviewHolder_, &TfmZoom::PaintFontSample);

  btnOK_ = new QPushButton(this);
  btnOK_->setGeometry(186, 250, 75, 23);
  btnCancel_ = new QPushButton(this);
  btnCancel_->setGeometry(266, 250, 75, 23);
  btnHelp_ = new QPushButton(this);
  btnHelp_->setGeometry(346, 250, 75, 23);
  SetDefaultButton(btnOK_);
  SetCancelButton(btnCancel_);
  SetButtonResult(btnOK_, mrOk);
  SetButtonResult(btnCancel_, mrCancel);
}

void TfmZoom::SetTexts() {
  setWindowTitle(ToQ(T::ZoomCaption));
  btnOK_->setText(ToQ(T::OK));
  btnCancel_->setText(ToQ(T::Cancel));
  btnHelp_->setText(ToQ(T::Help));
  gbxZoomTo_->setTitle(ToQ(T::ZoomTo));
  for (int tag = 0; tag < 8; ++tag) radios_[tag]->setText(ToQ(kPercentCaptions[tag]));
  radios_[ztPageWidth]->setText(ToQ(T::PageWidth));
  radios_[ztWholePage]->setText(ToQ(T::WholePage));
  radios_[ztTwoPages]->setText(ToQ(T::TwoPages));
  radios_[ztFourPages]->setText(ToQ(T::FourPages));
  radios_[ztManyPages]->setText(ToQ(T::ManyPages));
  lblPercent_->setText(ToQ(T::Percent));
  gbxPreview_->setTitle(ToQ(T::Preview));
  stxtFontPreview_->setText(ToQ(T::FontPreview));
}

void TfmZoom::Initialize(TCustomdxPreview& preview) {
  loading_ = true;
  // The caller's page, pages and grid, then its size, factor and mode; the
  // mode comes last so that a fit mode computes its factor here as well.
  TdxPreview& hidden = *hiddenPreview_;
  // The frame and scroll bars too, so that the client area (on which every
  // fit depends) is the caller's: a fit computed here then stays a fit there.
  hidden.SetBorderStyle(preview.BorderStyle());
  hidden.SetLookAndFeel(preview.LookAndFeel());
  hidden.SetScrollBars(preview.ScrollBars());
  hidden.SetOptionsView(preview.OptionsView());
  hidden.SetMeasurementUnits(preview.MeasurementUnits());
  hidden.SetOrientation(preview.Orientation());
  hidden.OriginalPageSize().SetPoint(preview.OriginalPageSize().Point());
  hidden.SetPageCount(preview.PageCount());
  hidden.SetPageXCount(preview.PageXCount());
  hidden.SetPageYCount(preview.PageYCount());
  hidden.resize(preview.width(), preview.height());
  hidden.SetZoomFactor(preview.ZoomFactor());
  hidden.SetZoomMode(preview.ZoomMode());

  QWidget* owner = preview.window();
  ownerSize_ = owner && owner != &preview ? owner->size() : preview.size();

  for (QRadioButton* radio : radios_) SetRadioChecked(radio, false);
  switch (hidden.ZoomMode()) {
    case pzmNone: {
      QRadioButton* first = nullptr;
      for (int tag = 0; tag < 8; ++tag) {
        const bool match = kZoomTable[tag] == hidden.ZoomFactor();
        SetRadioChecked(radios_[tag], match);
        if (match && !first) first = radios_[tag];
      }
      if (first) first->setFocus(Qt::OtherFocusReason);
      break;
    }
    case pzmPageWidth:
      SetRadioChecked(radios_[ztPageWidth], true);
      break;
    case pzmPages:
      switch (hidden.ColumnCount()) {
        case 1: SetRadioChecked(radios_[ztWholePage], true); break;
        case 2: SetRadioChecked(radios_[ztTwoPages], true); break;
        case 4: SetRadioChecked(radios_[ztFourPages], true); break;
        default: SetRadioChecked(radios_[ztManyPages], true); break;
      }
      break;
  }
  percentBox_->SetValue(hidden.ZoomFactor());
  radios_[ztTwoPages]->setEnabled(hidden.PageCount() > 1);
  radios_[ztFourPages]->setEnabled(hidden.PageCount() > 3);
  loading_ = false;
  changed_ = false;
}

void TfmZoom::ApplyTo(TCustomdxPreview& preview) const {
  const TdxPreview& hidden = *hiddenPreview_;
  const int columns = hidden.ColumnCount(), rows = hidden.VisibleRowCount(), zoom = hidden.ZoomFactor();
  preview.SetZoomMode(hidden.ZoomMode());
  preview.SetPageXYCount(columns, rows);
  preview.SetZoomFactor(zoom);
}

int TfmZoom::CheckedTag() const {
  for (int tag = 0; tag < ztCount; ++tag)
    if (radios_[tag]->isChecked()) return tag;
  return -1;
}

void TfmZoom::SetRadioChecked(QRadioButton* radio, bool checked) {
  if (radio->isChecked() == checked) return;
  // An exclusive radio cannot be unchecked on its own; no radio checked is a
  // state the dialog shows (a factor without a fixed percentage).
  const bool exclusive = radio->autoExclusive();
  radio->setAutoExclusive(false);
  if (checked) {
    for (QRadioButton* other : radios_)
      if (other != radio && other->isChecked()) {
        other->setAutoExclusive(false);
        other->setChecked(false);
        other->setAutoExclusive(exclusive);
      }
  }
  radio->setChecked(checked);
  radio->setAutoExclusive(exclusive);
}

void TfmZoom::SetZoom(int value) {
  hiddenPreview_->SetZoomFactor(value);
  percentBox_->SetValue(hiddenPreview_->ZoomFactor());
  RepaintPictures();
}

void TfmZoom::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) RepaintPictures();
}

void TfmZoom::RepaintPictures() {
  if (updateCount_ > 0) return;
  previewPanel_->update();
  fontPanel_->update();
}

void TfmZoom::RadioClicked(int tag) {
  if (loading_) return;
  TdxPreview& hidden = *hiddenPreview_;
  if (tag < 8) {
    percentBox_->SetValue(kZoomTable[tag]);
    hidden.SetZoomMode(pzmNone);
    SetZoom(kZoomTable[tag]);
  } else if (tag < ztManyPages) {
    SetZoom(hidden.ZoomFactor());
    switch (tag) {
      case ztPageWidth: hidden.SetZoomMode(pzmPageWidth); break;
      case ztWholePage: hidden.SetZoomMode(pzmPages); hidden.SetPageXYCount(1, 1); break;
      case ztTwoPages: hidden.SetZoomMode(pzmPages); hidden.SetPageXYCount(2, 1); break;
      case ztFourPages: hidden.SetZoomMode(pzmPages); hidden.SetPageXYCount(2, 2); break;
    }
    SetZoom(hidden.ZoomFactor());
  } else {
    SetZoom(hidden.ZoomFactor());
  }
  changed_ = true;
}

void TfmZoom::PercentBoxKeyDown(int key) {
  // Enter also reaches the default button, which closes the dialog.
  if (key == Qt::Key_Return || key == Qt::Key_Enter) SetZoom(percentBox_->AsInteger());
}

void TfmZoom::ManyPagesChooserParams(int& maxColumns, int& maxRows, int& columns, int& rows) const {
  const TdxPreview& hidden = *hiddenPreview_;
  const TPoint page = hidden.PageSizeInPixels();
  const int pageWidth = MulDiv(page.X, hidden.MinZoomFactor(), 100);
  const int pageHeight = MulDiv(page.Y, 2 * hidden.MinZoomFactor(), 100);
  maxColumns = pageWidth > 0 ? hidden.width() / pageWidth : 1;
  maxRows = pageHeight > 0 ? hidden.height() / pageHeight : 1;
  maxColumns = std::max(maxColumns, 1);
  maxRows = std::max(maxRows, 1);
  columns = std::min(maxColumns, 3);
  rows = std::min(maxRows, 2);
}

void TfmZoom::ChooseManyPages() {
  int maxColumns, maxRows, columns, rows;
  ManyPagesChooserParams(maxColumns, maxRows, columns, rows);
  const QPoint at = btnManyPages_->mapToGlobal(QPoint(0, btnManyPages_->height()));
  if (!ShowPageChooser(ilStub_.get(), 0, at, btnManyPages_->height(), maxColumns, maxRows, columns, rows)) return;
  hiddenPreview_->SetZoomMode(pzmPages);
  hiddenPreview_->SetPageXYCount(columns, rows);
  if (radios_[ztManyPages]->isChecked()) {
    SetZoom(hiddenPreview_->ZoomFactor());
    changed_ = true;
  } else {
    SetRadioChecked(radios_[ztManyPages], true);
    RadioClicked(ztManyPages);
  }
}

// ---- Pictures ----------------------------------------------------------------------

TRect TfmZoom::WindowPictureRect(QSize workArea, QSize owner) {
  const int screenLeft = kZoomTable[8], screenTop = kZoomTable[9];
  const int screenRight = kZoomTable[10], screenBottom = kZoomTable[11];
  const int marginX = kZoomTable[12], marginY = kZoomTable[13];
  const int screenWidth = screenRight - screenLeft, screenHeight = screenBottom - screenTop;  // 158 x 83
  const int areaWidth = screenWidth - 2 * marginX;   // 138
  const int areaHeight = screenHeight - 2 * marginY;  // 79
  // A degenerate work area or owner still gives a visible window.
  int w = MulDiv(areaWidth, owner.width(), std::max(1, workArea.width()));
  int h = MulDiv(areaHeight, owner.height(), std::max(1, workArea.height()));
  w = std::max(w, 1);
  h = std::max(h, 1);
  TRect r;
  if (double(screenWidth) / screenHeight >= double(w) / h) {
    const int width = std::clamp(MulDiv(w, screenHeight, h), 1, screenWidth);
    r.Left = screenLeft + (screenWidth - width) / 2;
    r.Top = screenTop;
    r.Right = r.Left + width;
    r.Bottom = screenBottom;
  } else {
    const int height = std::clamp(MulDiv(h, screenWidth, w), 1, screenHeight);
    r.Left = screenLeft;
    r.Top = screenTop + (screenHeight - height) / 2;
    r.Right = screenRight;
    r.Bottom = r.Top + height;
  }
  return r;
}

void TfmZoom::PaintWindowPicture(TCanvas& canvas, const TRect& bounds) {
  canvas.FillRect(bounds, clBtnFace);

  // The monitor: body, screen and stand.
  const TRect body(bounds.Left, bounds.Top, bounds.Right, bounds.Top + MulDiv(bounds.Height(), 104, 122));
  canvas.DrawEdge(body, EDGE_RAISED, BF_RECT);
  const TRect screen(body.Left + 11, body.Top + 10, body.Right - 11, body.Bottom - 11);
  canvas.DrawEdge(screen, EDGE_SUNKEN, BF_RECT);
  const int cx = (bounds.Left + bounds.Right) / 2;
  const TRect neck(cx - 14, body.Bottom, cx + 14, std::min(bounds.Bottom, body.Bottom + 6));
  canvas.FillRect(neck, clBtnShadow);
  const TRect foot(cx - 36, neck.Bottom, cx + 36, std::max(neck.Bottom, bounds.Bottom - 2));
  if (!foot.IsEmpty()) canvas.DrawEdge(foot, EDGE_RAISED, BF_RECT | BF_MIDDLE);

  // The preview window on the screen.
  TRect window = WindowPictureRect(dxPSDesktopWorkArea().size(), ownerSize_);
  window.Offset(bounds.Left, bounds.Top);
  TRect inner = window;
  canvas.FrameRect(inner, TBrush{cl3DDkShadow, bsSolid, {}});
  inner.Inflate(-1, -1);
  canvas.FrameRect(inner, TBrush{cl3DDkShadow, bsSolid, {}});
  inner.Inflate(-1, -1);
  canvas.FillRect(inner, clBtnShadow);

  // Its pages, as the hidden preview lays them out.
  TCanvasStateSaver saver(canvas);
  canvas.IntersectClipRect(TRect(window.Left + 1, window.Top, window.Right - 1, window.Bottom - 1));
  const TdxPreview& hidden = *hiddenPreview_;
  const int hiddenWidth = std::max(1, hidden.width());
  const int windowWidth = window.Width();
  for (const TdxPreviewPage& page : hidden.Pages()) {
    TRect r(MulDiv(page.Bounds.Left, windowWidth, hiddenWidth), MulDiv(page.Bounds.Top, windowWidth, hiddenWidth),
            MulDiv(page.Bounds.Right, windowWidth, hiddenWidth),
            MulDiv(page.Bounds.Bottom, windowWidth, hiddenWidth));
    r.Offset(r.Width() < windowWidth ? 1 : 0, 4);
    r.Offset(window.Left, window.Top);
    if (IntersectRect(r, window).IsEmpty()) continue;
    canvas.FrameRect(r, TBrush{clWindowFrame, bsSolid, {}});
    TRect face = r;
    face.Inflate(-1, -1);
    if (!face.IsEmpty()) canvas.FillRect(face, clBtnFace);
  }
}

TFont TfmZoom::FontSampleFont() const {
  TFont font;
  font.Name = "Times New Roman";
  font.PixelsPerInch = TDeviceCaps::Screen().LogPixelsY;
  font.SetSize(int(std::lround(hiddenPreview_->ZoomFactor() * 12 / 100.0)));
  font.Color = clWindowText;
  return font;
}

void TfmZoom::PaintFontSample(TCanvas& canvas, const TRect& bounds) {
  std::string text;
  for (int i = 0; i < 7; ++i) {
    if (i > 0) text += "\r\n";
    text += T::FontSampleLine;
  }
  TRect r = bounds;
  r.Top += 2;
  canvas.FrameRect(r, TBrush{clWindowText, bsSolid, {}});
  r.Inflate(-1, -1);
  canvas.FillRect(r, clWindow);
  TCanvasStateSaver saver(canvas);
  canvas.SetFont(FontSampleFont());
  canvas.SetBkMode(TRANSPARENT);
  TextOut(canvas, text, r, 0x21101);
}

bool ShowZoomDialog(TCustomdxPreview& preview) {
  TfmZoom dialog(preview.window());
  dialog.Initialize(preview);
  if (dialog.ShowModal() != mrOk || !dialog.Changed()) return false;
  dialog.ApplyTo(preview);
  return true;
}

#include "app/MainForm.h"

#include "app/PrintingUnits.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCoreApplication>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QScreen>

#include "dialogs/PrintStyles.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/Fonts.h"
#include "platform/Graphics.h"

namespace {

// A font as the stored form gives it: name and height in pixels at 96 dpi.
QFont StoredFont(const char* name, int height) {
  QFont f(SubstituteFontName(name));
  f.setPixelSize(std::abs(height));
  return f;
}

void DisableContextMenus(QWidget* w) {
  w->setContextMenuPolicy(Qt::NoContextMenu);
  for (QWidget* child : w->findChildren<QWidget*>()) child->setContextMenuPolicy(Qt::NoContextMenu);
}
}  // namespace

QIcon MainWindowIcon() {
  QIcon icon;
  for (int depth : {16, 256}) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    // A framed photo (sky and hill) above a small calendar grid.
    p.fillRect(3, 2, 26, 16, QColor(0, 0, 0));
    p.fillRect(4, 3, 24, 14, depth == 16 ? QColor(0, 255, 255) : QColor(120, 180, 240));
    p.setBrush(depth == 16 ? QColor(0, 128, 0) : QColor(60, 150, 60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRect(2, 10, 22, 14));
    p.fillRect(4, 17, 24, 1, QColor(0, 0, 0));
    p.fillRect(3, 19, 26, 11, QColor(255, 255, 255));
    p.fillRect(3, 19, 26, 3, QColor(192, 0, 0));
    p.setPen(QColor(0, 0, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(3, 19, 25, 11);
    for (int x = 7; x < 28; x += 4)
      for (int y = 24; y < 30; y += 3) p.drawPoint(x, y);
    p.end();
    icon.addPixmap(QPixmap::fromImage(img));
  }
  return icon;
}

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  RegisterPrintingUnits();  // as the program's start does, for windows made elsewhere (tests)
  setObjectName("Form1");
  setWindowTitle(QStringLiteral("Ardel Sorvan"));
  setWindowIcon(MainWindowIcon());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ColorToQColor(clBtnFace));
  setPalette(pal);
  setAutoFillBackground(true);
  setFont(StoredFont("MS Sans Serif", -11));
  resize(730, 761);

  // AutoScroll: the stored controls reach below the client area, so the
  // window shows a vertical scroll bar at its stored size.
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(false);
  scroll_->setGeometry(rect());
  client_ = new QWidget;
  client_->setObjectName("ClientArea");
  client_->setAutoFillBackground(true);
  client_->setPalette(pal);

  cxImage1 = new TcxImage(client_);
  cxImage1->setObjectName("cxImage1");
  cxImage1->setGeometry(16, 0, 670, 506);
  cxImage1->Properties().SetCaption("Fotoğraf seçmek ve yazdırmak için farenin sağ tuşunu tıklayınız");
  cxImage1->Properties().SetStretch(true);

  MonthCalendar1 = new QCalendarWidget(client_);
  MonthCalendar1->setObjectName("MonthCalendar1");
  MonthCalendar1->setGeometry(16, 512, 673, 466);
  MonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  MonthCalendar1->setGridVisible(false);
  // 38862.53297072917 days after 30 December 1899: 25 May 2006 12:47:28.671.
  MonthCalendar1->setSelectedDate(QDate(1899, 12, 30).addDays(38862));
  MonthCalendar1->setCurrentPage(2006, 5);
  MonthCalendar1->setFirstDayOfWeek(QLocale().firstDayOfWeek());
  DisableContextMenus(MonthCalendar1);
  setTabOrder(cxImage1, MonthCalendar1);
  CreatePrintingComponents();

  client_->resize(std::max(16 + 673, 16 + 670), 512 + 466);
  scroll_->setWidget(client_);
  setContextMenuPolicy(Qt::NoContextMenu);
  scroll_->setContextMenuPolicy(Qt::NoContextMenu);
  client_->setContextMenuPolicy(Qt::NoContextMenu);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  FotorafSeiniz1 = PopupMenu1->addAction(QStringLiteral("Fotoğraf Seçiniz"));
  nizleme1 = PopupMenu1->addAction(QStringLiteral("Önizleme"));
  Yazdr1 = PopupMenu1->addAction(QStringLiteral("Yazdır"));
  k1 = PopupMenu1->addAction(QStringLiteral("Çıkış"));
  connect(FotorafSeiniz1, &QAction::triggered, this, [this] { RunCommand([this] { FotorafSeiniz1Click(); }); });
  connect(nizleme1, &QAction::triggered, this, [this] { RunCommand([this] { nizleme1Click(); }); });
  connect(Yazdr1, &QAction::triggered, this, [this] { RunCommand([this] { Yazdr1Click(); }); });
  connect(k1, &QAction::triggered, this, [this] { RunCommand([this] { k1Click(); }); });
  cxImage1->SetPopupMenu(PopupMenu1);

  Open1.Filter = GraphicFilter(nullptr);
  // A photo dropped from the file manager loads as a chosen one does.
  cxImage1->SetDropFilter(Open1.Filter);
  cxImage1->OnDropPicture = [this](TcxImage&, const std::string& fileName) { LoadPicture(fileName); };
  OnHalt = [](int code) { Application::Quit(code); };

  // The form description is read: the link's component is attached and,
  // the link being active, its report built.
  LoadPrintingComponents();
}

TForm1::~TForm1() {
  // The printer and its link go while the window they print is still whole,
  // and so do the print styles, which are written back (a failure is
  // reported over the window).
  delete yazici;
  yazici = nullptr;
  yaziciLink1 = nullptr;
  delete printStyles_;
  printStyles_ = nullptr;
}

void TForm1::UsePrintStyles(const std::string& storageName) {
  if (printStyles_ || !yaziciLink1) return;
  printStyles_ = new TdxPrintStyleManager(this);
  printStyles_->setObjectName("PrintStyles");
  printStyles_->StorageName = storageName;
  printStyles_->AutoSave = !storageName.empty();
  printStyles_->Loaded();
  if (printStyles_->Count() == 0) {
    TBasedxPrintStyle* style = printStyles_->AddStyle(DefaultPrintStyleClass());
    style->SetPrinterPage(yaziciLink1->RealPrinterPage());
  }
  yaziciLink1->SetStyleManager(printStyles_);
}

// The component printer and its link with the values of the stored form
// description, read as a form reader does: inside a loading bracket, so that
// the link's component and Active take effect when loading ends.
void TForm1::CreatePrintingComponents() {
  yazici = new TdxComponentPrinter(this);
  yazici->setObjectName("yazici");
  yazici->BeginLoading();
  TFont thumbnails;
  thumbnails.Name = "Tahoma";
  thumbnails.Height = -64;
  thumbnails.Charset = DEFAULT_CHARSET;
  thumbnails.Color = clBlue;
  thumbnails.Style = 0;
  yazici->PreviewOptions().ThumbnailsOptions.Font = thumbnails;
  yazici->Version = 0;

  auto* link = new TdxCustomContainerReportLink;
  yaziciLink1 = link;
  link->BeginLoading();
  link->SetName("yaziciLink1");
  link->SetComponentPrinter(yazici);
  link->SetActive(true);
  link->SetComponent(this);
  link->DesignerHelpContext = 0;
  link->BuiltInReportLink = true;
  link->OptionsTransparent().SetControls(true);

  TFont font;
  font.Name = "Times New Roman";
  font.Height = -11;
  font.Charset = DEFAULT_CHARSET;
  font.Color = clWindowText;
  font.Style = 0;
  link->SetFont(font);

  TdxPSReportDocument& document = link->ReportDocument();
  document.SetCaption("NewReport");
  document.SetCreationDate(38862.53297109954);  // 25 May 2006 12:47:28.703
  document.SetCreator("AS");

  TdxReportTitle& title = link->ReportTitle();
  TFont titleFont = title.Font();
  titleFont.Name = "Times New Roman";
  titleFont.Height = -19;
  titleFont.Charset = DEFAULT_CHARSET;
  titleFont.Color = clWindowText;
  titleFont.Style = fsBold;
  title.SetFont(titleFont);

  // The printer page's stored values are thousandths of a millimetre
  // (_dxLastMU_ 2); a locale that measures in inches converts them.
  TdxPrinterPage& page = link->PrinterPage();
  const std::pair<const char*, int> numbers[] = {
      {"DMPaper", 1},  // Letter, the paper of the stored page size
      {"Footer", 4600},          {"Header", 4750},          {"Margins.Left", 12700},
      {"Margins.Top", 12700},    {"Margins.Right", 12700},  {"Margins.Bottom", 6400},
      {"MinMargins.Left", 0},    {"MinMargins.Top", 0},     {"MinMargins.Right", 0},
      {"MinMargins.Bottom", 0},  {"PageSize.X", 215900},    {"PageSize.Y", 279400},
  };
  for (const auto& [name, value] : numbers) page.ReadProperty(name, std::int64_t(value));
  for (const char* band : {"PageFooter.", "PageHeader."}) {
    const std::string prefix(band);
    page.ReadProperty(prefix + "Font.Charset", std::int64_t(DEFAULT_CHARSET));
    page.ReadProperty(prefix + "Font.Color", std::int64_t(clWindowText));
    page.ReadProperty(prefix + "Font.Height", std::int64_t(-11));
    page.ReadProperty(prefix + "Font.Name", std::string("Tahoma"));
    page.ReadProperty(prefix + "Font.Style", TdxSet{});
  }
  page.ReadProperty("_dxMeasurementUnits_", std::int64_t(0));  // muDefault
  page.ReadProperty("_dxLastMU_", std::int64_t(2));            // muMillimeters
}

void TForm1::LoadPrintingComponents() {
  yaziciLink1->PrinterPage().Loaded();
  try {
    yaziciLink1->EndLoading();
  } catch (const std::exception& e) {
    // A report that cannot be built now is built again by the next preview
    // or print; the window opens either way.
    Application::ShowException(e);
  }
  yazici->SetCurrentLink(yaziciLink1);
  yazici->EndLoading();
}

template <typename F>
void TForm1::RunCommand(F&& command) {
  try {
    command();
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
}

void TForm1::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (scroll_) scroll_->setGeometry(rect());
}

void TForm1::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (centred_) return;
  centred_ = true;
  // Centred on the desktop when first shown.
  if (QScreen* screen = this->screen()) {
    QRect desk = screen->geometry();
    QRect frame = frameGeometry();
    move(desk.left() + (desk.width() - frame.width()) / 2, desk.top() + (desk.height() - frame.height()) / 2);
  }
}

bool TForm1::LoadPicture(const std::string& fileName) {
  try {
    cxImage1->Picture().LoadFromFile(fileName);
    return true;
  } catch (const std::exception& e) {
    Application::ShowException(e);
    return false;
  }
}

void TForm1::FotorafSeiniz1Click() {
  if (Open1.Execute(this)) LoadPicture(Open1.FileName);
}

void TForm1::nizleme1Click() {
  // Modal, on the current link; returns when the preview window closes.
  yazici->Preview(true, nullptr);
}

void TForm1::Yazdr1Click() {
  // All pages once on the current printer; the answer is not used.
  yazici->Print(false, nullptr, nullptr);
}

void TForm1::k1Click() {
  if (OnHalt) OnHalt(0);
}

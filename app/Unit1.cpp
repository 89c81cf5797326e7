#include "app/Unit1.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCoreApplication>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QScreen>

#include "editors/cxImage.h"
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
  OnHalt = [](int code) { QCoreApplication::exit(code); };
}

TForm1::~TForm1() = default;

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

void TForm1::FotorafSeiniz1Click() {
  if (Open1.Execute(this)) cxImage1->Picture().LoadFromFile(Open1.FileName);
}

void TForm1::nizleme1Click() {
  // The preview comes with the report engine.
}

void TForm1::Yazdr1Click() {
  // Printing comes with the report engine.
}

void TForm1::k1Click() {
  if (OnHalt) OnHalt(0);
}

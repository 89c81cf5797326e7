// The main window: a photo above a month calendar, and the context menu on the
// photo that chooses a photo, previews, prints and exits.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/Dialogs.h"

class QAction;
class QCalendarWidget;
class QMenu;
class QScrollArea;
class TcxImage;
class TdxComponentPrinter;
class TdxCustomContainerReportLink;
class TdxPrintStyleManager;

class TForm1 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  TcxImage* cxImage1 = nullptr;
  QCalendarWidget* MonthCalendar1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* FotorafSeiniz1 = nullptr;
  QAction* nizleme1 = nullptr;
  QAction* Yazdr1 = nullptr;
  QAction* k1 = nullptr;
  TFileDialog Open1{TFileDialogKind::OpenPicture};
  // The component printer (owned by the window) and its only report link
  // (owned by the printer), which prints the window itself.
  TdxComponentPrinter* yazici = nullptr;
  TdxCustomContainerReportLink* yaziciLink1 = nullptr;

  // The print styles the report takes its page from (none unless
  // UsePrintStyles made them; owned by the window).
  TdxPrintStyleManager* PrintStyles() const { return printStyles_; }
  // Gives the report a style manager: its styles are read from storageName
  // and written back there when the window goes (none kept for an empty
  // name); without stored styles there is one, with the report's own page
  // settings. A second call does nothing.
  void UsePrintStyles(const std::string& storageName);

  // The client area in design pixels, as stored (the window scrolls it).
  QWidget* ClientArea() const { return client_; }
  QScrollArea* ScrollBox() const { return scroll_; }

  // Loads a picture file into the photo. A file that cannot be read is
  // reported by the application's error box and the photo stays as it was;
  // answers whether the picture was loaded. "Fotoğraf Seçiniz", a picture
  // file dropped onto the photo and a picture named on the command line all
  // come here.
  bool LoadPicture(const std::string& fileName);

  // The four commands of the context menu.
  void FotorafSeiniz1Click();
  void nizleme1Click();
  void Yazdr1Click();
  void k1Click();

  // How "Çıkış" ends the process (tests replace it).
  std::function<void(int)> OnHalt;

 protected:
  void resizeEvent(QResizeEvent*) override;
  void showEvent(QShowEvent*) override;

 private:
  void CreatePrintingComponents();
  void LoadPrintingComponents();
  bool centred_ = false;
  template <typename F>
  void RunCommand(F&& command);
  QScrollArea* scroll_ = nullptr;
  QWidget* client_ = nullptr;
  TdxPrintStyleManager* printStyles_ = nullptr;
};

// The window and task-bar icon: two 32 x 32 images (16 and 256 colours).
QIcon MainWindowIcon();

// The image editor: a control that holds one picture and shows it at natural
// size with scroll bars, centred, or scaled to fit keeping its aspect ratio,
// and paints a one-line caption while it is empty. It carries a built-in
// context menu, clipboard keys and picture dialogs, and tells its owner of
// every change of the picture.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "editors/EditorContainer.h"
#include "platform/EnumBits.h"
#include "platform/Graphics.h"
#include "platform/Types.h"

class QMenu;
class QMimeData;
class QScrollBar;
class TcxImage;

enum TcxPopupMenuItem { pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave, pmiCustom };
using TcxPopupMenuItems = unsigned;  // bit n = TcxPopupMenuItem n
constexpr TcxPopupMenuItems cxDefaultPopupMenuItems = dxBitsUpTo(pmiSave);  // cut .. save

enum TcxImageTransparency { gtDefault, gtOpaque, gtTransparent };

class TcxImageProperties;

// Which items the built-in context menu offers, and the custom item.
class TcxPopupMenuLayout {
 public:
  explicit TcxPopupMenuLayout(TcxImageProperties* owner) : owner_(owner) {}
  void Assign(const TcxPopupMenuLayout& source);

  TcxPopupMenuItems MenuItems() const { return menuItems_; }
  void SetMenuItems(TcxPopupMenuItems items);
  const std::string& CustomMenuItemCaption() const { return customCaption_; }
  void SetCustomMenuItemCaption(const std::string& caption);
  // Created empty on first read.
  TBitmap* CustomMenuItemGlyph();
  bool HasCustomMenuItemGlyph() const { return glyph_ != nullptr; }
  void SetCustomMenuItemGlyph(const TBitmap* glyph);  // null frees it

 private:
  void Changed();
  TcxImageProperties* owner_;
  TcxPopupMenuItems menuItems_ = cxDefaultPopupMenuItems;
  std::string customCaption_;
  std::unique_ptr<TBitmap> glyph_;
};

class TcxImageProperties {
 public:
  TcxImageProperties();
  ~TcxImageProperties();
  void Assign(const TcxImageProperties& source);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  const std::string& CustomFilter() const { return customFilter_; }
  void SetCustomFilter(const std::string& value);
  TGraphicClass GraphicClass() const { return graphicClass_; }
  void SetGraphicClass(TGraphicClass value);
  std::string GraphicClassName() const;
  // Looks the name up among the registered graphic classes, case ignored; an
  // unknown name leaves the class unchanged; empty sets no class.
  void SetGraphicClassName(const std::string& name);
  // The stored form carries "IsGraphicClassNameEmpty" = True exactly when no
  // class is set.
  bool IsGraphicClassNameEmpty() const { return graphicClass_ == nullptr; }
  TcxImageTransparency GraphicTransparency() const { return transparency_; }
  void SetGraphicTransparency(TcxImageTransparency value);
  bool ImmediatePost() const { return immediatePost_; }
  void SetImmediatePost(bool value);
  TcxPopupMenuLayout& PopupMenuLayout() { return menuLayout_; }
  const TcxPopupMenuLayout& PopupMenuLayout() const { return menuLayout_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  bool ShowFocusRect() const { return showFocusRect_; }
  void SetShowFocusRect(bool value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);

  std::function<void(TcxImageProperties& sender, const TPicture& picture)> OnAssignPicture;
  std::function<void(TcxImage& sender)> OnChange;
  std::function<void(TcxImage& sender)> OnEditValueChanged;
  std::function<void(TcxImage& sender)> OnCustomClick;

  // Called on every property change (the editor connects itself here).
  std::function<void()> OnPropertiesChanged;
  void Changed();

 private:
  std::string caption_;
  bool center_ = true;
  std::string customFilter_;
  TGraphicClass graphicClass_;
  TcxImageTransparency transparency_ = gtDefault;
  bool immediatePost_ = false;
  TcxPopupMenuLayout menuLayout_{this};
  bool readOnly_ = false;
  bool showFocusRect_ = true;
  bool stretch_ = false;
  int assigning_ = 0;
  bool destroying_ = false;
};

// Paint geometry of one layout pass (the frame's part comes from the
// container's frame description).
struct TcxImageViewInfo {
  TRect Bounds;           // client rectangle
  TRect ContentRect;      // inside the frame (less the scroll bars)
  std::string Caption;
  bool Center = true;
  bool Stretch = false;
  TColor BorderColor = clBtnShadow;
  TColor BackgroundColor = clWindow;
  TColor TextColor = clWindowText;
  bool DrawFocusRect = false;
  bool Enabled = true;
  int TopLeftX = 0;  // scroll offsets (0 with Center or Stretch)
  int TopLeftY = 0;
};

// The picture rectangle when the picture is scaled to fit (aspect kept).
TRect FitPictureRect(const TRect& content, int pictureWidth, int pictureHeight);
// Where the picture is drawn for the given geometry.
TRect PictureRect(const TcxImageViewInfo& info, int pictureWidth, int pictureHeight);

class TcxImage : public TcxContainer {
  Q_OBJECT
 public:
  explicit TcxImage(QWidget* parent = nullptr);
  ~TcxImage() override;

  // Border, colours, font and look and feel of the editor.
  TcxEditStyle& Style() { return static_cast<TcxEditStyle&>(TcxContainer::Style()); }
  const TcxEditStyle& Style() const { return static_cast<const TcxEditStyle&>(TcxContainer::Style()); }
  void SetStyle(const TcxEditStyle& source) { Style().Assign(source); }

  TPicture& Picture() { return *picture_; }
  const TPicture& Picture() const { return *picture_; }
  // Copies the source picture's graphic.
  void SetPicture(const TPicture* source);
  TcxImageProperties& Properties() { return *properties_; }
  void SetProperties(const TcxImageProperties& source) { properties_->Assign(source); }

  // An owner's context menu; when set it replaces the built-in menu.
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  // While the owner's stored form is read: no scroll reset, no change events.
  void SetLoading(bool loading) { loading_ = loading; }

  // Picture commands.
  void CopyPicture();
  void ClearPicture();
  void CutPicture();
  bool CanPastePicture() const;
  void PastePicture();
  void LoadPictureWithDialog();
  void SavePictureWithDialog();
  void RunCustomMenuItem();
  bool CanModify() const;
  bool DoEditing();

  // Value access: the picture in stream form (nothing for an empty picture).
  std::optional<TBytes> PictureToValue() const;
  void ValueToPicture(const std::optional<TBytes>& value);

  std::function<void(TcxImage& sender, bool& canEdit)> OnEditing;

  // Picture files dropped from the file manager. A drag is taken only when
  // it carries one local file that the drop filter admits and the editor may
  // change; other drags are refused before they land. The drop filter is the
  // load dialog's unless the owner sets one ("desc|mask|..."). A drop loads
  // the file through OnDropPicture when it is set, else as "Load..." does.
  void SetDropFilter(const std::string& filter) { dropFilter_ = filter; }
  std::string DropFilter() const;
  // The file a drag carries that a drop would load, if it is taken.
  std::optional<std::string> DroppedPictureFile(const QMimeData* data) const;
  std::function<void(TcxImage& sender, const std::string& fileName)> OnDropPicture;

  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  const TcxImageViewInfo& ViewInfo() const { return viewInfo_; }
  QScrollBar* HorizontalScrollBar() const { return hScroll_; }
  QScrollBar* VerticalScrollBar() const { return vScroll_; }
  // The built-in menu (null until first shown).
  QMenu* BuiltInMenu() const { return builtInMenu_; }
  // Prepares and returns the built-in menu as it would be shown now.
  QMenu* PrepareBuiltInMenu();

  // Paints the whole editor on a painter (also used when printing).
  void PaintTo(QPainter& painter);

  // Content margin of the default frame (a transparent ring and a border
  // line); the frame in force is ContainerViewInfo().ContentMargins.
  static constexpr int kContentMargin = 2;

  // Counts as focused while one of its picture dialogs runs.
  bool Focused() const override;
  bool IsReadOnly() const override;

 protected:
  void FrameChanged() override;
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void contextMenuEvent(QContextMenuEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void changeEvent(QEvent*) override;
  void dragEnterEvent(QDragEnterEvent*) override;
  void dragMoveEvent(QDragMoveEvent*) override;
  void dropEvent(QDropEvent*) override;

 private:
  void PictureChanged();
  void PropertiesChanged();
  void CalculateViewInfo();
  void UpdateScrollBars();
  void ApplyAutoSize();
  void ScrollBarMoved();
  void RunMenuCommand(int tag);
  void EditValueChanged();
  void Change();
  bool PictureIsEmpty() const;
  void LoadDroppedPicture(const std::string& fileName);
  // The picture drawn into rect on the screen: from a copy scaled to the
  // rectangle's size, kept until the picture or the size changes.
  void DrawScreenCopy(QPainter& painter, const QRect& rect, const TGraphic& graphic);

  std::unique_ptr<TcxImageProperties> properties_;
  std::unique_ptr<TPicture> picture_;
  QMenu* popupMenu_ = nullptr;
  QMenu* builtInMenu_ = nullptr;
  QScrollBar* hScroll_ = nullptr;
  QScrollBar* vScroll_ = nullptr;
  TcxImageViewInfo viewInfo_;
  mutable std::unique_ptr<QImage> transparentCache_;
  std::unique_ptr<QImage> screenCopy_;
  std::optional<std::string> dropFilter_;
  bool autoSize_ = false;
  bool loading_ = false;
  bool dialogOpen_ = false;
  bool settingValue_ = false;
  bool userAction_ = false;
  bool modified_ = false;
  bool validated_ = true;
  bool calculating_ = false;
  int changeLock_ = 0;
  bool changedPending_ = false;
  bool valueChangedPending_ = false;
  bool destroying_ = false;
};

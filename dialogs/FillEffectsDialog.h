// The fill-effects dialog: chooses a texture, a two-colour pattern or a
// picture as a background. It edits a working copy of the background and
// shows the current choice in a sample square; OK writes the choice into the
// edited background when something was changed, "Apply" (offered when the
// background has an OnApply handler) writes it at once.
//
// The dialog remembers its last folder ("InitialDir") and tab ("ActivePage")
// under the engine's registry path, when one is set.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "layout/Background.h"
#include "preview/PreviewDialogs.h"

class QLabel;
class QMenu;
class QAction;
class QComboBox;
class QPushButton;
class QTabWidget;
class TdxPSColorCombo;
class TdxPSImageScrollBox;
class TdxPSPaintPanel;

namespace dxFillEffectsTexts {
inline constexpr const char* Caption = "Fill Effects";
inline constexpr const char* Sample = "Sample:";
inline constexpr const char* Texture = "&Texture";
inline constexpr const char* Pattern = "&Pattern";
inline constexpr const char* Picture = "P&icture";
inline constexpr const char* OK = "OK";
inline constexpr const char* Cancel = "Cancel";
inline constexpr const char* Close = "Close";
inline constexpr const char* Apply = "&Apply";
inline constexpr const char* Help = "&Help";
inline constexpr const char* OtherTexture = "Other Te&xture...";
inline constexpr const char* Foreground = "&Foreground";
inline constexpr const char* Background = "&Background";
inline constexpr const char* InvertColors = "I&nvert Colors";
inline constexpr const char* NoPicture = "There is no picture to display";
inline constexpr const char* SelectPicture = "Se&lect Picture...";
inline constexpr const char* PaintMode = "Paint &Mode";
inline constexpr const char* PaintModes[4] = {"Center", "Stretch", "Tile", "Proportional"};
inline constexpr const char* PreviewPicture = "Pre&view...";
inline constexpr const char* Load = "&Load...";
inline constexpr const char* Delete = "&Delete";
inline constexpr const char* Cut = "Cu&t";
inline constexpr const char* Copy = "&Copy";
inline constexpr const char* Paste = "&Paste";
}  // namespace dxFillEffectsTexts

// Help context of the dialog: engine-wide, 0 in this program (the Help
// button is then hidden).
inline int dxFillEffectsDialogHelpContext = 0;

// A grid of picture cells. The cell in column c and row r holds entry
// c * rows + r; an extra entry (columns * rows) may sit in column 0 of one
// more row. Cells show their picture at natural size, or repeated across the
// cell when tiled.
class TdxFEFGrid : public QAbstractScrollArea {
 public:
  TdxFEFGrid(int columns, int rows, QSize cellSize, bool tiled, QWidget* parent = nullptr);

  int Count() const { return int(cells_.size()); }
  int ExtraIndex() const { return columns_ * rows_; }
  void SetCell(int index, const QImage& image);  // index up to ExtraIndex
  const QImage& Cell(int index) const { return cells_.at(index); }
  int Selected() const { return selected_; }
  // Selects an entry (-1: none) and scrolls it into view.
  void SetSelected(int index);
  // The cell of an entry in viewport coordinates.
  QRect CellRect(int index) const;
  int IndexAt(QPoint viewportPoint) const;

  // After the user selected an entry (mouse or keys).
  std::function<void(int index)> OnSelect;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void keyPressEvent(QKeyEvent*) override;

 private:
  void UpdateScrollBar();
  void Choose(int index);

  int columns_, rows_;
  QSize cellSize_;
  bool tiled_;
  std::vector<QImage> cells_;
  int selected_ = -1;
};

class TdxFEFDialog : public TdxPSDialogForm {
 public:
  enum TChoice { fcNone, fcTexture, fcPattern, fcPicture };
  enum TPage { fpTexture, fpPattern, fpPicture };

  TdxFEFDialog(TdxBackground& background, QWidget* parent = nullptr);
  ~TdxFEFDialog() override;

  std::string FormClassName() const override { return "TdxFEFDialog"; }

  // Runs the dialog; true when the edited background was changed (OK after
  // a change, or any Apply).
  bool Execute();

  // ---- State ----
  TdxBackground& Working() { return working_; }
  TChoice Choice() const { return choice_; }
  bool Modified() const { return modified_; }
  bool Applied() const { return applied_; }
  TColor ForegroundColor() const;
  TColor BackgroundColor() const;
  TdxPicturePaintMode PaintMode() const;
  // Writes the choice into a background, in this order: BkColor, brush
  // colour, Picture, then Mode (and PictureMode for a picture).
  void WriteChoice(TdxBackground& background) const;

  // ---- Commands (the controls run these) ----
  void SelectTexture(int index);
  void SelectPattern(int index);
  void SetColors(TColor foreground, TColor background);
  void InvertColors();
  void SetPaintMode(TdxPicturePaintMode mode);
  // Load a picture file by its extension; false (and nothing changed) for
  // another kind or a file that cannot be read (with a message).
  bool LoadTexture(const std::string& fileName);
  bool LoadPicture(const std::string& fileName);
  // Through the picture-open dialog, starting in the last folder.
  void ChooseTexture();
  void ChoosePicture();
  void PreviewPicture();
  void CutPicture();
  void CopyPicture();
  void PastePicture();
  void DeletePicture();
  void ApplyChoice();

  // ---- The controls (tests use them) ----
  // The two colour lists show the colours when they hold them.
  QTabWidget* Tabs() const { return tabs_; }
  TdxFEFGrid* TextureGrid() const { return textures_; }
  TdxFEFGrid* PatternGrid() const { return patterns_; }
  QLabel* TextureName() const { return textureName_; }
  QLabel* PatternName() const { return patternName_; }
  QPushButton* OtherTextureButton() const { return otherTexture_; }
  TdxPSColorCombo* ForegroundCombo() const { return foreground_; }
  TdxPSColorCombo* BackgroundCombo() const { return background_; }
  QPushButton* InvertButton() const { return invert_; }
  TdxPSImageScrollBox* PictureBox() const { return pictureBox_; }
  QLabel* PictureFileName() const { return pictureFile_; }
  QPushButton* SelectPictureButton() const { return selectPicture_; }
  QComboBox* PaintModeCombo() const { return paintMode_; }
  QPushButton* PreviewButton() const { return preview_; }
  QMenu* PictureMenu() const { return pictureMenu_; }
  QPushButton* OKButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QPushButton* ApplyButton() const { return apply_; }
  QPushButton* HelpButton() const { return help_; }
  TdxPSPaintPanel* SamplePanel() const { return sample_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateTexturePage(QWidget* page);
  void CreatePatternPage(QWidget* page);
  void CreatePicturePage(QWidget* page);
  void LoadFromBackground();
  void RefreshPatterns();
  void UpdateControls();
  void Changed(TChoice choice);
  QImage ChosenImage() const;
  bool ChooseFile(std::string& fileName);
  void LoadSettings();
  void SaveSettings() const;
  std::string RegistryKey() const;

  TdxBackground& edited_;
  TdxBackground working_;
  TChoice choice_ = fcNone;
  TColor foreColor_ = clBlack;
  TColor backColor_ = clWhite;
  bool modified_ = false;
  bool applied_ = false;
  bool updating_ = false;
  QImage extraTexture_;
  std::unique_ptr<TBitmap> picture_;
  std::string pictureFileName_;
  std::string initialDir_;

  QTabWidget* tabs_ = nullptr;
  TdxFEFGrid* textures_ = nullptr;
  TdxFEFGrid* patterns_ = nullptr;
  QLabel* textureName_ = nullptr;
  QLabel* patternName_ = nullptr;
  QPushButton* otherTexture_ = nullptr;
  TdxPSColorCombo* foreground_ = nullptr;
  TdxPSColorCombo* background_ = nullptr;
  QPushButton* invert_ = nullptr;
  TdxPSImageScrollBox* pictureBox_ = nullptr;
  QLabel* pictureFile_ = nullptr;
  QPushButton* selectPicture_ = nullptr;
  QComboBox* paintMode_ = nullptr;
  QPushButton* preview_ = nullptr;
  QMenu* pictureMenu_ = nullptr;
  QAction* menuActions_[6] = {};
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* apply_ = nullptr;
  QPushButton* help_ = nullptr;
  QLabel* sampleLabel_ = nullptr;
  TdxPSPaintPanel* sample_ = nullptr;
};

// Runs the fill-effects dialog on the background, owned by the owner's
// window; true when the background was changed (OK after a change, or
// "Apply").
bool EditFillEffects(TdxBackground& background, QWidget* owner = nullptr);

// The picture file kinds the dialog opens: the bitmap extension gives a
// bitmap, the JPEG extension a JPEG picture, the metafile extension or
// ".wmf" a metafile; null for any other file. Read errors raise.
std::unique_ptr<TGraphic> dxLoadFillEffectsPicture(const std::string& fileName);

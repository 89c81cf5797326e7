// Painters of the editor family: stateless classes that draw borders,
// buttons, arrows, check boxes and scroll-bar parts in one visual family
// (flat, standard, ultra-flat, or the platform's widget style). They are
// used as classes: a painter "class" is the address of the one constant
// object of that class, and every drawing operation is a class operation.
//
// All drawing goes through a TCanvas in its logical units; colours are the
// classic system colours, so output does not depend on the desktop theme.
// The native painter is the exception: it hands the drawing to the Qt style
// of the application.
#pragma once

#include <string>

#include "platform/Types.h"

class TCanvas;

enum TcxLookAndFeelStyle { lfsFlat, lfsStandard, lfsUltraFlat, lfsNative };

enum TcxButtonState { cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled };

enum TcxArrowDirection { adUp, adDown, adLeft, adRight };

enum TcxScrollBarPart { sbpNone, sbpLineUp, sbpLineDown, sbpThumbnail, sbpPageUp, sbpPageDown };

enum TcxCheckBoxState { cbsUnchecked, cbsChecked, cbsGrayed };

class TcxCustomLookAndFeelPainter;
using TcxLookAndFeelPainterClass = const TcxCustomLookAndFeelPainter*;

class TcxCustomLookAndFeelPainter {
 public:
  virtual ~TcxCustomLookAndFeelPainter() = default;
  TcxCustomLookAndFeelPainter(const TcxCustomLookAndFeelPainter&) = delete;
  TcxCustomLookAndFeelPainter& operator=(const TcxCustomLookAndFeelPainter&) = delete;

  virtual const char* ClassName() const = 0;
  virtual TcxLookAndFeelStyle LookAndFeelStyle() const = 0;

  // The border of a control: its width, and drawing it along the inside of
  // r, which is then reduced by the width.
  virtual int BorderSize() const = 0;
  virtual void DrawBorder(TCanvas& canvas, TRect& r) const = 0;

  // Push buttons (also the buttons of scroll bars and drop-downs).
  virtual int ButtonBorderSize(TcxButtonState state = cxbsNormal) const;
  virtual TColor ButtonColor(TcxButtonState state) const;
  virtual TColor ButtonSymbolColor(TcxButtonState state) const;
  // The face offset of a pressed button's contents (caption, arrow).
  virtual int ButtonTextShift() const { return 1; }
  virtual void DrawButtonBorder(TCanvas& canvas, const TRect& r, TcxButtonState state) const = 0;
  // Border, face and a caption centred on one line.
  virtual void DrawButton(TCanvas& canvas, const TRect& r, const std::string& caption, TcxButtonState state) const;

  // A filled triangle centred in r, pointing in the given direction.
  virtual void DrawArrow(TCanvas& canvas, const TRect& r, TcxArrowDirection direction, TColor color) const;

  virtual int CheckButtonSize() const { return 13; }
  virtual void DrawCheckButton(TCanvas& canvas, const TRect& r, TcxButtonState state,
                               TcxCheckBoxState checkState) const = 0;

  virtual int ScrollBarMinimalThumbSize(bool horizontal) const { return 8; }
  virtual void DrawScrollBarPart(TCanvas& canvas, bool horizontal, const TRect& r, TcxScrollBarPart part,
                                 TcxButtonState state) const;

 protected:
  TcxCustomLookAndFeelPainter() = default;
  // The check mark inside a check box of the given inner rectangle.
  static void DrawCheckMark(TCanvas& canvas, const TRect& inner, TColor color);
};

// Raised and sunken two-pixel edges, the classic look.
class TcxStandardLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
 public:
  static TcxLookAndFeelPainterClass Class();
  const char* ClassName() const override { return "TcxStandardLookAndFeelPainter"; }
  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsStandard; }
  int BorderSize() const override { return 2; }
  void DrawBorder(TCanvas& canvas, TRect& r) const override;
  int ButtonBorderSize(TcxButtonState state) const override { return 2; }
  void DrawButtonBorder(TCanvas& canvas, const TRect& r, TcxButtonState state) const override;
  void DrawCheckButton(TCanvas& canvas, const TRect& r, TcxButtonState state,
                       TcxCheckBoxState checkState) const override;

 protected:
  TcxStandardLookAndFeelPainter() = default;
};

// One-pixel edges: a sunken line with a face-coloured ring inside.
class TcxFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
 public:
  static TcxLookAndFeelPainterClass Class();
  const char* ClassName() const override { return "TcxFlatLookAndFeelPainter"; }
  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsFlat; }
  int BorderSize() const override { return 2; }
  void DrawBorder(TCanvas& canvas, TRect& r) const override;
  int ButtonBorderSize(TcxButtonState state) const override { return 1; }
  void DrawButtonBorder(TCanvas& canvas, const TRect& r, TcxButtonState state) const override;
  void DrawCheckButton(TCanvas& canvas, const TRect& r, TcxButtonState state,
                       TcxCheckBoxState checkState) const override;

 protected:
  TcxFlatLookAndFeelPainter() = default;
};

// One-pixel lines in the button-shadow colour; hot and pressed buttons are
// tinted with the highlight colour and framed by it.
class TcxUltraFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
 public:
  static TcxLookAndFeelPainterClass Class();
  const char* ClassName() const override { return "TcxUltraFlatLookAndFeelPainter"; }
  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsUltraFlat; }
  int BorderSize() const override { return 1; }
  void DrawBorder(TCanvas& canvas, TRect& r) const override;
  int ButtonBorderSize(TcxButtonState state) const override { return 1; }
  TColor ButtonColor(TcxButtonState state) const override;
  int ButtonTextShift() const override { return 0; }
  void DrawButtonBorder(TCanvas& canvas, const TRect& r, TcxButtonState state) const override;
  void DrawCheckButton(TCanvas& canvas, const TRect& r, TcxButtonState state,
                       TcxCheckBoxState checkState) const override;

  // The tints of hot and pressed parts: the highlight colour mixed into the
  // window colour (plain RGB values, recomputed from the system colours).
  static TColor HotColor();
  static TColor PressedColor();

 protected:
  TcxUltraFlatLookAndFeelPainter() = default;
};

// Draws with the application's widget style (the platform's visual styles).
// Chosen only while visual styles are available (LookAndFeels.h).
class TcxWinXPLookAndFeelPainter : public TcxStandardLookAndFeelPainter {
 public:
  static TcxLookAndFeelPainterClass Class();
  const char* ClassName() const override { return "TcxWinXPLookAndFeelPainter"; }
  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsNative; }
  int BorderSize() const override;
  void DrawBorder(TCanvas& canvas, TRect& r) const override;
  void DrawButtonBorder(TCanvas& canvas, const TRect& r, TcxButtonState state) const override;
  void DrawButton(TCanvas& canvas, const TRect& r, const std::string& caption, TcxButtonState state) const override;
  void DrawCheckButton(TCanvas& canvas, const TRect& r, TcxButtonState state,
                       TcxCheckBoxState checkState) const override;
  void DrawScrollBarPart(TCanvas& canvas, bool horizontal, const TRect& r, TcxScrollBarPart part,
                         TcxButtonState state) const override;

 protected:
  TcxWinXPLookAndFeelPainter() = default;
};

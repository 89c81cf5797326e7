"""The cases: one line each, what a person does and what must show.

The words of the two columns are explained in steps.py. A case whose last
column names a defect is a known failure until that defect is mended; the
run reports it as such (and says so when it passes).

The preview window fills the 1280 x 1024 screen; its menu titles sit at
File 20, View 58, Format 108, Go 152, Help 189 (y 8). Coordinates inside the
dialogs are those of their controls as laid out at 96 dots per inch.
"""

from collections import namedtuple

Case = namedtuple("Case", "name do expect defect restart")
# options: what the program is started with besides the photo.
Group = namedtuple("Group", "name cases setup printers options", defaults=((),))


def case(name, do, expect, defect=None, restart=False):
    """restart: the program is started afresh after the case (it may leave it unusable)."""
    return Case(name, do, expect, defect, restart)


D3 = "defect 3: Delete does nothing in spin boxes and the page range"
D7 = "defect 7: print dialog's range warning covers Current Page"
OPEN_BROWSE = "open: the print dialog's Browse opens no Choose File Name window under real input"
OPEN_HEADER_TEXT = "open: a header title typed in Page Setup is not found in the printed PDF"
OPEN_SCALE = "open: Adjust To 50 % leaves the photo at its full width in the preview"

# Four pages of report: the page setup's Scaling tab, Adjust To 200 %.
MANY_PAGES = ("key alt+f u; wait Page_Setup; key alt+s; click Page_Setup 175 83; key ctrl+a; type 200; "
              "key Return; gone Page_Setup; sleep 1.5; key End; pagebox 4; key Home")

# ---- every command that opens a window, by each of its ways ----
OPENING = [
    case("design-menu", "key alt+f d", "window Format_Report; centred Format_Report; shut Format_Report"),
    case("design-ctrl-d", "key ctrl+d", "window Format_Report; shut Format_Report"),
    case("design-tool", "tool design", "window Format_Report; shut Format_Report"),
    case("design-popup", "click preview 640 500 3; key Down Return", "window Format_Report; shut Format_Report"),
    case("design-double-click-background", "click preview 60 600 1 2", "window Format_Report; "
         "shut Format_Report"),
    case("format-report-root-readable", "key ctrl+d; wait Format_Report", "py tree_root_dark; shut Format_Report"),
    case("page-setup-menu", "key alt+f u", "window Page_Setup; shut Page_Setup"),
    case("page-setup-centred", "key alt+f u", "window Page_Setup; centred Page_Setup; shut Page_Setup"),
    case("page-setup-tool", "key Escape; tool pagesetup", "window Page_Setup; shut Page_Setup"),
    case("page-setup-popup", "click preview 640 500 3; key Down Down Return", "window Page_Setup; "
         "shut Page_Setup"),
    case("page-setup-margin-bar", "click preview 25 66 1 2", "window Page_Setup; py tab_is Page_Setup 1; "
         "shut Page_Setup"),
    case("page-setup-paper-size", "py double_click_status 360", "window Page_Setup; py tab_is Page_Setup 0; "
         "shut Page_Setup"),
    case("print-dialog-ctrl-p", "key ctrl+p", "window Print; shut Print"),
    case("print-dialog-centred", "key ctrl+p", "window Print; centred Print; shut Print"),
    case("print-dialog-menu", "key Escape; key alt+f p", "window Print; shut Print"),
    case("print-dialog-tool", "tool printdialog", "window Print; shut Print"),
    case("options-menu", "key alt+f o", "window Options; centred Options; size Options 456 246; shut Options"),
    case("zoom-setup-menu", "key alt+v z s", "window Zoom; centred Zoom; size Zoom 428 280; shut Zoom"),
    case("title-menu", "key alt+o i", "window Report_Title; shut Report_Title"),
    case("title-centred", "key alt+o i", "window Report_Title; centred Report_Title; shut Report_Title"),
    case("date-time-menu", "key Escape; key alt+o t", "window Date_and_Time; shut Date_and_Time"),
    case("date-time-centred", "key alt+o t", "window Date_and_Time; centred Date_and_Time; shut Date_and_Time"),
    case("page-numbering-menu", "key Escape; key alt+o n", "window Page_Number_Format; shut Page_Number_Format"),
    case("page-numbering-centred", "key alt+o n", "window Page_Number_Format; centred Page_Number_Format; shut Page_Number_Format"),
    case("load-ctrl-o", "key Escape; key ctrl+o", "window Load_Report; centred Load_Report; shut Load_Report"),
    case("load-menu", "key alt+f l", "window Load_Report; shut Load_Report"),
    case("load-tool", "tool load", "window Load_Report; shut Load_Report"),
    case("save-ctrl-s", "key ctrl+s", "window Save_Report_As; shut Save_Report_As"),
    case("save-menu", "key alt+f s", "window Save_Report_As; shut Save_Report_As"),
    case("save-tool", "tool save", "window Save_Report_As; shut Save_Report_As"),
    case("print-styles-submenu", "click preview 20 8; py hover_menu_item 7", "popup 20; key Escape Escape"),
    case("help-menu-not-empty", "", "py help_menu"),
    case("close-menu", "key alt+f c", "gone preview; running"),
    case("close-tool", "reopen; tool close", "gone preview"),
    case("reopen", "reopen", "window preview"),
]

# ---- zoom, pages, panes and bars, on a report of four pages ----
VIEW = [
    case("zoom-100-shortcut", "key ctrl+1; key ctrl+backslash", "zoom 100%; pagewidth 821; pages 1"),
    case("zoom-page-width-shortcut", "key ctrl+0", "zoom 150%; pagewidth 1229 8"),
    case("zoom-whole-page-shortcut", "key ctrl+1", "zoom 85%; pages 1"),
    case("zoom-two-pages-shortcut", "key ctrl+2", "pages 2"),
    case("zoom-four-pages-shortcut", "key ctrl+4", "pages 2; rows 2"),
    case("zoom-widen-shortcut", "key ctrl+w", "pages 2; rows 2"),
    case("zoom-100-menu", "key ctrl+1; key alt+v z 1", "zoom 100%; pagewidth 821"),
    case("zoom-page-width-menu", "key alt+v z w", "zoom 150%"),
    case("zoom-whole-page-menu", "key alt+v z h", "zoom 85%; pages 1"),
    case("zoom-two-pages-menu", "key alt+v z t", "pages 2"),
    case("zoom-four-pages-menu", "key alt+v z f", "pages 2; rows 2"),
    case("zoom-widen-menu", "key ctrl+1; key alt+v z o", "pages 2"),
    case("zoom-100-tool", "tool zoom100", "zoom 100%; pagewidth 821"),
    case("zoom-page-width-tool", "tool pagewidth", "zoom 150%"),
    case("zoom-whole-page-tool", "tool wholepage", "zoom 85%"),
    case("zoom-two-pages-tool", "tool twopages", "pages 2"),
    case("zoom-four-pages-tool", "tool fourpages", "rows 2"),
    case("zoom-widen-tool", "tool zoom100; tool widen", "pages 2"),
    case("zoom-popup", "key ctrl+backslash; click preview 640 500 3; key z h", "zoom 85%"),
    case("zoom-on-click", "key ctrl+1; click preview 640 500", "zoom 100%"),
    case("tool-buttons-not-left-pressed", "save fresh; key ctrl+1 ctrl+0 ctrl+backslash ctrl+w ctrl+u ctrl+u "
         "ctrl+backslash; sleep 0.5", "same fresh 205 22 275 30"),
    case("multiple-pages-chooser", "key ctrl+backslash; tool multiple", "popup 40; key Return; nopopup; pages 2"),
    case("zoom-list", "key ctrl+backslash; tool zoomarrow", "popup 150; py popup_wide 141; key Escape"),
    case("zoom-list-choice", "key ctrl+backslash; tool zoomarrow; py click_list_item 5", "zoom 50%; "
         "pagewidth 413"),
    case("zoom-box-type-37", "key alt+z; key ctrl+a; type 37; key Return", "zoom 37%; pagewidth 306"),
    case("zoom-box-enter-gives-focus-back", "key alt+z; key ctrl+a; type 60; key Return; type 9",
         "zoom 60%"),
    case("zoom-box-type-1000", "key alt+z; key ctrl+a; type 1000; key Return", "zoom 500%"),
    case("zoom-box-type-333", "key alt+z; key ctrl+a; type 333; key Return", "zoom 333%"),
    case("zoom-box-type-decimal", "key alt+z; key ctrl+a; type 33.6; key Return", "zoom 34%"),
    case("zoom-box-type-percent", "key alt+z; key ctrl+a; type 75%; key Return", "zoom 75%; pagewidth 618"),
    case("zoom-box-type-invalid", "key ctrl+backslash; key alt+z; key ctrl+a; type abc; key Return",
         "zoom 100%"),
    case("zoom-box-escape", "key ctrl+backslash; key alt+z; key ctrl+a; type 25; key Escape",
         "zoom 100%; focusback; pagewidth 821"),
    case("zoom-box-backspace-delete", "key ctrl+backslash; key alt+z; key End BackSpace BackSpace; "
         "key Home Delete; type 6; key Return", "zoom 60%"),
    case("go-last-key", "key ctrl+1; key End", "pagebox 4"),
    case("go-first-key", "key End; key Home", "pagebox 1"),
    case("go-next-key", "key Home; key Next", "pagebox 2"),
    case("go-previous-key", "key End; key Prior", "pagebox 3"),
    case("go-menu", "key alt+g l", "pagebox 4; key alt+g f; pagebox 1; key alt+g n; pagebox 2; key alt+g p; "
         "pagebox 1"),
    case("go-tools", "tool last", "pagebox 4; tool first; pagebox 1; tool next; pagebox 2; tool prev; "
         "pagebox 1"),
    case("go-popup", "click preview 640 500 3; key l", "pagebox 4; click preview 640 500 3; key p; pagebox 3"),
    case("page-box-type", "key alt+a; key ctrl+a; type 3; key Return", "pagebox 3"),
    case("page-box-delete", "key alt+a; key End BackSpace; type 3; key Home Delete; type 2; key Return",
         "pagebox 2"),
    case("page-box-keys", "key Home; key alt+a; key Up; key Escape", "pagebox 2"),
    case("page-box-buttons", "key Home; py click_page_box_arrow up", "pagebox 2; py click_page_box_arrow down; "
         "pagebox 1"),
    case("margins-toggle", "key ctrl+backslash; save before; key ctrl+m", "changed before 223 80 821 900; "
         "key alt+v m; same before 223 80 821 900"),
    case("margin-bar-toggle", "save before; key alt+v a", "changed before 0 56 1280 24; key alt+v a; "
         "same before 0 56 1280 24"),
    case("status-bar-toggle", "save before; key alt+v s", "changed before 0 1003 1280 21; key alt+v s; "
         "same before 0 1003 1280 21"),
    case("flat-buttons-toggle", "save before; key alt+v f", "changed before 0 19 900 37; key alt+v f; "
         "same before 0 19 900 37"),
    case("large-buttons-toggle", "save before; key alt+v l", "py toolbar_height 54; key alt+v l; "
         "py toolbar_height 38"),
    case("tool-bar-popup", "click preview 1200 36 3", "popup 30; key l; py toolbar_height 54; "
         "click preview 1200 44 3; key l; py toolbar_height 38"),
    case("thumbnails-shortcut", "key ctrl+backslash; save before; key ctrl+u", "changed before 880 80 380 900; "
         "key ctrl+u; same before 880 80 380 900"),
    case("thumbnails-menu-and-tool", "save before; key alt+v u", "changed before 880 80 380 900; "
         "tool thumbnails; same before 880 80 380 900"),
    case("thumbnail-sizes", "key ctrl+u; save large; click preview 1100 990 3; key s",
         "changed large 880 80 380 900; click preview 1100 990 3; key l; same large 880 80 380 900; key ctrl+u"),
    case("thumbnails-enter-keeps-zoom", "key ctrl+u; sleep 1; py click_thumbnail; save before; key Return",
         "same before 880 80 380 900"),
    case("fit-to-page-menu", "key ctrl+1; key alt+o f", "pagebox None; key alt+o f; key End; pagebox 4"),
    case("fit-to-page-tool", "tool fit", "pagebox None; tool fit; key End; pagebox 4"),
    case("fit-to-page-popup", "click preview 640 500 3; key f Return", "pagebox None; key alt+o f"),
]

# ---- the page setup dialog: every tab and control (the report has one page) ----
# The dialog (530 x 474) opens centred, at 375 275 on the screen: regions compared are on the screen.
PS = "key alt+f u; wait Page_Setup"
SETUP = [
    case("tabs-by-keys", PS + "; key alt+m", "py tab_is Page_Setup 1; key alt+h; py tab_is Page_Setup 2; "
         "key alt+s; py tab_is Page_Setup 3; key alt+p; py tab_is Page_Setup 0; shut Page_Setup"),
    case("tabs-by-clicks", PS + "; click Page_Setup 98 21", "py tab_is Page_Setup 1; click Page_Setup 189 21; "
         "py tab_is Page_Setup 2; click Page_Setup 277 21; py tab_is Page_Setup 3; click Page_Setup 35 21; "
         "py tab_is Page_Setup 0; shut Page_Setup"),
    case("paper-a4", PS + "; click Page_Setup 100 137", "py copy Page_Setup 190 203 210.00_mm; "
         "py copy Page_Setup 420 203 297.00_mm; click Page_Setup 403 454; gone Page_Setup; "
         "key ctrl+backslash; pagewidth 799"),
    case("landscape", PS + "; key alt+l", "py copy Page_Setup 190 203 297.00_mm; key Return; gone Page_Setup; "
         "pagewidth 1128; key alt+f u; wait Page_Setup; key alt+o; key Return; pagewidth 799"),
    case("width-typed", PS + "; click Page_Setup 190 203; key ctrl+a; type 150; key Tab",
         "py copy Page_Setup 190 203 150.00_mm; key Return; gone Page_Setup; pagewidth 572"),
    case("width-backspace", PS + "; click Page_Setup 190 203; key End; key BackSpace BackSpace BackSpace "
         "BackSpace BackSpace BackSpace; type 1", "py copy Page_Setup 190 203 1501; shut Page_Setup"),
    case("width-delete", PS + "; click Page_Setup 190 203; key Home Delete; type 2",
         "py copy Page_Setup 190 203 250.00_mm; shut Page_Setup"),
    case("width-invalid-text", PS + "; click Page_Setup 190 203; key ctrl+a; type abc",
         "py copy Page_Setup 190 203 150.00_mm; shut Page_Setup"),
    case("width-spin-button", PS + "; click Page_Setup 270 198", "py copy Page_Setup 190 203 150.10_mm; "
         "click Page_Setup 270 208; py copy Page_Setup 190 203 150.00_mm; shut Page_Setup"),
    # The page is 150 mm wide since width-typed: the program starts afresh after the check.
    case("escape-keeps-page", PS + "; click Page_Setup 100 137; key Escape", "gone Page_Setup; pagewidth 572",
         restart=True),
    case("paper-source-list", PS + "; click Page_Setup 300 232", "popup 20; key Escape; shut Page_Setup"),
    case("print-order-and-shading", PS + "; save before; click Page_Setup 287 330; click Page_Setup 38 399",
         "changed before 645 560 240 60; changed before 395 660 200 30; click Page_Setup 287 302; "
         "click Page_Setup 38 399; same before 645 560 240 60; same before 395 660 200 30; shut Page_Setup"),
    case("margins-typed", PS + "; key alt+m; click Page_Setup 110 113; key ctrl+a; type 30; key Tab",
         "py copy Page_Setup 110 113 30.00_mm; key Return; gone Page_Setup; py margin_line_below 150",
         restart=True),
    case("margins-delete", PS + "; key alt+m; click Page_Setup 110 143; key Home Delete; type 3",
         "py copy Page_Setup 110 143 32.70_mm; shut Page_Setup"),
    case("margins-fix", PS + "; key alt+m; click Page_Setup 110 113; key ctrl+a; type 250; key Tab; "
         "click Page_Setup 70 202", "py copy_not Page_Setup 110 113 250.00_mm; shut Page_Setup"),
    case("margins-restore", PS + "; key alt+m; click Page_Setup 280 113; key ctrl+a; type 40; key Tab; "
         "click Page_Setup 168 202", "py copy Page_Setup 280 113 6.40_mm; shut Page_Setup"),
    case("margins-header-footer", PS + "; key alt+m; click Page_Setup 130 173; key ctrl+a; type 9; "
         "click Page_Setup 270 173; key ctrl+a; type 8; key Tab", "py copy Page_Setup 130 173 9.00_mm; "
         "py copy Page_Setup 270 173 8.00_mm; shut Page_Setup"),
    case("center-on-page", PS + "; key alt+m; save before; click Page_Setup 38 307; click Page_Setup 141 307",
         "changed before 395 570 250 25; key Return; gone Page_Setup; newpdfs; tool print; pdf 1; inked"),
    case("header-footer-texts", PS + "; key alt+h; click Page_Setup 98 130; type Kopfzeile 17; "
         "click Page_Setup 257 261; click Page_Setup 96 347; click Page_Setup 403 454; gone Page_Setup; newpdfs; "
         "tool print",
         "pdf 1; pdftext Kopfzeile 17", OPEN_HEADER_TEXT),
    case("header-band-toggle", "key ctrl+backslash; save before; key alt+v h", "changed before 223 80 821 60; "
         "key alt+v h; same before 223 80 821 60; key alt+v r; key alt+v r"),
    case("vertical-alignment-and-reverse", PS + "; key alt+h; click Page_Setup 98 130; save before; "
         "click Page_Setup 476 345; click Page_Setup 26 385", "changed before 755 605 110 30; "
         "changed before 385 650 200 20; shut Page_Setup"),
    case("header-font-dialog", PS + "; key alt+h; click Page_Setup 63 84", "py new_window Page_Setup; "
         "shut top; window Page_Setup; shut Page_Setup"),
    case("header-font-effects", PS + "; key alt+h; click Page_Setup 63 84; py new_window Page_Setup; "
         "save before; key alt+u", "changed before 0 0 1280 1024; shut top; shut Page_Setup"),
    case("footer-font-dialog", PS + "; key alt+h; click Page_Setup 63 215", "py new_window Page_Setup; "
         "shut top; window Page_Setup; shut Page_Setup"),
    case("scaling-adjust", PS + "; key alt+s; click Page_Setup 175 83; key ctrl+a; type 50; key Return",
         "gone Page_Setup; key ctrl+backslash; py content_narrower 0.6", OPEN_SCALE),
    case("scaling-fit-to", PS + "; key alt+s; click Page_Setup 38 113; key Return", "gone Page_Setup; "
         "key alt+f u; wait Page_Setup; key alt+s; click Page_Setup 38 83; click Page_Setup 175 83; "
         "key ctrl+a; type 100; key Return; gone Page_Setup"),
    case("print-button", PS + "; click Page_Setup 141 454", "gone Page_Setup; window Print; shut Print"),
    case("blank-pages", PS + "; click Page_Setup 100 137; key alt+m; click Page_Setup 110 143; key ctrl+a; "
         "type 20; click Page_Setup 280 143; key ctrl+a; type 20; key Tab; key Return; gone Page_Setup; "
         "newpdfs; tool print", "pdf any; inked"),
]

# ---- the print dialog and printing, on the report of four pages ----
PD = "key ctrl+p; wait Print"
PRINT_OK = "click Print 324 343"
PRINTING = [
    case("print-all", "newpdfs; " + PD + "; " + PRINT_OK, "gone Print; pdf 4; inked"),
    case("print-current-page", "newpdfs; key End; " + PD + "; click Print 26 225; " + PRINT_OK,
         "gone Print; pdf 1"),
    case("print-page-range", "newpdfs; " + PD + "; click Print 26 268; type 2-3; key Return", "gone Print; pdf 2"),
    case("print-range-delete", "newpdfs; " + PD + "; click Print 26 268; type 12,3; key Home Delete; key Return",
         "gone Print; pdf 2"),
    case("print-range-backspace", "newpdfs; " + PD + "; click Print 26 268; type 1,34; key BackSpace; "
         "key Return", "gone Print; pdf 2"),
    case("print-range-refused", PD + "; click Print 26 268; type 9; key Tab; " + PRINT_OK, "py message Return; "
         "window Print; shut Print"),
    case("print-range-empty", PD + "; click Print 26 268; " + PRINT_OK, "py message Return; window Print; "
         "shut Print"),
    case("print-range-letters", PD + "; click Print 26 268; type x1y", "py copy Print 155 268 1; shut Print"),
    case("print-range-warning-leaves-buttons", PD + "; save before; click Print 26 268; type 99; key Tab; "
         "py message_if_any Return", "same before 20 212 110 26 Print", D7),
    case("print-even-pages", "newpdfs; " + PD + "; click Print 397 204; key Down Return; " + PRINT_OK,
         "gone Print; pdf 2"),
    case("print-copies-typed", PD + "; click Print 390 232; key ctrl+a; type 2; click Print 253 259; "
         "save before; click Print 253 259", "changed before 240 270 220 50 Print; py copy Print 390 232 2; "
         "shut Print"),
    case("print-copies-delete", PD + "; click Print 390 232; key End; type 5; key Home Delete",
         "py copy Print 390 232 5; shut Print"),
    case("print-copies-spin", PD + "; click Print 437 227", "py copy Print 390 232 2; click Print 437 237; "
         "py copy Print 390 232 1; shut Print"),
    case("print-to-file", PD + "; click Print 26 146; click Print 200 146; key ctrl+a; py type_path printed; "
         + PRINT_OK, "gone Print; file printed.prn"),
    case("print-browse", PD + "; click Print 26 146; click Print 398 146", "window Choose_File_Name; "
         "shut Choose_File_Name; shut Print", OPEN_BROWSE),
    case("print-properties", PD + "; click Print 398 38", "py new_window Print; shut top; window Print; "
         "shut Print"),
    case("print-printer-list", PD + "; save before; click Print 230 38", "popup 40; key Down Return; "
         "changed before 60 80 300 60 Print; shut Print", restart=True),
    case("print-dialog-page-setup", PD + "; click Print 47 343", "window Page_Setup; shut Page_Setup; "
         "window Print; shut Print"),
    case("print-escape", PD + "; key Escape", "gone Print"),
    case("print-tool-no-dialog", "newpdfs; tool print", "pdf 4; inked"),
    case("print-menu-page-setup-print", "newpdfs; key alt+f u; wait Page_Setup; click Page_Setup 141 454; "
         "wait Print; " + PRINT_OK, "gone Print; pdf 4"),
]

# ---- the format dialogs, options, zoom and Format Report ----
ZOOM = "key alt+v z s; wait Zoom"
FORMATS = [
    case("title-text-printed", "key alt+o i; wait Report_Title; click Report_Title 180 200; type Kalender 2006; "
         "click Report_Title 237 371", "gone Report_Title; newpdfs; tool print; pdf any; pdftext Kalender 2006"),
    case("title-mode-and-properties", "key alt+o i; wait Report_Title; click Report_Title 135 18",
         "popup 30; key Escape; save before; click Report_Title 99 53; changed before 0 60 364 280; "
         "shut Report_Title"),
    case("date-time-lists", "key alt+o t; wait Date_and_Time; save before; click Date_and_Time 106 45; "
         "click Date_and_Time 106 219; click Date_and_Time 15 284", "changed before 0 20 282 280; "
         "click Date_and_Time 154 322; gone Date_and_Time"),
    case("date-time-default", "key alt+o t; wait Date_and_Time; click Date_and_Time 236 284",
         "py message Escape; window Date_and_Time; shut Date_and_Time"),
    case("page-numbering-format", "key alt+o n; wait Page_Number_Format; click Page_Number_Format 139 102; "
         "key ctrl+a; type 4; click Page_Number_Format 178 18; key Down Return",
         "py copy_not Page_Number_Format 139 102 4; shut Page_Number_Format"),
    case("page-numbering-delete", "key alt+o n; wait Page_Number_Format; click Page_Number_Format 139 102; "
         "key End; type 5; key Home Delete", "py copy Page_Number_Format 139 102 5; shut Page_Number_Format",
         D3),
    case("page-numbering-default", "key alt+o n; wait Page_Number_Format; click Page_Number_Format 46 152",
         "py message Escape; window Page_Number_Format; shut Page_Number_Format"),
    case("options-margins-off", "key ctrl+backslash; save before; key alt+f o; wait Options; "
         "click Options 36 67; click Options 329 225", "gone Options; changed before 223 80 821 900; "
         "key alt+f o; wait Options; click Options 36 67; click Options 329 225; same before 223 80 821 900"),
    case("options-units-inches", "save before; key alt+f o; wait Options; click Options 387 69; "
         "key Down Return; click Options 329 225", "gone Options; changed before 0 56 800 24"),
    case("options-margin-colour", "key ctrl+backslash; save before; key alt+f o; wait Options; "
         "click Options 380 133; key Down Down Down Return; click Options 329 225",
         "gone Options; changed before 223 80 821 900; key alt+f o; wait Options; click Options 380 133; "
         "key Home Return; click Options 329 225; gone Options; same before 223 80 821 900"),
    case("options-zoom-step-delete", "key alt+f o; wait Options; click Options 128 183; key Home Delete; "
         "type 2", "py copy Options 128 183 20_%; shut Options", D3),
    case("zoom-dialog-50", "key ctrl+backslash; " + ZOOM + "; click Zoom 27 146; click Zoom 303 261",
         "gone Zoom; zoom 50%; pagewidth 413"),
    case("zoom-dialog-radios", ZOOM + "; click Zoom 27 36", "py copy Zoom 112 217 500_%; click Zoom 27 58; "
         "click Zoom 27 80; click Zoom 27 102; click Zoom 27 124; click Zoom 27 168; click Zoom 27 190; "
         "py copy Zoom 112 217 10_%; click Zoom 109 36; click Zoom 109 58; click Zoom 109 124; "
         "click Zoom 303 261; gone Zoom; pages 1"),
    case("zoom-dialog-percent-typed", ZOOM + "; click Zoom 112 217; key ctrl+a; type 37; key Tab; "
         "click Zoom 303 261", "gone Zoom; zoom 37%"),
    case("zoom-dialog-percent-delete", ZOOM + "; click Zoom 112 217; key ctrl+a; type 150; key Home Delete",
         "py copy Zoom 112 217 50; shut Zoom", D3),
    case("zoom-dialog-percent-enter", "key ctrl+backslash; " + ZOOM + "; click Zoom 112 217; key ctrl+a; "
         "type 75; key Return", "gone Zoom; zoom 75%"),
    case("zoom-dialog-cancel", "key ctrl+backslash; " + ZOOM + "; click Zoom 27 190; click Zoom 383 261",
         "gone Zoom; zoom 100%"),
    case("zoom-dialog-many-pages", ZOOM + "; click Zoom 141 158", "popup 40; key Return; nopopup; "
         "click Zoom 303 261; gone Zoom"),
    case("format-report-options", "key ctrl+d; wait Format_Report; save before; click Format_Report 48 70",
         "changed before 0 0 590 342; click Format_Report 544 324; click Format_Report 48 70; "
         "click Format_Report 386 324; gone Format_Report"),
    case("format-report-controls", "key ctrl+backslash; save before; key ctrl+d; wait Format_Report; "
         "click Format_Report 102 19; click Format_Report 67 65; click Format_Report 386 324",
         "gone Format_Report; changed before 223 80 821 500; key ctrl+d; wait Format_Report; "
         "click Format_Report 102 19; click Format_Report 520 50; click Format_Report 520 79; "
         "click Format_Report 386 324; gone Format_Report; same before 223 80 821 500"),
    case("format-report-title", "key ctrl+d; wait Format_Report; click Format_Report 65 324",
         "window Report_Title; shut Report_Title; shut Format_Report"),
]

# ---- the page background palette (its own window, titled " Page Background") and the fill effects ----
RED, BLUE = "255,4,0", "0,4,255"
PAGE_SPOT = "preview 235 300"  # the first page's left margin at 100 %
PALETTE = [
    case("palette-colour", "key ctrl+backslash; key ctrl+k; wait _Page_Background; click _Page_Background 11 73",
         "gone _Page_Background; colour %s %s" % (PAGE_SPOT, RED)),
    case("palette-menu", "key ctrl+backslash; key alt+o k; wait _Page_Background; click _Page_Background 101 55",
         "gone _Page_Background; colour %s %s" % (PAGE_SPOT, BLUE)),
    case("palette-tool", "key ctrl+backslash; tool background; wait _Page_Background; "
         "click _Page_Background 101 55", "gone _Page_Background; colour %s %s" % (PAGE_SPOT, BLUE)),
    case("palette-no-fill", "key ctrl+backslash; key ctrl+k; wait _Page_Background; click _Page_Background 11 73; "
         "key ctrl+k; wait _Page_Background; click _Page_Background 74 14",
         "gone _Page_Background; colour %s 255,255,255" % PAGE_SPOT),
    case("palette-escape", "key ctrl+k; wait _Page_Background; key Escape", "gone _Page_Background; "
         "key ctrl+p; window Print; shut Print"),
    case("palette-page-setup", "key alt+f u; wait Page_Setup; key alt+h; key alt+b; wait _Page_Background; "
         "key Escape", "gone _Page_Background; window Page_Setup; click Page_Setup 484 454; gone Page_Setup"),
    case("fill-effects", "key ctrl+k; wait _Page_Background; click _Page_Background 74 162", "window Fill_Effects; "
         "shut Fill_Effects"),
]

# ---- report files: save, load, unload ----
FILES = [
    case("load-cancel", "key ctrl+o; wait Load_Report; click Load_Report 310 388", "gone Load_Report; "
         "py title_is Print_Preview"),
    case("save-report", "key ctrl+s; wait Save_Report_As; py type_path takvim; key Return",
         "gone Save_Report_As; file takvim.rps"),
    case("load-report", "key ctrl+o; wait Load_Report; py type_path takvim.rps; key Return",
         "gone Load_Report; py title_has takvim"),
    case("unload-shortcut", "key ctrl+o; wait Load_Report; py type_path takvim.rps; key Return; "
         "py title_has takvim; key ctrl+F4", "py title_is Print_Preview", None, True),
    case("unload-menu-and-tool", "key ctrl+o; wait Load_Report; py type_path takvim.rps; key Return; "
         "py title_has takvim; key alt+f n", "py title_is Print_Preview; key ctrl+o; wait Load_Report; "
         "py type_path takvim.rps; key Return; py title_has takvim; tool unload; py title_is Print_Preview",
         None, True),
    case("load-picture-pane", "key ctrl+o; wait Load_Report; py type_path takvim.rps; "
         "py click_highlight Load_Report 200; sleep 1.5", "py pane_fitted; shut Load_Report"),
]

# ---- without a print scheduler ----
NO_PRINTER = [
    case("status-says-no-printer", "", "py status_short"),
    case("print-disabled-no-printer", "key ctrl+p; sleep 1.5", "gone Print"),
]

# ---- the main window's four commands (the preview is closed first) ----
MAIN = [
    case("print-from-main", "newpdfs; key alt+f c; gone preview; click main 300 200 3; key Down Down Down Return",
         "pdf 1; inked; reopen"),
    case("choose-photo", "key alt+f c; gone preview; save before; click main 300 200 3; key Down Return; "
         "py new_window; py type_other_photo; key Return", "changed before 0 0 1280 1024; reopen"),
    case("exit", "key alt+f c; gone preview; click main 300 200 3; key Up Return", "py program_ended", None,
         True),
]

# ---- with print styles (--print-styles): the auto-text editor and the styles ----
# Both dialogs open in the middle of the screen. Edit AutoText Entries (394 x 358): OK at 267 336, its list
# on the screen inside 470 390 240 120. Define Print Styles (372 x 262): Copy at 322 64, its list on the
# screen inside 470 412 240 170. The preview's pop-up menu: Design, Page Setup, Print Styles (one style
# at first: its submenu is 46 pixels high, 68 with two).
STYLE_MENU = "click preview 640 500 3; key Down Down Down Right"
STYLES = [
    case("autotext-menu", "key alt+o x", "window Edit_AutoText_Entries; centred Edit_AutoText_Entries; "
         "size Edit_AutoText_Entries 394 358; shut Edit_AutoText_Entries"),
    case("autotext-add-enter", "key alt+o x; wait Edit_AutoText_Entries; save before; type AAA [Page #]; "
         "key Return", "window Edit_AutoText_Entries; changed before 470 390 240 120; "
         "click Edit_AutoText_Entries 267 336; gone Edit_AutoText_Entries"),
    case("page-setup-tool-with-styles", "tool pagesetup", "window Page_Setup:_Standard_Style; "
         "shut Page_Setup:_Standard_Style"),
    case("page-setup-drop-down", "py click_tool_arrow pagesetup", "popup 40; key Escape; nopopup; "
         "window preview"),
    case("print-styles-popup", STYLE_MENU, "py submenu 40; key Escape Escape; nopopup"),
    case("define-styles-popup", STYLE_MENU + " d", "window Define_Print_Styles; centred Define_Print_Styles; "
         "size Define_Print_Styles 372 262; shut Define_Print_Styles"),
    case("define-styles-copy", STYLE_MENU + " d; wait Define_Print_Styles; save before; "
         "click Define_Print_Styles 322 64", "changed before 470 412 240 170; shut Define_Print_Styles; " +
         STYLE_MENU + "; py submenu 60; key Escape Escape"),
]

GROUPS = [
    Group("opening", OPENING, [], True),
    Group("view", VIEW, [MANY_PAGES], True),
    Group("setup", SETUP, [], True),
    Group("printing", PRINTING, [MANY_PAGES], True),
    Group("formats", FORMATS, [], True),
    Group("palette", PALETTE, [], True),
    Group("files", FILES, [], True),
    Group("noprinter", NO_PRINTER, [], False),
    Group("main", MAIN, [], True),
    Group("styles", STYLES, [], True, ("--print-styles",)),
]

"""The words of the case table: what a person does, and what must show.

A case's "do" and "expect" columns are lines of words separated by ";".
Window names in them are the window titles with "_" for blanks; "preview"
is the preview window, "main" the main window and "top" the window that
opened last. Coordinates are pixels inside the named window (negative ones
count from its right or bottom edge).

Doing:
  key K...            keys (xdotool names) to the focused window
  type TEXT           types the text (up to the next ";")
  focus WIN           gives WIN the keyboard focus
  click WIN X Y [B] [N]  clicks (button B, N times) inside WIN
  drag WIN X1 Y1 X2 Y2   drags with the left button held
  tool NAME           clicks the preview's tool button NAME
  shut WIN            presses Escape in WIN and waits until it is gone
  wait WIN            waits until WIN is open
  save NAME           keeps a screenshot under NAME
  sleep S
  reopen              opens the preview again from the main window

Seeing:
  window WIN / gone WIN       the window is open / not open
  centred WIN                 WIN is centred on the preview window
  size WIN W H                WIN has that size
  zoom TEXT                   the zoom box reads TEXT
  pagebox TEXT                the page box reads TEXT
  pagewidth N [TOL]           the first page in the middle row is N pixels wide
  pages N                     N pages in the middle row of the preview
  rows N                      N rows of pages in the preview
  colour WIN X Y R,G,B [TOL]  the mean colour of a 5x5 spot
  changed NAME X Y W H [WIN]  that region (of the screen, or inside WIN) differs from the screenshot NAME
  same NAME X Y W H [WIN]     that region is as in the screenshot NAME
  popup [H]                   a menu or drop-down at least H pixels high is open
  nopopup                     no menu or drop-down is open
  pdf N                       a new printed PDF with N pages arrived
  pdftext TEXT                the last PDF holds the text
  inked                       every page of the last PDF shows something
  file NAME                   the file NAME was written in the program's folder
"""

import glob
import time as _t
import os
import re
import time

import guisupport as gs
from guisupport import CaseFailure, check

PREVIEW = "Print Preview( - .*)?"
BACKGROUND = (128, 128, 128)  # the preview's background around the pages

# The centres of the preview's small tool buttons (25 x 24, in groups), the zoom box and the page box.
TOOL_PLACES = {"design": 15, "load": 48, "save": 74, "unload": 100, "print": 133, "printdialog": 159,
               "pagesetup": 185, "thumbnails": 218, "fit": 252, "background": 278, "zoom100": 311,
               "pagewidth": 337, "wholepage": 363, "twopages": 389, "fourpages": 415, "multiple": 441,
               "widen": 467, "zoombox": 527, "zoomarrow": 612, "first": 640, "prev": 667, "pagebox": 711,
               "next": 754, "last": 782}


class Context:
    def __init__(self, session):
        self.session = session
        self.main = None
        self.last = None
        self.saved = {}
        self.pdfs_seen = set()
        self.pdf = None

    def win(self, name):
        if name == "preview":
            return self.session.wait_window(PREVIEW)
        if name == "main":
            return self.session.wait_window("Ardel Sorvan")
        if name == "top":
            check(self.last is not None, "no window opened yet")
            return self.last
        return self.session.wait_window(title(name))


def title(name):
    return re.escape(name.replace("_", " "))


def open_preview(ctx):
    """The main window's context menu on the photo, then "Önizleme"."""
    for attempt in range(4):  # a program just started may not take the first click yet
        ctx.main.focus()
        ctx.main.click(300, 200, button=3)
        if gs.wait_until(ctx.session.popups, 3):
            break
    else:
        raise CaseFailure("the photo's context menu did not open")
    ctx.session.key("Down", "Down", "Return")
    preview = ctx.session.wait_window(PREVIEW, timeout=30)
    preview.focus()
    time.sleep(0.5)
    return preview


# ---- the preview window's parts ----

def toolbar_buttons(ctx):
    """Centres of the tool buttons as {name: (x, y)}: the small buttons' places, and the close button
    (with the help button before it, when shown) found by their glyphs at the right end."""
    preview = ctx.win("preview")
    img = preview.shot()
    top = menu_height(img)
    y = top + 17
    names = {name: (x, y) for name, x in TOOL_PLACES.items()}
    bar = img.pixel(img.width - 8, top + 6)
    ink = [x for x in range(TOOL_PLACES["last"] + 14, img.width)
           if any(gs.colour_distance(img.pixel(x, yy), bar) > 40 for yy in range(top + 8, top + 30))]
    check(ink, "the tool bar shows no close button")
    names["close"] = ((ink[-1] + next(x for x in reversed(ink) if x < ink[-1] - 20 or x == ink[0])) // 2
                      if False else ink[-1] - 4, y)
    if ink[0] < ink[-1] - 24:
        names["help"] = (ink[0] + 4, y)
    return names


def menu_height(img):
    """The first row below the menu bar (the tool bar's top)."""
    bar = img.pixel(img.width - 8, 4)
    for y in range(8, 60):
        if gs.colour_distance(img.pixel(img.width - 8, y), bar) > 8:
            return y
    return 19


def preview_area(img):
    """(x0, y0, x1, y1) of the page area: the widest run of the background colour down the left edge."""
    col = [gs.colour_distance(img.pixel(6, y), BACKGROUND) <= 6 for y in range(img.height)]
    best, start = (0, 0), None
    for y, bg in enumerate(col + [False]):
        if bg and start is None:
            start = y
        elif not bg and start is not None:
            if y - start > best[1] - best[0]:
                best = (start, y)
            start = None
    check(best[1] - best[0] > 100, "no page area in the preview window")
    return 6, best[0], img.width - 20, best[1]


def read_box(ctx, shortcut):
    """What a person copies out of the zoom box (Alt+Z) or the page box (Alt+A), then leaves it with
    Escape. None when the box takes no focus (disabled). When the focus stays in the box after Escape,
    ctx.stuck names the box and the focus is given back to the preview by a click."""
    s = ctx.session
    ctx.win("preview").focus()
    s.set_clipboard("(nothing copied)")
    s.xdo("key", "--delay", 60, shortcut, "ctrl+a", "ctrl+c")
    time.sleep(0.25)
    text = s.clipboard().strip()
    s.key("Escape")
    if text == "(nothing copied)":
        return None
    s.set_clipboard("(focus left)")
    s.xdo("key", "--delay", 60, "ctrl+a", "ctrl+c")
    time.sleep(0.2)
    ctx.stuck = None
    if s.clipboard().strip() != "(focus left)":
        ctx.stuck = shortcut
        give_preview_focus(ctx)
    return text


def give_preview_focus(ctx):
    """A click on the preview's background (or the page box's Escape) puts the focus on the pages."""
    preview = ctx.win("preview")
    img = preview.shot()
    try:
        x0, y0, x1, y1 = preview_area(img)
    except CaseFailure:
        x0, y0, x1, y1 = 6, 80, img.width - 20, img.height - 24
    for x, y in ((x0 + 2, (y0 + y1) // 2), (x0 + 2, y1 - 3), (x1 - 3, y1 - 3)):
        if gs.colour_distance(img.pixel(x, y), BACKGROUND) <= 6:
            preview.click(x, y)
            return
    ctx.session.key("alt+a", "Escape")


def page_grid(img):
    """The pages shown, as rows of (left, right) runs; only rows at least 60 pixels high count."""
    x0, y0, x1, y1 = preview_area(img)
    ys = set()
    for x in range(x0 + 4, x1, 16):
        for a, b in img.column_runs(x, BACKGROUND, y0, y1, tolerance=6):
            if b - a >= 60:
                ys.add((a, b))
    rows = []
    for a, b in sorted(ys):
        if rows and a < rows[-1][1]:
            rows[-1] = (min(rows[-1][0], a), max(rows[-1][1], b))
        else:
            rows.append((a, b))
    return [[r for r in img.runs((a + b) // 2, BACKGROUND, x0, x1, tolerance=6) if r[1] - r[0] > 4]
            for a, b in rows]


# ---- doing ----

def run_steps(ctx, line):
    for step in split(line):
        words = step.split()
        verb, args = words[0], words[1:]
        s = ctx.session
        if verb == "key":
            s.key(*args)
        elif verb == "type":
            s.type(step.split(None, 1)[1] if len(words) > 1 else "")
        elif verb == "focus":
            ctx.win(args[0]).focus()
        elif verb == "click":
            w = ctx.win(args[0])
            w.focus()
            button = int(args[3]) if len(args) > 3 else 1
            w.click(int(args[1]), int(args[2]), button=button, repeat=int(args[4]) if len(args) > 4 else 1)
        elif verb == "drag":
            w = ctx.win(args[0])
            x, y, _, _ = w.geometry()
            x1, y1, x2, y2 = (int(a) for a in args[1:5])
            s.mouse(x + x1, y + y1)
            s.xdo("mousedown", 1)
            for i in range(1, 6):
                s.mouse(x + x1 + (x2 - x1) * i // 5, y + y1 + (y2 - y1) * i // 5)
                time.sleep(0.05)
            s.xdo("mouseup", 1)
            time.sleep(0.3)
        elif verb == "tool":
            buttons = toolbar_buttons(ctx)
            check(args[0] in buttons, "no tool button %s" % args[0])
            ctx.win("preview").click(*buttons[args[0]], button=int(args[1]) if len(args) > 1 else 1)
        elif verb == "shut":
            w = ctx.win(args[0])
            w.focus()
            s.key("Escape")
            check(gs.wait_until(lambda: not w.visible(), 5), "%s did not close" % args[0].replace("_", " "))
            time.sleep(0.2)
        elif verb == "wait":
            ctx.last = ctx.win(args[0])
        elif verb == "save":
            ctx.saved[args[0]] = s.shot()
        elif verb == "sleep":
            time.sleep(float(args[0]))
        elif verb == "reopen":
            open_preview(ctx)
        elif verb == "py":
            PY[args[0]](ctx, *args[1:])
        elif verb == "newpdfs":
            ctx.pdfs_seen = set(glob.glob(os.path.join(s.pdf_folder(), "*.pdf")))
        elif verb in CHECKS:
            run_checks(ctx, step)  # a check among the steps: made in its turn
        else:
            raise CaseFailure("unknown step %r" % step)


def split(line):
    return [part.strip() for part in (line or "").split(";") if part.strip()]


# ---- seeing ----

CHECKS = {"window", "gone", "centred", "size", "zoom", "pagebox", "pagewidth", "pages", "rows", "focusback",
          "colour", "changed", "same", "popup", "nopopup", "pdf", "pdftext", "inked", "running", "file"}

def run_checks(ctx, line):
    for item in split(line):
        words = item.split()
        verb, args = words[0], words[1:]
        s = ctx.session
        if verb == "window":
            ctx.last = ctx.win(args[0])
        elif verb == "gone":
            s.wait_gone(title(args[0]) if args[0] != "preview" else PREVIEW)
        elif verb == "centred":
            w, p = ctx.win(args[0]).geometry(), ctx.win("preview").geometry()
            dx = (w[0] + w[2] / 2) - (p[0] + p[2] / 2)
            dy = (w[1] + w[3] / 2) - (p[1] + p[3] / 2)
            check(abs(dx) <= 10 and abs(dy) <= 40,
                  "%s opens at %d,%d (%dx%d), not centred on the preview window" % (args[0].replace("_", " "), *w))
        elif verb == "size":
            w = ctx.win(args[0]).geometry()
            check((w[2], w[3]) == (int(args[1]), int(args[2])), "%s is %dx%d" % (args[0], w[2], w[3]))
        elif verb == "zoom":
            text = read_box(ctx, "alt+z")
            check(str(text) == args[0], "the zoom box reads %r, not %r" % (text, args[0]))
        elif verb == "pagebox":
            text = read_box(ctx, "alt+a")
            check(str(text) == args[0], "the page box reads %r, not %r (None: disabled)" % (text, args[0]))
        elif verb == "pagewidth":
            want, tol = int(args[0]), int(args[1]) if len(args) > 1 else 6
            grid = page_grid(ctx.win("preview").shot())
            check(grid and grid[0], "no page in the preview")
            got = grid[0][0][1] - grid[0][0][0]
            check(abs(got - want) <= tol, "the page is %d pixels wide, not %d" % (got, want))
        elif verb == "pages":
            grid = page_grid(ctx.win("preview").shot())
            check(grid and len(grid[0]) == int(args[0]),
                  "%d pages side by side (%s), not %s" % (len(grid[0]) if grid else 0, grid, args[0]))
        elif verb == "rows":
            grid = page_grid(ctx.win("preview").shot())
            check(len(grid) == int(args[0]), "%d rows of pages (%s), not %s" % (len(grid), grid, args[0]))
        elif verb == "focusback":
            check(not getattr(ctx, "stuck", None), "the focus stays in the box after Escape")
        elif verb == "colour":
            w = ctx.win(args[0])
            img = w.shot()
            x, y = int(args[1]), int(args[2])
            x = x if x >= 0 else img.width + x
            y = y if y >= 0 else img.height + y
            got = img.mean(x - 2, y - 2, 5, 5)
            want = tuple(int(c) for c in args[3].split(","))
            tol = int(args[4]) if len(args) > 4 else 24
            check(gs.near(got, want, tol), "colour at %d,%d of %s is %s, not %s" % (x, y, args[0], got, want))
        elif verb in ("changed", "same"):
            before = ctx.saved[args[0]]
            now = s.shot()
            x, y, w, h = (int(a) for a in args[1:5])
            if len(args) > 5:  # the region inside a window that is open now
                wx, wy, _, _ = ctx.win(args[5]).geometry()
                x, y = x + wx, y + wy
            a, b = gs.crop(before, x, y, w, h).data, gs.crop(now, x, y, w, h).data
            if verb == "changed":
                check(a != b, "nothing changed in %s" % (args[1:5],))
            else:
                check(a == b, "the region %s changed" % (args[1:5],))
        elif verb == "popup":
            need = int(args[0]) if args else 10
            found = gs.wait_until(lambda: [p for p in s.popups() if p[4] >= need], 3)
            check(found, "no menu or drop-down at least %d pixels high opened" % need)
            ctx.popup = found[-1]
        elif verb == "nopopup":
            check(gs.wait_until(lambda: not s.popups(), 3), "a menu or drop-down is still open")
        elif verb == "pdf":
            ctx.pdf = wait_pdf(ctx)
            pages = sum(pdf_pages(f) for f in ctx.pdf)
            check(args[0] == "any" or pages == int(args[0]), "the printed PDF has %d pages, not %s" % (pages, args[0]))
        elif verb == "pdftext":
            text = "".join(gs.run("pdftotext", "-layout", f, "-").stdout for f in ctx.pdf)
            want = item.split(None, 1)[1]
            check(want in text, "the printed PDF does not show %r" % want)
        elif verb == "inked":
            blank = [(os.path.basename(f), p) for f in ctx.pdf for p in blank_pages(f)]
            check(not blank, "printed pages %s show nothing" % blank)
        elif verb == "py":
            PY[args[0]](ctx, *args[1:])
        elif verb == "running":
            check(s.running(), "the program ended")
        elif verb == "file":
            path = os.path.join(s.tmp, args[0])
            check(gs.wait_until(lambda: os.path.exists(path) and os.path.getsize(path) > 0, 8),
                  "no file %s was written" % args[0])
        else:
            run_steps(ctx, item)  # a step among the checks: done in its turn


def wait_pdf(ctx):
    """The PDFs printed since `newpdfs` (a job may arrive as one file per page): waits until at least
    one is complete and no further one arrives for two seconds."""
    folder = ctx.session.pdf_folder()

    def fresh():
        now = set(glob.glob(os.path.join(folder, "*.pdf"))) - ctx.pdfs_seen
        return sorted(f for f in now if os.path.getsize(f) > 0 and time.time() - os.path.getmtime(f) > 0.5)

    found = gs.wait_until(fresh, 40, 0.3)
    check(found, "no printed PDF arrived")
    while True:
        time.sleep(2)
        more = fresh()
        if len(more) == len(found):
            break
        found = more
    ctx.pdfs_seen |= set(found)
    return found


def pdf_pages(path):
    info = gs.run("pdfinfo", path).stdout
    return int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))


def blank_pages(path):
    """Numbers of the pages of a PDF with hardly any ink (under 1 % of their area: blank, or a sliver)."""
    blank = []
    for page in range(1, pdf_pages(path) + 1):
        ppm = gs.run("pdftoppm", "-r", "20", "-f", str(page), "-l", str(page), path, text=False).stdout
        img = gs.Image.from_ppm(ppm)
        inked = sum(1 for i in range(0, len(img.data), 3) if min(img.data[i:i + 3]) < 200)
        if inked < img.width * img.height * 0.01:
            blank.append(page)
    return blank


# ---- the few checks that need more than one word ----

def tree_root_dark(ctx):
    """The Format Report tree's root "Form1" is drawn in the text colour, not greyed."""
    w = ctx.win("Format_Report")
    w.click(102, 19)
    w.click(200, 200)  # nothing selected under the mouse: the root shows unselected
    img = w.shot()
    darkest = min(min(img.pixel(x, y)) for x in range(58, 95) for y in range(42, 55))
    check(darkest < 80, "the tree's root is drawn grey (darkest pixel %d)" % darkest)


def tab_is(ctx, name, index):
    """The dialog shows tab `index`: the chosen tab is drawn lighter than the others."""
    img = ctx.win(name).shot()
    spots = [12, 66, 140, 250]
    light = [sum(img.mean(x, 5, 4, 10)) for x in spots]
    chosen = light.index(max(light))
    check(chosen == int(index), "%s opened on tab %d, not %s" % (name.replace("_", " "), chosen, index))


def double_click_status(ctx, x):
    p = ctx.win("preview")
    p.click(int(x), -11, repeat=2)


def hover_menu_item(ctx, index):
    """Moves the mouse over item `index` (0 first, separators not counted) of the open menu."""
    popup = gs.wait_until(ctx.session.popups, 3)
    check(popup, "no menu opened")
    wid, x, y, w, h = popup[-1]
    img = ctx.session.shot()
    rows = [r for r in img.column_runs(x + w // 2, img.pixel(x + 3, y + 3), y + 2, y + h - 2, tolerance=30)]
    ctx.session.mouse(x + 40, y + 14 + 25 * int(index))
    time.sleep(0.8)


def help_menu(ctx):
    """Alt+H opens a Help menu with an item, or there is no Help menu at all."""
    p = ctx.win("preview")
    p.focus()
    ctx.session.key("alt+h")
    found = gs.wait_until(ctx.session.popups, 2)
    ctx.session.key("Escape", "Escape")
    if found:
        check(found[-1][4] > 16, "the Help menu opens empty (%d pixels high)" % found[-1][4])
    else:
        img = p.shot()
        ink = [x for x in range(175, 210) if min(img.pixel(x, 8)) < 100]
        check(not ink, "the menu bar shows Help, but Alt+H opens nothing")


def popup_wide(ctx, width):
    check(ctx.popup[3] >= int(width), "the list is %d pixels wide, under %s" % (ctx.popup[3], width))


def click_list_item(ctx, index):
    """Clicks entry `index` (0 first) of the open drop-down list (entries of equal height)."""
    found = gs.wait_until(ctx.session.popups, 3)
    check(found, "no list opened")
    wid, x, y, w, h = found[-1]
    img = ctx.session.shot()
    # The list's entries: count them by the highlight of the current one to learn their height.
    entries = 13
    step = (h - 4) / entries
    ctx.session.mouse(x + w // 3, int(y + 2 + step * (int(index) + 0.5)))
    time.sleep(0.2)
    ctx.session.xdo("click", 1)
    time.sleep(0.5)


def click_page_box_arrow(ctx, which):
    x, y = toolbar_buttons(ctx)["pagebox"]
    ctx.win("preview").click(x + 22, y - 5 if which == "up" else y + 6)


def toolbar_height(ctx, height):
    """The tool bar is `height` pixels high: the margin bar starts that far below the menu bar."""
    img = ctx.win("preview").shot()
    top = menu_height(img)
    x0, y0, x1, y1 = preview_area(img)
    # The margin bar's height (20) and the frame above the pages lie between the tool bar and the pages.
    got = y0 - top - 23
    check(abs(got - int(height)) <= 3, "the tool bar is %d pixels high, not %s" % (got, height))


def click_thumbnail(ctx):
    """Clicks the second thumbnail (the pane at the right of the preview)."""
    img = ctx.win("preview").shot()
    x0, y0, x1, y1 = preview_area(img)
    for y in range(y0 + 10, y1, 4):
        runs = [r for r in img.runs(y, BACKGROUND, 880, x1, tolerance=6) if r[1] - r[0] > 20]
        if len(runs) >= 2:
            ctx.win("preview").click((runs[1][0] + runs[1][1]) // 2, y + 10)
            return
    raise CaseFailure("no thumbnails shown")


def click_highlight(ctx, name, x):
    """Clicks the highlighted (selected) row down column x of window `name`, as a person clicks the
    entry a typed name picked out in a list."""
    w = ctx.win(name)
    img = w.shot()
    rows = [y for y in range(img.height) if gs.near(img.pixel(int(x), y), (48, 140, 198), 30)]
    check(rows, "no highlighted row down x %s of %s" % (x, name.replace("_", " ")))
    if ctx.session.popups():  # the name's completion list takes the first click away
        w.click(int(x), (rows[0] + rows[-1]) // 2)
        time.sleep(0.5)
    w.click(int(x), (rows[0] + rows[-1]) // 2)


def copied(ctx, name, x, y):
    """Clicks into a box of window `name` and copies its whole text, as a person checks it."""
    w = ctx.win(name)
    w.click(int(x), int(y))
    s = ctx.session
    s.set_clipboard("(nothing copied)")
    s.xdo("key", "--delay", 60, "ctrl+a", "ctrl+c")
    time.sleep(0.2)
    return s.clipboard().strip()


def copy(ctx, name, x, y, want):
    got = copied(ctx, name, x, y)
    want = want.replace("_", " ")
    check(got == want, "the box at %s,%s of %s reads %r, not %r" % (x, y, name.replace("_", " "), got, want))


def copy_not(ctx, name, x, y, unwanted):
    got = copied(ctx, name, x, y)
    check(got != unwanted.replace("_", " "), "the box at %s,%s still reads %r" % (x, y, got))


def margin_line_below(ctx, y):
    """The top margin line of the first page lies below y (a dashed line across the page)."""
    img = ctx.win("preview").shot()
    grid = page_grid(img)
    check(grid and grid[0], "no page shown")
    a, b = grid[0][0]
    x = a + (b - a) // 3
    dark = [yy for yy in range(85, 400) if min(img.pixel(x, yy)) < 90 and min(img.pixel(x + 1, yy)) < 200]
    lines = [yy for yy in dark if yy > 100]
    check(lines and lines[0] > int(y), "the top margin line lies at %s, not below %s" % (lines[:3], y))


def content_narrower(ctx, share):
    """The photo on the first page is at most `share` of its width at full scale (0.75 of the page)."""
    img = ctx.win("preview").shot()
    grid = page_grid(img)
    check(grid and grid[0], "no page shown")
    a, b = grid[0][0]
    y = (80 + 400)
    inked = [x for x in range(a + 4, b - 4) if min(img.pixel(x, y)) < 230]
    width = (inked[-1] - inked[0]) if inked else 0
    check(width < (b - a) * float(share), "the content is %d of %d pixels wide" % (width, b - a))


def others(ctx):
    """Visible windows other than the main and the preview window."""
    main_id = ctx.main.id if ctx.main else None
    out = []
    for w in ctx.session.windows(".+"):
        name = w.title
        if w.id == main_id or not name or name.startswith("Print Preview"):
            continue
        out.append(w)
    return out


def message(ctx, key="Return"):
    """A message box (titled with the program's name) is shown; `key` answers it."""
    main_id = ctx.main.id
    box = gs.wait_until(lambda: [w for w in ctx.session.windows("Ardel Sorvan") if w.id != main_id], 5)
    check(box, "no message box appeared")
    box[-1].focus()
    ctx.session.key(key)
    check(gs.wait_until(lambda: not [w for w in ctx.session.windows("Ardel Sorvan") if w.id != main_id], 4),
          "the message box did not close")


def message_if_any(ctx, key="Return"):
    main_id = ctx.main.id
    if gs.wait_until(lambda: [w for w in ctx.session.windows("Ardel Sorvan") if w.id != main_id], 1.5):
        message(ctx, key)


def new_window(ctx, *besides):
    """A further window opened (its title is not checked), besides the named ones; it becomes "top"."""
    names = tuple(b.replace("_", " ") for b in besides)
    found = gs.wait_until(lambda: [w for w in others(ctx) if not w.title.startswith(names or ("\0",))], 6)
    check(found, "no window opened")
    ctx.last = found[-1]


def new_look(ctx, name):
    """The window looks different from the screenshot `before` (a click changed what it shows)."""
    ctx.session.key()


def type_path(ctx, name):
    ctx.session.type(os.path.join(ctx.session.tmp, name))


def title_has(ctx, word):
    check(gs.wait_until(lambda: [w for w in ctx.session.windows(PREVIEW) if word in w.title], 6),
          "the preview's title does not name %s (%s)" % (word, ctx.session.titles()))


def title_is(ctx, name):
    name = name.replace("_", " ")
    check(gs.wait_until(lambda: ctx.session.windows(re.escape(name)), 6),
          "the preview's title is not %r (%s)" % (name, ctx.session.titles()))


def pane_fitted(ctx):
    """The Load Report dialog's picture pane (x 357 to 612 of the dialog) shows the whole page: across
    the photo's rows the page sits inside the pane, with the pane's white on both sides."""
    img = ctx.win("Load_Report").shot()
    y = 170
    check(min(img.pixel(485, y)) < 250, "the picture pane shows no page")
    inside = [x for x in range(360, 610) if min(img.pixel(x, y)) > 250]
    check(inside and inside[0] < 370 and inside[-1] > 600,
          "the pane is white only over %s: the page is not fitted" % (inside[:1] + inside[-1:]))


def status_short(ctx):
    """The status text (after "Status:") is not the long text about margins outside the printable area."""
    img = ctx.win("preview").shot()
    y = img.height - 11
    ink = [x for x in range(500, img.width - 30) if min(img.pixel(x, y)) < 100 or min(img.pixel(x, y - 2)) < 100]
    width = ink[-1] - ink[0] if ink else 0
    check(width < 300, "the status text is %d pixels long: it speaks of margins, not of the missing printer" % width)


def type_other_photo(ctx):
    path = os.path.join(ctx.session.tmp, "other.jpg")
    gs.run("convert", "-size", "320x240", "xc:#20b040", "-quality", "90", path)
    ctx.session.key("ctrl+a")
    ctx.session.type(path)


def program_ended(ctx):
    check(gs.wait_until(lambda: not ctx.session.running(), 10), "the program is still running")


def click_tool_arrow(ctx, name):
    """Clicks the drop-down arrow of tool button `name`, which then is wider than its glyph's place."""
    x, y = toolbar_buttons(ctx)[name]
    ctx.win("preview").click(x + 18, y)


def submenu(ctx, height):
    """A submenu is open beside its menu (two menus at least), and it (the menu furthest right) is
    `height` pixels high or more."""
    found = gs.wait_until(lambda: len(ctx.session.popups()) >= 2 and ctx.session.popups(), 3)
    check(found, "no submenu opened")
    sub = max(found, key=lambda p: p[1])
    check(sub[4] >= int(height), "the submenu is %d pixels high, under %s" % (sub[4], height))


PY = {f.__name__: f for f in (title_has, title_is, pane_fitted, status_short, type_other_photo, program_ended,
                              message, message_if_any, new_window, new_look, type_path, copy, copy_not, margin_line_below, content_narrower, tree_root_dark, tab_is, double_click_status, hover_menu_item, help_menu,
                              popup_wide, click_list_item, click_highlight, click_page_box_arrow, toolbar_height,
                              click_thumbnail, submenu, click_tool_arrow)}


def recover(ctx):
    """After a failed case: closes what the case left open. True when only the main and the preview
    windows remain and the program still runs."""
    s = ctx.session
    for _ in range(3):
        s.key("Escape")
        extra = [t for t in s.titles() if not t.startswith("Ardel Sorvan") and not t.startswith("Print Preview")]
        if not extra:
            break
        for w in s.windows(".+"):
            if w.title and not w.title.startswith(("Ardel Sorvan", "Print Preview")):
                w.focus()
                s.key("Escape")
    if not s.running() or not s.windows(PREVIEW):
        return False
    give_preview_focus(ctx)
    return not [t for t in s.titles() if not t.startswith(("Ardel Sorvan", "Print Preview"))]

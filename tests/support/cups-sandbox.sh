#!/usr/bin/env bash
# A private CUPS scheduler for the print tests.
#
#   cups-sandbox.sh start [DIR]   start a scheduler in DIR (a fresh temporary
#                                 folder when omitted) and print the value to
#                                 export as CUPS_SERVER
#   cups-sandbox.sh env DIR       print "export CUPS_SERVER=..." for a running
#                                 sandbox: eval "$(cups-sandbox.sh env DIR)"
#   cups-sandbox.sh stop [DIR]    stop the scheduler and remove DIR
#
# Everything lives in DIR: configuration, spool, cache, logs, the Unix socket
# DIR/cups.sock (this is CUPS_SERVER) and the PDFs the virtual printers write
# (DIR/pdf, one file "<title>-job_<id>.pdf" per job). The marker file
# DIR/ardel-cups-sandbox tells the print tests that CUPS_SERVER is a sandbox. The scheduler listens on
# that socket and on 127.0.0.1 at a free port only, shares nothing and never
# talks to the system's scheduler or its configuration.
#
# The one file outside DIR: the cups-pdf backend reads its configuration only
# from /etc/cups, so the sandbox's printer uses the device URI
# "cups-pdf:/ardel-<id>", which makes the backend read its own copy
# /etc/cups/cups-pdf-ardel-<id>.conf (pointing all its output into DIR).
# "stop" removes that file again. The system's /etc/cups/cups-pdf.conf is
# never read or changed.
#
# Printers (all write PDFs through cups-pdf into DIR/pdf):
#   ArdelPDF         the generic PDF printer: A4 by default, US Letter and the
#                    usual sizes, no unprintable margins, 300 dpi. The default.
#   ArdelPDFMargins  the same with 18 pt (6.35 mm) unprintable margins on every
#                    side, US Letter by default, three paper sources (Automatic,
#                    Tray 1, Manual Feed) and two-sided printing.
#   ArdelPDF10       the same as ArdelPDF with 28.35 pt (10 mm) unprintable
#                    margins on every side, US Letter by default.
#
# Must run as root (cupsd and the cups-pdf backend need it). Every wait is
# bounded; a failure prints the scheduler's error log and exits non-zero.
set -euo pipefail

PRINTER=ArdelPDF
PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

die() { echo "cups-sandbox: $*" >&2; exit 1; }

need_root() {
  [ "$(id -u)" -eq 0 ] || die "must run as root (cupsd and the cups-pdf backend need it)"
}

sandbox_id() { basename "$1" | tr -c 'A-Za-z0-9_\n-' '_'; }
pdf_conf() { echo "/etc/cups/cups-pdf-ardel-$(sandbox_id "$1").conf"; }

running() {
  local dir=$1 pid
  [ -f "$dir/cupsd.pid" ] || return 1
  pid=$(cat "$dir/cupsd.pid")
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null
}

free_port() {
  local p
  for p in $(shuf -i 20000-60999 -n 64); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
      echo "$p"
      return 0
    fi
  done
  return 1
}

# The generic PDF printer's description with unprintable margins, Letter by
# default: margins_ppd FILE [MARGIN NICKNAME EXTRAS]. MARGIN is in points on
# every side (18); EXTRAS 1 adds paper sources and two-sided printing (1).
margins_ppd() {
  awk -v m="${2:-18}" -v nick="${3:-Generic CUPS-PDF Printer (margins)}" -v extras="${4:-1}" '
    /^\*NickName:/ { print "*NickName:      \"" nick "\""; next }
    /^\*HWMargins:/ { print "*HWMargins: " m " " m " " m " " m; next }
    /^\*Default(PageSize|PageRegion|ImageableArea|PaperDimension):/ { sub(/: .*/, ": Letter"); print; next }
    /^\*ImageableArea / {
      split($0, q, "\""); split(q[2], n, " ")
      printf "%s\"%g %g %g %g\"\n", q[1], n[1] + m, n[2] + m, n[3] - m, n[4] - m; next
    }
    extras == 1 && /^\*CloseGroup: General/ {
      print "*OpenUI *InputSlot/Media Source: PickOne"
      print "*OrderDependency: 20 AnySetup *InputSlot"
      print "*DefaultInputSlot: Auto"
      print "*InputSlot Auto/Automatic: \"\""
      print "*InputSlot Tray1/Tray 1: \"\""
      print "*InputSlot Manual/Manual Feed: \"\""
      print "*CloseUI: *InputSlot"
      print "*OpenUI *Duplex/2-Sided Printing: PickOne"
      print "*OrderDependency: 20 AnySetup *Duplex"
      print "*DefaultDuplex: None"
      print "*Duplex None/Off: \"\""
      print "*Duplex DuplexNoTumble/Long Edge: \"\""
      print "*Duplex DuplexTumble/Short Edge: \"\""
      print "*CloseUI: *Duplex"
    }
    { print }
  ' "$PPD" > "$1"
}

do_stop() {
  local dir=$1 pid i
  [ -n "$dir" ] || die "stop: no sandbox folder given"
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid" 2>/dev/null || true
      for i in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null || true
    fi
  fi
  rm -f "$(pdf_conf "$dir")"
  # Only ever remove a folder this script made (it carries the marker).
  if [ -f "$dir/ardel-cups-sandbox" ]; then
    rm -rf "$dir"
  fi
}

do_start() {
  need_root
  local dir=${1:-}
  command -v cupsd >/dev/null || die "cupsd not found (package cups-daemon)"
  [ -x /usr/lib/cups/backend/cups-pdf ] || die "cups-pdf backend not found (package printer-driver-cups-pdf)"
  [ -f "$PPD" ] || die "$PPD not found (package printer-driver-cups-pdf)"
  if [ -z "$dir" ]; then
    dir=$(mktemp -d /tmp/ardel-cups.XXXXXX)
  else
    # A sandbox left over from an earlier run is stopped and made afresh.
    if [ -e "$dir" ]; then
      [ -f "$dir/ardel-cups-sandbox" ] || die "$dir exists and is not a sandbox folder"
      do_stop "$dir"
    fi
    mkdir -p "$dir"
  fi
  dir=$(cd "$dir" && pwd)
  local sock="$dir/cups.sock"
  [ ${#sock} -lt 100 ] || die "socket path too long: $sock"
  touch "$dir/ardel-cups-sandbox"
  # The scheduler's filters run as user lp and must reach the spool folder.
  chmod 755 "$dir"
  mkdir -p "$dir/etc/ppd" "$dir/etc/ssl" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" \
           "$dir/pdf" "$dir/pdf-spool"
  chmod 1777 "$dir/spool/tmp"
  chmod 755 "$dir/pdf"

  local port
  port=$(free_port) || die "no free port on 127.0.0.1"
  echo "$port" > "$dir/port"

  cat > "$dir/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
DataDir /usr/share/cups
ServerBin /usr/lib/cups
DocumentRoot /usr/share/cups/doc-root
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
LogFilePerm 0644
SystemGroup root
User lp
Group lp
FileDevice No
Sandboxing Relaxed
CONF

  cat > "$dir/cupsd.conf" <<CONF
LogLevel warn
Listen $sock
Listen 127.0.0.1:$port
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultShared No
PreserveJobHistory Yes
PreserveJobFiles No
MaxJobs 200
<Location />
  Order allow,deny
  Allow localhost
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow localhost
  </Limit>
</Policy>
CONF

  cat > "$(pdf_conf "$dir")" <<CONF
# Written by the Ardel Sorvan print-test sandbox in $dir; removed when it stops.
Out $dir/pdf
AnonDirName $dir/pdf
Spool $dir/pdf-spool
Log $dir/log
LogType 3
Label 1
Grp root
UserUMask 0022
AnonUMask 0022
CONF

  setsid cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" \
    </dev/null >>"$dir/log/cupsd.out" 2>&1 &
  echo $! > "$dir/cupsd.pid"

  local i ok=0
  for i in $(seq 1 100); do
    if ! running "$dir"; then break; fi
    if lpstat -h "$sock" -r 2>/dev/null | grep -q "is running"; then ok=1; break; fi
    sleep 0.1
  done
  if [ $ok -ne 1 ]; then
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    do_stop "$dir"
    die "the scheduler did not start"
  fi

  margins_ppd "$dir/margins.ppd"
  margins_ppd "$dir/margins10.ppd" 28.35 "Generic CUPS-PDF Printer (10 mm margins)" 0
  local uri="cups-pdf:/ardel-$(sandbox_id "$dir")"
  if ! lpadmin -h "$sock" -p "$PRINTER" -E -v "$uri" -P "$PPD" \
        -D "Ardel test PDF printer" -L "sandbox" -o printer-is-shared=false 2>"$dir/log/lpadmin.err" ||
     ! lpadmin -h "$sock" -p "${PRINTER}Margins" -E -v "$uri" -P "$dir/margins.ppd" \
        -D "Ardel test PDF printer with margins" -L "sandbox" -o printer-is-shared=false 2>>"$dir/log/lpadmin.err" ||
     ! lpadmin -h "$sock" -p "${PRINTER}10" -E -v "$uri" -P "$dir/margins10.ppd" \
        -D "Ardel test PDF printer with 10 mm margins" -L "sandbox" -o printer-is-shared=false 2>>"$dir/log/lpadmin.err" ||
     ! lpadmin -h "$sock" -d "$PRINTER" 2>>"$dir/log/lpadmin.err"; then
    cat "$dir/log/lpadmin.err" >&2
    do_stop "$dir"
    die "could not add the printer"
  fi
  echo "$sock"
}

do_env() {
  local dir=${1:-}
  [ -n "$dir" ] || die "env: no sandbox folder given"
  running "$dir" || die "no sandbox running in $dir"
  echo "export CUPS_SERVER=$dir/cups.sock"
  echo "# the printers write their PDFs into $dir/pdf"
}

case "${1:-}" in
  start) do_start "${2:-}" ;;
  stop) do_stop "${2:-}" ;;
  env) do_env "${2:-}" ;;
  *) echo "usage: $0 start [DIR] | stop DIR | env DIR" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# cmake --install into a scratch DESTDIR, checked as the desktop uses it: the
# tree, the desktop entry (desktop-file-validate), the file types known to
# xdg-mime in a scratch XDG_DATA_HOME by extension and by content, the
# thumbnailer's Exec line run as a file manager runs it, the icon, bash
# completion, and the manual pages: rendered without warnings and naming
# every command and every option the programs' --help prints.
. "$(dirname "$0")/cli_common.inc"
for tool in desktop-file-validate:desktop-file-utils update-mime-database:shared-mime-info \
  xdg-mime:xdg-utils gio:libglib2.0-bin man:man-db rsvg-convert:librsvg2-bin convert:imagemagick; do
  need "${tool%%:*}" "${tool#*:}"
done
unset DISPLAY WAYLAND_DISPLAY
ROOT="$WORK/root"
DESTDIR="$ROOT" cmake --install "$BONELOOM_BUILD" --prefix /usr >"$WORK/install.log" || fail "cmake --install"
cd "$ROOT"
tree=$(find . -type f | sort)
expected="./usr/bin/boneloom
./usr/bin/boneloom-tool
./usr/share/applications/boneloom.desktop
./usr/share/bash-completion/completions/boneloom-tool
./usr/share/icons/hicolor/scalable/apps/boneloom.svg
./usr/share/man/man1/boneloom-tool.1
./usr/share/man/man1/boneloom.1
./usr/share/mime/packages/boneloom.xml
./usr/share/thumbnailers/boneloom.thumbnailer"
[ "$tree" = "$expected" ] || fail "installed tree differs: $(diff <(echo "$expected") <(echo "$tree"))"
[ -x usr/bin/boneloom ] && [ -x usr/bin/boneloom-tool ] || fail "programs installed without execute bits"
BIN="$ROOT/usr/bin"
SHARE="$ROOT/usr/share"

# The desktop entry is valid, and it and the thumbnailer name exactly the
# types the MIME package declares.
desktop-file-validate "$SHARE/applications/boneloom.desktop" >"$WORK/validate.txt" 2>&1 ||
  fail "desktop-file-validate: $(cat "$WORK/validate.txt")"
[ ! -s "$WORK/validate.txt" ] || fail "desktop-file-validate warns: $(cat "$WORK/validate.txt")"
declared=$(grep -o 'mime-type type="[^"]*"' "$SHARE/mime/packages/boneloom.xml" | cut -d'"' -f2 | sort)
[ "$(echo "$declared" | wc -l)" = 2 ] || fail "the MIME package declares: $declared"
for entry in applications/boneloom.desktop thumbnailers/boneloom.thumbnailer; do
  listed=$(sed -n 's/^MimeType=//p' "$SHARE/$entry" | tr ';' '\n' | sed '/^$/d' | sort)
  [ "$listed" = "$declared" ] || fail "$entry lists '$listed', the MIME package declares '$declared'"
done

# File types: by extension (any case) and, with no extension, by the magic.
export XDG_DATA_HOME="$WORK/xdg" XDG_DATA_DIRS=/usr/share XDG_CURRENT_DESKTOP=GNOME
mkdir -p "$XDG_DATA_HOME/mime/packages"
cp "$SHARE/mime/packages/boneloom.xml" "$XDG_DATA_HOME/mime/packages/"
update-mime-database "$XDG_DATA_HOME/mime" || fail "update-mime-database refused the package"
"$BIN/boneloom-tool" sample "$WORK/demo" >/dev/null
cd "$WORK/demo"
cp tris.skm UPPER.SKM && cp tris.skp UPPER.SKP && cp tris.skm mesh-data && cp tris.skp pose-data
for case in "tris.skm skm" "tris.skp skp" "UPPER.SKM skm" "UPPER.SKP skp" "mesh-data skm" "pose-data skp"; do
  set -- $case
  type=$(xdg-mime query filetype "$1")
  [ "$type" = "model/x-boneloom-$2" ] || fail "xdg-mime names $1 '$type', not model/x-boneloom-$2"
done

# The thumbnailer's own Exec line, as a file manager fills it in, without a
# display: a square picture at the size asked for.
exec_line=$(sed -n 's/^Exec=//p' "$SHARE/thumbnailers/boneloom.thumbnailer")
command=${exec_line//%s/128}
command=${command//%i/$WORK/demo/UPPER.SKP}
command=${command//%o/$WORK/thumb.png}
PATH="$BIN:$PATH" LD_PRELOAD="$(gl_preload)" $command || fail "the thumbnailer's Exec line failed: $command"
[ "$(identify -format '%wx%h' "$WORK/thumb.png")" = 128x128 ] || fail "the thumbnailer's picture is not 128x128"

# The icon: the hand-written SVG draws at both sizes menus use.
for size in 48 256; do
  rsvg-convert -w $size -h $size "$SHARE/icons/hicolor/scalable/apps/boneloom.svg" -o "$WORK/icon$size.png" ||
    fail "the icon does not render at $size"
  [ "$(convert "$WORK/icon$size.png" -format '%[fx:p{w/2,h/2}.a]' info:)" = 1 ] || fail "the icon is empty at $size"
done

# Bash completion: commands, a command's options, files by extension.
completions() {
  bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _boneloom_tool
           printf "%s\n" "${COMPREPLY[@]}"' _ "$SHARE/bash-completion/completions/boneloom-tool" "$@" | sort | tr '\n' ' '
}
commands=$("$BIN/boneloom-tool" --help | awk '/^commands:/ {on = 1; next} on && /^  [a-z]/ {print $1} on && /^$/ {exit}')
[ "$(echo "$commands" | wc -l)" -ge 10 ] || fail "--help lists only: $commands"
[ "$(completions "$BIN/boneloom-tool" "")" = "$(printf '%s\n' $commands --help --version | sort | tr '\n' ' ')" ] ||
  fail "completing a command gives: $(completions "$BIN/boneloom-tool" "")"
[ "$(completions "$BIN/boneloom-tool" thumbnail --s)" = "--size " ] || fail "thumbnail --s completes to: $(completions "$BIN/boneloom-tool" thumbnail --s)"
[ "$(completions "$BIN/boneloom-tool" info U)" = "UPPER.SKM UPPER.SKP " ] || fail "info U completes to: $(completions "$BIN/boneloom-tool" info U)"

# The manual pages render without a warning and keep up with --help: every
# command has its section, and every option a --help prints is in the page
# (a command's options in that command's section).
for page in boneloom boneloom-tool; do
  warnings=$(MANWIDTH=80 man --warnings -l "$SHARE/man/man1/$page.1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page.1 renders with warnings: $warnings"
  # Wide, so that no option is broken across lines at one of its hyphens.
  MANWIDTH=400 man -l "$SHARE/man/man1/$page.1" >"$WORK/$page.txt" 2>/dev/null
  grep -q "^EXIT STATUS" "$WORK/$page.txt" && grep -q "^EXAMPLES" "$WORK/$page.txt" ||
    fail "$page.1 lacks EXIT STATUS or EXAMPLES"
done
options() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
for option in $("$BIN/boneloom" --help | options); do
  grep -qF -- "$option" "$WORK/boneloom.txt" || fail "boneloom.1 does not describe $option"
done
for command in $commands; do
  section=$(awk -v c="$command" '$0 ~ "^   " c "( |$)" {on = 1; print; next}
                                 on && (/^   [^ ]/ || /^[A-Z]/) {exit} on {print}' "$WORK/boneloom-tool.txt")
  [ -n "$section" ] || fail "boneloom-tool.1 has no section for the command $command"
  for option in $("$BIN/boneloom-tool" "$command" --help | options); do
    grep -qF -- "$option" <<<"$section" || fail "boneloom-tool.1 does not describe $command $option"
  done
done
for option in $("$BIN/boneloom-tool" --help | options); do
  grep -qF -- "$option" "$WORK/boneloom-tool.txt" || fail "boneloom-tool.1 does not describe $option"
done
echo "install: tree, desktop entry, file types, thumbnailer, icon, completion, manual pages: ok"

#!/usr/bin/env bash
# cpack -G DEB from the build folder (into a scratch directory): the package
# holds what cmake --install puts under /usr, and its dependencies
# come from the libraries the programs link (dpkg-shlibdeps), not a list.
. "$(dirname "$0")/cli_common.inc"
need cpack cmake
need dpkg-shlibdeps dpkg-dev
cpack --config "$BONELOOM_BUILD/CPackConfig.cmake" -G DEB -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1 ||
  fail "cpack: $(tail -n 5 "$WORK/cpack.log")"
debs=("$WORK"/pkg/boneloom_*_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "cpack made: $(ls "$WORK/pkg")"
deb=${debs[0]}
version=$("$BONELOOM_BUILD/boneloom-tool" --version | cut -d' ' -f2)
[ "$(basename "$deb")" = "boneloom_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "the package is named $(basename "$deb")"

dpkg-deb --info "$deb" >"$WORK/info.txt" || fail "dpkg-deb --info"
depends=$(sed -n 's/^ Depends: //p' "$WORK/info.txt")
names=$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')
# One library of each kind the programs link: C++ runtime, PNG, GL, EGL,
# GLUT (the viewer) and assimp (import); each with the package that has it.
for lib in libstdc++.so.6 libpng16.so.16 libGL.so.1 libEGL.so.1 libglut.so.3 libassimp.so.5; do
  path=$(ldd "$BONELOOM_BUILD/boneloom-tool" "$BONELOOM_BUILD/boneloom" | awk -v l="$lib" 'index($1, l) == 1 {print $3; exit}')
  [ -n "$path" ] || fail "the programs do not link $lib"
  package=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -n 1 | cut -d: -f1) ||
    package=$(dpkg -S "$path" | head -n 1 | cut -d: -f1)
  grep -qxF "$package" <<<"$names" || fail "Depends lacks $package (for $lib): $depends"
done

dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$' | sort >"$WORK/contents.txt"
# The same files as cmake --install puts under /usr (install_desktop.sh checks that tree).
DESTDIR="$WORK/root" cmake --install "$BONELOOM_BUILD" --prefix /usr >"$WORK/install.log" || fail "cmake --install"
installed=$(cd "$WORK/root" && find . -type f | sort)
[ "$(echo "$installed" | wc -l)" -ge 9 ] || fail "cmake --install put only: $installed"
[ "$(cat "$WORK/contents.txt")" = "$installed" ] ||
  fail "the package and the install differ: $(diff <(echo "$installed") "$WORK/contents.txt")"
echo "deb: $(basename "$deb"), Depends: $depends"

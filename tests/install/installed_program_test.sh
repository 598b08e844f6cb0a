#!/usr/bin/env bash
# usage: installed_program_test.sh BUILD_FOLDER JOURNEY_TEST
# Installs Kitebrook into a temporary DESTDIR, checks its entries, runs JOURNEY_TEST and the program
# on it (a fresh account, a family's shared folder) and that nothing under it changes on the way.
set -euo pipefail
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

root=$work/root
prefix=$root/usr
share=$prefix/share/kitebrook
desktop=$prefix/share/applications/org.kitebrook.Kitebrook.desktop
DESTDIR=$root cmake --install "$1" --prefix /usr >/dev/null
for file in share/kitebrook/Images/splash.svg share/man/man1/kitebrook.1.gz \
  share/icons/hicolor/scalable/apps/org.kitebrook.Kitebrook.svg; do
  [ -e "$prefix/$file" ] || fail "the installation lacks $file"
done
[ ! -e "$share/KBConfig.xml" ] || fail "a configuration lies beside the installed pages"
# Any remark of the validators fails, hints and informations too.
remarks=$(desktop-file-validate "$desktop" "$prefix/share/wayland-sessions/kitebrook.desktop" 2>&1 || :)
[ -z "$remarks" ] || fail "desktop-file-validate: $remarks"
appstreamcli validate --no-net --strict "$prefix/share/metainfo/org.kitebrook.Kitebrook.metainfo.xml" ||
  fail "appstreamcli validate"
! grep -qi 'x-scheme-handler' "$desktop" || fail "the desktop entry handles web addresses"

# Everything under the installation, with sizes, modes and contents.
snapshot() {
  (cd "$root" && find . -printf '%p %y %m %s %T@\n' | sort &&
    find . -type f -exec sha256sum {} + | sort)
}
snapshot >"$work/before"
KB_INSTALLED_BIN=$prefix/bin XDG_DATA_HOME=$work/journey "$2"

# shows PAGE LOG ARGUMENTS...: runs the installed program until a window shows the page (30 s).
shows() {
  "$prefix/bin/kitebrook" "${@:3}" >"$work/$2" 2>&1 &
  for _ in $(seq 1 60); do
    xwininfo -root -children | grep -qF -- "Kitebrook--$share/$1" && kill $! && return 0
    sleep 0.5
  done
  fail "the installed program did not show $1: $(cat "$work/$2")"
}
# A fresh account gets the shipped configuration, without a child, so the pages greet the parent.
mkdir -p "$work/home"
HOME=$work/home XDG_DATA_HOME='' shows SWelcome.html fresh.log
cmp "$work/home/.local/share/kitebrook/Data/KBConfig.xml" "$share/default/KBConfig.xml" ||
  fail "the account's state folder lacks the shipped configuration"
# A family's shared folder keeps its own configuration, and the pages list its children.
mkdir -p "$work/family/Data"
sed -e 's|<Users>|<Users><User><Name>Mary</Name><Image>cat.svg</Image><ID>2</ID></User>|' \
  "$share/default/KBConfig.xml" | tee "$work/family.xml" >"$work/family/Data/KBConfig.xml"
HOME=$work/home KITEBROOK_STATE_FOLDER=$work/family shows SelectUser.htm family.log --whole-session
cmp "$work/family/Data/KBConfig.xml" "$work/family.xml" || fail "the family's configuration was replaced"

"$prefix/bin/kitebrook" --help | grep -q -- --state-folder || fail "--help does not name --state-folder"
if "$prefix/bin/kitebrook" --no-such-option 2>/dev/null; then fail "an unknown option was accepted"; fi
sleep 1
snapshot >"$work/after"
diff "$work/before" "$work/after" || fail "the installation changed while the program ran"
echo "installed program: passed"

#!/usr/bin/env bash
# Installs Kitebrook into a temporary DESTDIR and runs the installed program:
# its desktop and AppStream entries are valid, a child's journey and a
# parent's change work on the installed pages (JOURNEY_TEST), the installed
# executable starts for a fresh account and for a family's shared folder,
# and nothing under the installation changes on the way.
#
# usage: installed_program_test.sh BUILD_FOLDER JOURNEY_TEST
set -euo pipefail
build=$1
journey=$2
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
prefix=$root/usr
for file in bin/kitebrook share/kitebrook/SelectUser.htm share/kitebrook/Images/splash.svg \
  share/kitebrook/default/KBConfig.xml share/applications/org.kitebrook.Kitebrook.desktop \
  share/metainfo/org.kitebrook.Kitebrook.metainfo.xml \
  share/icons/hicolor/scalable/apps/org.kitebrook.Kitebrook.svg \
  share/wayland-sessions/kitebrook.desktop share/man/man1/kitebrook.1.gz; do
  [ -e "$prefix/$file" ] || fail "the installation lacks $file"
done
[ ! -e "$prefix/share/kitebrook/KBConfig.xml" ] || fail "a configuration lies beside the installed pages"

# Any remark of the validators fails, hints and informations too.
remarks=$(desktop-file-validate "$prefix/share/applications/org.kitebrook.Kitebrook.desktop" \
  "$prefix/share/wayland-sessions/kitebrook.desktop" 2>&1) || fail "desktop-file-validate: $remarks"
[ -z "$remarks" ] || fail "desktop-file-validate: $remarks"
appstreamcli validate --no-net --strict "$prefix/share/metainfo/org.kitebrook.Kitebrook.metainfo.xml" ||
  fail "appstreamcli validate"
if grep -qi 'x-scheme-handler' "$prefix/share/applications/org.kitebrook.Kitebrook.desktop"; then
  fail "the desktop entry declares itself a handler of web addresses"
fi

# Everything under the installation, with sizes, modes and contents.
snapshot() {
  (cd "$root" && find . -printf '%p %y %m %s %T@\n' | sort &&
    find . -type f -exec sha256sum {} + | sort)
}
snapshot >"$work/before"

KB_INSTALLED_BIN=$prefix/bin XDG_DATA_HOME=$work/journey "$journey"

# waits up to 30 s for a window whose caption holds TEXT.
wait_for_window() {
  for _ in $(seq 1 60); do
    xwininfo -root -children | grep -qF -- "$1" && return 0
    sleep 0.5
  done
  return 1
}

# A fresh account: the state folder gets the shipped configuration, which
# has no child yet, so the installed pages greet the parent.
mkdir -p "$work/home"
HOME=$work/home XDG_DATA_HOME='' "$prefix/bin/kitebrook" >"$work/fresh.log" 2>&1 &
pids+=($!)
wait_for_window "Kitebrook--$prefix/share/kitebrook/SWelcome.html" ||
  fail "the installed program did not show its welcome: $(cat "$work/fresh.log")"
cmp "$work/home/.local/share/kitebrook/Data/KBConfig.xml" "$prefix/share/kitebrook/default/KBConfig.xml" ||
  fail "the account's state folder lacks the shipped configuration"
kill "${pids[-1]}"

# A family's shared folder with a configuration of its own: it is kept, and
# the pages list its children.
family=$work/family
mkdir -p "$family/Data"
sed -e 's|<Users>|<Users><User><Name>Mary</Name><Image>cat.svg</Image><ID>2</ID></User>|' \
  "$prefix/share/kitebrook/default/KBConfig.xml" >"$family/Data/KBConfig.xml"
cp "$family/Data/KBConfig.xml" "$work/family.xml"
HOME=$work/home KITEBROOK_STATE_FOLDER=$family "$prefix/bin/kitebrook" --whole-session \
  >"$work/family.log" 2>&1 &
pids+=($!)
wait_for_window "Kitebrook--$prefix/share/kitebrook/SelectUser.htm" ||
  fail "the installed program did not show the family's children: $(cat "$work/family.log")"
cmp "$family/Data/KBConfig.xml" "$work/family.xml" || fail "the family's configuration was replaced"
kill "${pids[-1]}"

"$prefix/bin/kitebrook" --help | grep -q -- --state-folder || fail "--help does not name --state-folder"
if "$prefix/bin/kitebrook" --no-such-option 2>/dev/null; then fail "an unknown option was accepted"; fi

sleep 1
snapshot >"$work/after"
diff "$work/before" "$work/after" || fail "the installation changed while the program ran"
echo "installed program: passed"

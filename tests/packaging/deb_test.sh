#!/usr/bin/env bash
# The Debian package end to end. It is made with cpack from this build,
# unpacked into a root of its own (nothing is installed on the machine), and
# checked for its contents and metadata. Then a user who is not root (nobody,
# when the test runs as root) uses it: the tool makes, imports into and lists
# an archive; the archive's file type is known once the MIME database is
# updated; the window starts from /usr/bin/quorvel under a private Xvfb, opens
# the archive given on its command line and quits; and nothing under /usr has
# changed.
#
# Environment: QV_BUILD, the build folder (CPackConfig.cmake is there).
set -euo pipefail

fail() {
    echo "deb_test: $*" >&2
    exit 1
}

for tool in cpack dpkg-deb Xvfb xdotool update-mime-database xdg-mime mimetype desktop-file-validate; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-deb-XXXXXX")
xvfb_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

# The package, quickly compressed: its contents are what is tested.
cpack --config "$QV_BUILD/CPackConfig.cmake" -G DEB -B "$work/pkg" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip \
    >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/pkg/*.deb)

info=$(dpkg-deb -I "$deb")
grep -q '^ Package: quorvel$' <<<"$info" || fail "no package name: $info"
for dep in libqt6widgets6 libsqlite3-0 libgmime-3.0-0 qt6-qpa-plugins; do
    grep -q "^ Depends:.*$dep" <<<"$info" || fail "the package does not depend on $dep"
done
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/quorvel ./usr/bin/quorvel-cli ./usr/lib/quorvel/quorvel ./usr/lib/quorvel/sys/inttmpl.qvb \
    ./usr/lib/quorvel/libtromsel.so ./usr/share/applications/quorvel.desktop ./usr/share/mime/packages/quorvel.xml \
    ./usr/share/man/man1/quorvel-cli.1.gz ./usr/share/bash-completion/completions/quorvel-cli; do
    grep -q " $path\( \|$\)" <<<"$contents" || fail "$path is not in the package"
done
if grep -v ' \./usr/' <<<"$contents" | grep -q -v ' \./$'; then
    fail "the package installs outside /usr"
fi

root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/quorvel.desktop" || fail "the desktop entry is not valid"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml >/dev/null || fail "the metainfo is not valid"
fi
snapshot() { (cd "$root" && find . -printf '%p %y %s %T@ %m\n' | sort); }
before=$(snapshot)

# The user, with a home and XDG folders of its own.
home=$work/home
mkdir -p "$home/.config" "$home/.local/share/mime/packages" "$home/.cache" "$work/run" "$work/data"
chmod 700 "$work/run"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$home" "$work/run" "$work/data"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
user_env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config"
    XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$work/run"
    XDG_DATA_DIRS="$root/usr/share:/usr/share" ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1)
run() { "${as_user[@]}" "${user_env[@]}" "$@"; }

cli=$root/usr/bin/quorvel-cli
archive="$work/data/two words.qvb"
printf 'From: a@example.jp\r\nSubject: packaged\r\n\r\nbody\r\n' >"$work/m.eml"
chmod 644 "$work/m.eml"
run "$cli" new "$archive" || fail "quorvel-cli new failed"
run "$cli" import "$archive" "$work/m.eml" >/dev/null || fail "quorvel-cli import failed"
run "$cli" ls "$archive" --folder 1 | grep -q 'packaged' || fail "quorvel-cli ls does not list the mail"

# The file type, as a file manager asks for it.
cp "$root/usr/share/mime/packages/quorvel.xml" "$home/.local/share/mime/packages/"
run update-mime-database "$home/.local/share/mime"
type=$(run xdg-mime query filetype "$archive")
[ "$type" = application/x-quorvel-archive ] || fail "xdg-mime says $type"

# The window, from the package's link, on the archive given to it.
exec 3>"$work/display"
"${as_user[@]}" Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
display=:$(cat "$work/display")
run DISPLAY="$display" QT_QPA_PLATFORM=xcb "$root/usr/bin/quorvel" "$archive" >"$work/program.log" 2>&1 &
program_pid=$!
working_copy="$work/data/two words.hvl"
for _ in $(seq 600); do
    [ -e "$working_copy" ] && break
    kill -0 "$program_pid" 2>/dev/null || { cat "$work/program.log" >&2; fail "the program ended before opening"; }
    sleep 0.1
done
[ -e "$working_copy" ] || fail "the program did not open the archive given to it"
ls "$work/run/quorvel/tmp" | grep -q '^tmp[0-9]' || fail "no working folder in the user's runtime folder"
window=$(DISPLAY="$display" xdotool search --sync --onlyvisible --name '^Quorvel$' | head -n 1)
DISPLAY="$display" xdotool windowfocus --sync "$window" key alt+f
sleep 0.5
DISPLAY="$display" xdotool key x
for _ in $(seq 200); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then
    fail "the program did not quit from its menu"
fi
wait "$program_pid" || fail "the program exited with status $?"
program_pid=
[ ! -e "$working_copy" ] || fail "the working copy was left behind"

[ "$before" = "$(snapshot)" ] || fail "something under /usr changed: $(diff <(echo "$before") <(snapshot) | head)"
echo "deb_test: $(basename "$deb") made, unpacked and used as $(run id -un); nothing written under /usr"

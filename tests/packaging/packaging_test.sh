#!/usr/bin/env bash
# Checks of an installation, one per CTest test: packaging_test.sh CHECK.
# "install" lays the build out with `cmake --install` under $QV_DESTDIR with
# the prefix /usr, as the Debian package does; the other checks read that
# tree with the desktop's own tools.
#
# Environment (set by tests/packaging/CMakeLists.txt): QV_BUILD, the build
# folder; QV_DESTDIR; QV_VERSION, the project's version; QV_MIME_TYPE_OF, the
# helper that asks Qt's file type database. The checks run with HOME and the
# XDG folders in a temporary folder of their own.
set -euo pipefail

check=${1:?which check}
root=${QV_DESTDIR:?}
prog=$root/usr/lib/quorvel
share=$root/usr/share

tmp=$(mktemp -d "${TMPDIR:-/tmp}/qv-packaging.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/config" "$tmp/cache" "$tmp/data" "$tmp/runtime"
chmod 700 "$tmp/runtime"
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache \
    XDG_DATA_HOME=$tmp/data XDG_RUNTIME_DIR=$tmp/runtime
export LC_ALL=C.UTF-8

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
finish() {
    if ((failures > 0)); then
        echo "$check: $failures failed" >&2
        exit 1
    fi
    echo "$check: passed"
}
# A tool that scripts/setup.sh installs: its absence is a failure.
need() {
    if ! command -v "$1" >/dev/null; then
        echo "FAIL: $1 is missing: run scripts/setup.sh (Debian package $2)" >&2
        exit 1
    fi
}

# The first 16 bytes of every SQLite database.
sqlite_header() {
    printf 'SQLite format 3\0'
}
is_sqlite() {
    cmp -s -n 16 "$1" <(sqlite_header)
}

# PNG width and height from the IHDR chunk, as "WxH".
png_size() {
    local b
    read -ra b <<<"$(od -An -tu1 -j16 -N8 "$1")"
    echo "$(((b[0] << 24) + (b[1] << 16) + (b[2] << 8) + b[3]))x$(((b[4] << 24) + (b[5] << 16) + (b[6] << 8) + b[7]))"
}

# A manual page's source, compressed or not.
man_source() {
    local base=$share/man/man1/$1.1
    if [[ -f $base.gz ]]; then
        gzip -dc "$base.gz"
    elif [[ -f $base ]]; then
        cat "$base"
    else
        return 1
    fi
}

# The candidates bash completion offers for a command line, one per line.
# The line is split at spaces; a trailing space starts a new, empty word.
# Runs with bash-completion's own helpers when $1 is "with-bash-completion".
complete_line() {
    local mode=$1 line=$2
    bash --norc --noprofile -c '
        if [[ $1 == with-bash-completion ]]; then
            source /usr/share/bash-completion/bash_completion
        fi
        source "$2" || exit 3
        spec=$(complete -p quorvel-cli) || exit 4
        fn=${spec#*-F }
        fn=${fn%% *}
        line=$3
        read -ra COMP_WORDS <<<"$line"
        [[ $line == *" " || -z $line ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE=$line
        COMP_POINT=${#line}
        COMPREPLY=()
        "$fn" quorvel-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        ((${#COMPREPLY[@]})) && printf "%s\n" "${COMPREPLY[@]}" | sort
        exit 0' _ "$mode" "$share/bash-completion/completions/quorvel-cli" "$line"
}

# The commands `quorvel-cli --help` lists.
cli_commands() {
    "$root/usr/bin/quorvel-cli" --help | sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p'
}

# The options in a command's synopsis (`quorvel-cli help COMMAND`).
cli_options() {
    "$root/usr/bin/quorvel-cli" help "$1" | sed -n '1s/^Usage: quorvel-cli //p' |
        grep -oE -- '(^|[[ ])--?[a-z][a-z-]*' | tr -d '[ ' | sort -u
}

case $check in
install)
    rm -rf "$root"
    if ! DESTDIR=$root cmake --install "${QV_BUILD:?}" --prefix /usr >"$tmp/install.log" 2>&1; then
        cat "$tmp/install.log" >&2
        fail "cmake --install failed"
    fi
    ;;

cleanup)
    rm -rf "$root"
    ;;

layout)
    # Everything lies under /usr, in bin, lib and share.
    top=$(cd "$root" && ls -A)
    [[ $top == usr ]] || fail "installed outside /usr: $top"
    for d in "$root"/usr/*; do
        case ${d##*/} in
        bin | lib | share) ;;
        *) fail "unexpected folder /usr/${d##*/}" ;;
        esac
    done

    # The commands are relative links into the program folder.
    for exe in quorvel quorvel-cli; do
        link=$root/usr/bin/$exe
        if [[ ! -L $link ]]; then
            fail "/usr/bin/$exe is not a link"
        elif [[ $(readlink "$link") != ../lib/quorvel/$exe ]]; then
            fail "/usr/bin/$exe points to $(readlink "$link"), not ../lib/quorvel/$exe"
        elif [[ ! -x $link || ! -f $link ]]; then
            fail "/usr/bin/$exe does not lead to an executable"
        fi
    done

    # The program folder: what the program checks for at its start, and
    # every file of the build's program folder (working files aside).
    for f in quorvel quorvel-cli; do
        [[ -f $prog/$f && -x $prog/$f ]] || fail "no executable /usr/lib/quorvel/$f"
    done
    for f in libtromsel.so libqv_dnd.so sys/unselected.eml help/index.html; do
        [[ -f $prog/$f ]] || fail "no /usr/lib/quorvel/$f"
    done
    if [[ ! -f $prog/sys/inttmpl.qvb ]]; then
        fail "no /usr/lib/quorvel/sys/inttmpl.qvb"
    elif ! is_sqlite "$prog/sys/inttmpl.qvb"; then
        fail "/usr/lib/quorvel/sys/inttmpl.qvb is not an SQLite database"
    fi
    for d in sys/tmp tmp; do
        if [[ ! -d $prog/$d ]]; then
            fail "no folder /usr/lib/quorvel/$d"
        elif [[ -n $(ls -A "$prog/$d") ]]; then
            fail "/usr/lib/quorvel/$d is not empty"
        fi
    done
    while IFS= read -r -d '' f; do
        f=${f#./}
        [[ -e $prog/$f ]] || fail "the build's program/$f is not installed"
    done < <(cd "$QV_BUILD/program" && find . \( -path ./tmp -o -path ./sys/tmp \) -prune -o -type f -print0)

    # The binaries find their libraries beside themselves and nowhere else.
    for f in quorvel quorvel-cli libtromsel.so libqv_dnd.so; do
        [[ -f $prog/$f ]] || continue
        paths=$(readelf -d "$prog/$f" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
        [[ $paths == "\$ORIGIN" ]] || fail "$f searches its libraries in '$paths', not '\$ORIGIN'"
    done

    # Desktop integration.
    for f in applications/quorvel.desktop mime/packages/quorvel.xml metainfo/com.halvane.Quorvel.metainfo.xml \
        icons/hicolor/scalable/apps/quorvel.svg bash-completion/completions/quorvel-cli; do
        [[ -f $share/$f ]] || fail "no /usr/share/$f"
    done
    for size in 16 32 48 64 128 256; do
        png=$share/icons/hicolor/${size}x${size}/apps/quorvel.png
        if [[ ! -f $png ]]; then
            fail "no ${size}x${size} icon"
        elif [[ $(png_size "$png") != "${size}x${size}" ]]; then
            fail "the ${size}x${size} icon is $(png_size "$png")"
        fi
    done
    for page in quorvel quorvel-cli; do
        man_source "$page" >/dev/null || fail "no manual page $page(1)"
    done
    ;;

run)
    cli=$root/usr/bin/quorvel-cli
    if ! "$cli" --help >"$tmp/help" 2>"$tmp/err"; then
        fail "quorvel-cli --help through /usr/bin failed: $(cat "$tmp/err")"
    elif ! grep -q '^Usage: quorvel-cli' "$tmp/help"; then
        fail "quorvel-cli --help printed no usage: $(head -3 "$tmp/help")"
    fi
    # Through the link the tool finds the installed template.
    mkdir -p "$tmp/folder with spaces"
    archive="$tmp/folder with spaces/my mails.qvb"
    if ! "$cli" new "$archive" >/dev/null 2>"$tmp/err"; then
        fail "quorvel-cli new through /usr/bin failed: $(cat "$tmp/err")"
    elif ! cmp -s "$archive" "$prog/sys/inttmpl.qvb"; then
        fail "the new archive is not a copy of the installed template"
    elif ! "$cli" ls "$archive" >"$tmp/ls" 2>"$tmp/err"; then
        fail "quorvel-cli ls failed: $(cat "$tmp/err")"
    elif ! grep -q $'^1\t' "$tmp/ls"; then
        fail "quorvel-cli ls shows no root folder: $(cat "$tmp/ls")"
    fi
    # The program, started through its link, loads the installed drag-and-drop
    # layer (the dynamic loader lists what it would load, and stops).
    loaded=$(LD_TRACE_LOADED_OBJECTS=1 "$root/usr/bin/quorvel" 2>&1 | sed -n 's/^[[:space:]]*libqv_dnd\.so => \([^ ]*\).*/\1/p')
    if [[ -z $loaded ]]; then
        fail "the program does not find libqv_dnd.so"
    elif [[ $(realpath "$loaded") != $(realpath "$prog/libqv_dnd.so") ]]; then
        fail "the program loads $loaded, not the installed libqv_dnd.so"
    fi
    ;;

desktop)
    need desktop-file-validate desktop-file-utils
    entry=$share/applications/quorvel.desktop
    if ! out=$(desktop-file-validate "$entry" 2>&1) || [[ -n $out ]]; then
        fail "desktop-file-validate: $out"
    fi
    # The entry starts the installed program with the file, and names an
    # installed icon and a file type the installation defines.
    exec_line=$(sed -n 's/^Exec=//p' "$entry")
    read -ra exec_words <<<"$exec_line"
    [[ -x $root/usr/bin/${exec_words[0]} ]] || fail "Exec names ${exec_words[0]}, which is not in /usr/bin"
    [[ " ${exec_words[*]:1} " == *" %f "* ]] || fail "Exec does not pass the file as one local path (%f): $exec_line"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [[ -f $share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "Icon $icon is not installed"
    types=$(sed -n 's/^MimeType=//p' "$entry")
    IFS=';' read -ra type_list <<<"$types"
    ((${#type_list[@]} > 0)) || fail "the entry names no file type"
    for t in "${type_list[@]}"; do
        grep -q "<mime-type type=\"$t\">" "$share"/mime/packages/*.xml || fail "MimeType $t is defined by no installed type"
    done
    ;;

mime)
    need update-mime-database shared-mime-info
    need xmllint libxml2-utils
    xml=$share/mime/packages/quorvel.xml
    xmllint --noout "$xml" 2>"$tmp/err" || fail "quorvel.xml is not well-formed: $(cat "$tmp/err")"

    # A file type database as the package's trigger makes it: the system's
    # types and the installed one, merged. Beside it, one where another
    # program's type also claims *.qvb, for plain text.
    system_types=/usr/share/mime/packages/freedesktop.org.xml
    [[ -f $system_types ]] || fail "no $system_types: run scripts/setup.sh (Debian package shared-mime-info)"
    mkdir -p "$tmp/ours/mime/packages" "$tmp/both/mime/packages"
    cp "$system_types" "$xml" "$tmp/ours/mime/packages/"
    cp "$system_types" "$xml" "$tmp/both/mime/packages/"
    cat >"$tmp/both/mime/packages/other.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="text/x-zz-notes">
    <comment>Notes</comment>
    <sub-class-of type="text/plain"/>
    <glob pattern="*.qvb"/>
  </mime-type>
</mime-info>
EOF
    for db in ours both; do
        if ! out=$(XDG_DATA_DIRS=$tmp/$db update-mime-database "$tmp/$db/mime" 2>&1) || [[ -n $out ]]; then
            fail "update-mime-database ($db): $out"
        fi
    done

    # A real archive, the same without its suffix, a plain SQLite database,
    # and a text file named *.qvb.
    mkdir -p "$tmp/files"
    archive="$tmp/files/my mails.qvb"
    "$root/usr/bin/quorvel-cli" new "$archive" >/dev/null || fail "quorvel-cli new"
    cp "$archive" "$tmp/files/my mails"
    {
        sqlite_header
        head -c 4080 /dev/zero
    } >"$tmp/files/database"
    echo "just notes" >"$tmp/files/notes.qvb"

    ours='application/x-quorvel-archive|application/vnd.sqlite3|Quorvel mail archive|Quorvel メールアーカイブ'
    type_of() {
        XDG_DATA_HOME=$tmp/none XDG_DATA_DIRS=$1 "${QV_MIME_TYPE_OF:?}" "$2"
    }
    expect() {
        local dirs=$1 file=$2 want=$3 got
        got=$(type_of "$dirs" "$file")
        [[ $got == "$want" || ($want != *"|"* && ${got%%|*} == "$want") ]] ||
            fail "${file##*/}: expected $want, got $got"
    }
    alone=$tmp/ours
    expect "$alone" "$archive" "$ours"
    expect "$alone" "$tmp/files/my mails" application/x-quorvel-archive
    expect "$alone" "$tmp/files/database" application/vnd.sqlite3
    both=$tmp/both
    expect "$both" "$archive" application/x-quorvel-archive
    expect "$both" "$tmp/files/notes.qvb" text/x-zz-notes
    ;;

metainfo)
    need appstreamcli appstream
    file=$share/metainfo/com.halvane.Quorvel.metainfo.xml
    if ! out=$(appstreamcli validate --no-net --no-color "$file" 2>&1); then
        fail "appstreamcli validate: $out"
    elif grep -q '^[EW]:' <<<"$out"; then
        fail "appstreamcli validate: $out"
    fi
    # The metainfo names the installed desktop entry and icon.
    launch=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$file")
    [[ -f $share/applications/$launch ]] || fail "launchable $launch is not installed"
    icon=$(sed -n 's:.*<icon type="stock">\(.*\)</icon>.*:\1:p' "$file")
    [[ -f $share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "icon $icon is not installed"
    ;;

man)
    need groff groff-base
    for page in quorvel quorvel-cli; do
        if ! man_source "$page" >"$tmp/$page.1"; then
            fail "no manual page $page(1)"
            continue
        fi
        # -k: the pages are UTF-8 (Japanese menu names and messages).
        out=$(groff -k -man -ww -z -Tutf8 "$tmp/$page.1" 2>&1) || fail "groff failed on $page(1)"
        [[ -z $out ]] || fail "$page(1) renders with warnings: $out"
        grep -q '@[A-Z_][A-Z_]*@' "$tmp/$page.1" && fail "$page(1) has an unreplaced placeholder"
        grep -q "^\.TH .*Quorvel ${QV_VERSION:?}\"" "$tmp/$page.1" || fail "$page(1) does not carry version $QV_VERSION"
        # The NAME line that whatis and apropos index.
        groff -k -man -Tutf8 -P-cbou "$tmp/$page.1" 2>/dev/null | grep -A1 '^NAME' | grep -q "^ *$page - [a-z]" ||
            fail "$page(1) has no NAME line \"$page - ...\""
        if command -v lexgrog >/dev/null; then
            out=$(lexgrog "$tmp/$page.1" 2>&1) || fail "lexgrog cannot read the NAME of $page(1): $out"
        fi
    done
    ;;

cli-docs)
    # The manual page and the completion know every command and option of
    # the tool as it is.
    need groff groff-base
    man_source quorvel-cli >"$tmp/page.1" || fail "no manual page quorvel-cli(1)"
    groff -k -man -Tutf8 -P-cbou "$tmp/page.1" 2>/dev/null >"$tmp/page.txt"
    commands=$(cli_commands)
    [[ -n $commands ]] || fail "quorvel-cli --help lists no commands"
    completed=$(complete_line plain "quorvel-cli ") || true
    for c in $commands; do
        grep -q "^ *quorvel-cli $c\b" "$tmp/page.txt" || fail "quorvel-cli(1) has no synopsis of $c"
        grep -qx "$c" <<<"$completed" || fail "the completion does not offer the command $c"
        offered=$(complete_line plain "quorvel-cli $c -") || true
        for o in $(cli_options "$c"); do
            grep -q -- "^ *$o\b" "$tmp/page.txt" || fail "quorvel-cli(1) does not describe $o (of $c)"
            grep -qx -- "$o" <<<"$offered" || fail "the completion does not offer $o after $c"
        done
    done
    ;;

completion)
    modes=(plain)
    if [[ -f /usr/share/bash-completion/bash_completion ]]; then
        modes+=(with-bash-completion)
    else
        echo "note: bash-completion is not installed; its helpers are not tried"
    fi
    mkdir -p "$tmp/work/sub folder" "$tmp/work/other"
    touch "$tmp/work/a.qvb" "$tmp/work/my mails.qvb" "$tmp/work/odd [1]*.qvb" "$tmp/work/m.eml" \
        "$tmp/work/note.txt" "$tmp/work/lib.so"
    cd "$tmp/work"
    expect() {
        local mode=$1 line=$2 want=$3 got
        got=$(complete_line "$mode" "$line" | tr '\n' '|') || true
        [[ $got == "$want" ]] || fail "[$mode] '$line' completes to '$got', expected '$want'"
    }
    for mode in "${modes[@]}"; do
        expect "$mode" "quorvel-cli ch" "check|"
        expect "$mode" "quorvel-cli co" "compact|"
        expect "$mode" "quorvel-cli check --r" "--repair|"
        expect "$mode" "quorvel-cli ls " "a.qvb|my mails.qvb|odd [1]*.qvb|other|sub folder|"
        expect "$mode" "quorvel-cli ls my" "my mails.qvb|"
        expect "$mode" "quorvel-cli import a.qvb " "m.eml|other|sub folder|"
        expect "$mode" "quorvel-cli import --folder 3 a.qvb " "m.eml|other|sub folder|"
        expect "$mode" "quorvel-cli import --folder " ""
        expect "$mode" "quorvel-cli export a.qvb --to " "other|sub folder|"
        expect "$mode" "quorvel-cli regsvr -u " "lib.so|other|sub folder|"
        expect "$mode" "quorvel-cli help com" "compact|"
    done
    ;;

*)
    echo "unknown check $check" >&2
    exit 2
    ;;
esac
finish

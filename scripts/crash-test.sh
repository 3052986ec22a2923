#!/usr/bin/env bash
# Kills quorvel-cli imports and the window's save (crash_save_driver) with
# SIGKILL at random moments, and after every kill checks that nothing was
# lost: `quorvel-cli check` finds the archive sound (every mail has both its
# rows), every mail stored is byte for byte the file it came from, a killed
# save left the old or the new archive whole, and the next save into that
# folder removes the temporary copy the killed one left.
#
# Usage: scripts/crash-test.sh [BUILD_FOLDER]     (default: build-test)
# The build folder must hold program/quorvel-cli and
# tests/crash/crash_save_driver. CRASH_SEED=N repeats a run.
# Prints one summary line; exits 1 on any damage, 2 when it cannot run.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

build=${1:-build-test}
cli=$PWD/$build/program/quorvel-cli
saver=$PWD/$build/tests/crash/crash_save_driver
case $build in /*) cli=$build/program/quorvel-cli saver=$build/tests/crash/crash_save_driver ;; esac
if [[ ! -x $cli || ! -x $saver ]]; then
    echo "crash-test: build quorvel-cli and crash_save_driver in $build first" >&2
    exit 2
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# CRASH_KILLS=N (default 120) makes a longer run by hand; CI keeps the default.
kills_wanted=${CRASH_KILLS:-120}
readonly import_kills_wanted=$((kills_wanted * 7 / 12)) save_kills_wanted=$((kills_wanted * 5 / 12)) mails_per_round=8
readonly budget_s=${CRASH_BUDGET_S:-$((150 * kills_wanted / 120))}
seed=${CRASH_SEED:-$((($(date +%s) ^ $$) & 32767))}
RANDOM=$seed

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-crash-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/arc" "$work/save" "$work/copies"
archive=$work/arc/a.qvb
start_s=$SECONDS
import_kills=0 save_kills=0 copies_left=0 journals_left=0 claims_left=0 mails_checked=0 last_id=0 round=0

fail() {
    echo "crash-test: DAMAGE (seed $seed, after $import_kills import and $save_kills save kills): $*" >&2
    exit 1
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Sleeps a random time from 0 to $1 milliseconds.
random_sleep() {
    local ms=$(((RANDOM * 32768 + RANDOM) % ($1 + 1)))
    sleep "$((ms / 1000)).$(printf '%03d' $((ms % 1000)))"
}

# A mail file of about $3 bytes whose subject is $2 (so export names it $2.eml).
make_mail() {
    {
        printf 'From: sender%d@example.com\nTo: archive@example.com\nSubject: %s\n' "$RANDOM" "$2"
        printf 'Date: Tue, 1 Jan 2002 10:%02d:00 +0900\nMessage-ID: <%s@example.com>\n\n' $((RANDOM % 60)) "$2"
        head -c "$3" /dev/urandom | base64 -w 76
    } >"$1"
}

# Mostly small mails, some of tens of kilobytes, a few of about a megabyte.
random_size() {
    local pick=$((RANDOM % 100))
    if ((pick < 75)); then
        echo $((100 + RANDOM % 5000))
    elif ((pick < 95)); then
        echo $((10000 + (RANDOM * 3) % 90000))
    else
        echo $((300000 + (RANDOM * 30) % 900000))
    fi
}

# The mails stored since the last check are each equal to their source.
check_archive() {
    local what=$1
    "$cli" check "$archive" >"$work/check.out" 2>"$work/check.err" ||
        fail "$what: check says: $(cat "$work/check.out" "$work/check.err")"
    "$cli" ls "$archive" --folder 1 >"$work/list" 2>"$work/ls.err" || fail "$what: ls: $(cat "$work/ls.err")"
    local ids
    ids=$(awk -F'\t' -v last="$last_id" '$1 + 0 > last { print $1 }' "$work/list")
    [[ -z $ids ]] && return 0
    rm -rf "$work/out" && mkdir "$work/out"
    # shellcheck disable=SC2086
    "$cli" export "$archive" --to "$work/out" $ids >/dev/null 2>"$work/export.err" ||
        fail "$what: export: $(cat "$work/export.err")"
    local count=0 file
    for file in "$work/out"/*; do
        cmp -s "$file" "$work/src/${file##*/}" || fail "$what: ${file##*/} differs from its source"
        count=$((count + 1))
    done
    (($(wc -w <<<"$ids") == count)) || fail "$what: $(wc -w <<<"$ids") new mails, $count exported"
    mails_checked=$((mails_checked + count))
    last_id=$(tail -n 1 <<<"$ids")
}

# Runs "$@" in the background and kills it after a random time up to $1 ms;
# answers whether the kill found it still running.
run_and_kill() {
    local limit=$1 pid status=0
    shift
    "$@" >/dev/null 2>"$work/killed.err" &
    pid=$!
    random_sleep "$limit"
    kill -9 "$pid" 2>/dev/null || true
    { wait "$pid"; } 2>/dev/null || status=$?  # no "Killed" line from the shell
    if ((status == 137)); then
        return 0
    fi
    ((status == 0)) || fail "$* ended with status $status: $(cat "$work/killed.err")"
    return 1
}

# $1: whole, kill (after up to $import_ms ms, which follows how long the
# imports take) or large (a few mails of megabytes, not killed, that make the
# archive the saves copy a large one).
import_round() {
    round=$((round + 1))
    local files=() i name count=$mails_per_round
    [[ $1 == large ]] && count=4
    for ((i = 1; i <= count; i++)); do
        name=crash-$round-$i.eml
        make_mail "$work/src/$name" "crash-$round-$i" "$([[ $1 == large ]] && echo 8000000 || random_size)"
        files+=("$work/src/$name")
    done
    if [[ $1 != kill ]]; then
        "$cli" import "$archive" --wait 20 "${files[@]}" >/dev/null 2>"$work/import.err" ||
            fail "import: $(cat "$work/import.err")"
    elif run_and_kill "$import_ms" "$cli" import "$archive" --wait 20 "${files[@]}"; then
        import_kills=$((import_kills + 1))
        import_ms=$((import_ms * 11 / 10))
        [[ -s $archive-journal ]] && journals_left=$((journals_left + 1))
        [[ -e ${archive%.qvb}.hvl ]] && claims_left=$((claims_left + 1))
    else
        import_ms=$((import_ms * 3 / 4 + 1))  # ended before the kill: kill sooner
    fi
    check_archive "import round $round"
}

"$cli" new "$archive" >/dev/null
t0=$(now_ms)
import_round whole
import_ms=$(($(now_ms) - t0 + 50))
cp "$archive" "$work/copies/old.qvb"

# Kills during imports; each next import clears the claim and rolls back the
# write the killed one cut short.
while ((import_kills < import_kills_wanted && SECONDS - start_s < budget_s * 2 / 3)); do
    import_round kill
done
import_round large
cp "$archive" "$work/copies/new.qvb"
last_id=0
check_archive "all mails"

# Kills during saves of the new archive over the old one.
old=$work/copies/old.qvb new=$work/copies/new.qvb target=$work/save/a.qvb
cp "$old" "$target"
t0=$(now_ms)
"$saver" "$new" "$target" || fail "the first save failed"
save_ms=$(($(now_ms) - t0 + 20))
"$saver" "$old" "$target" || fail "a save failed"
while ((save_kills < save_kills_wanted && SECONDS - start_s < budget_s)); do
    run_and_kill "$save_ms" "$saver" "$new" "$target" && save_kills=$((save_kills + 1))
    cmp -s "$target" "$old" || cmp -s "$target" "$new" || fail "a killed save left neither the old nor the new file"
    "$cli" check "$target" >"$work/check.out" 2>&1 || fail "after a killed save, check says: $(cat "$work/check.out")"
    if compgen -G "$work/save/.quorvel-copy-*" >/dev/null; then
        copies_left=$((copies_left + 1))
    fi
    "$saver" "$old" "$target" || fail "the save after a killed one failed"
    ! compgen -G "$work/save/.quorvel-copy-*" >/dev/null || fail "the next save left the killed one's temporary copy"
    cmp -s "$target" "$old" || fail "the next save did not write the file whole"
done

kills=$((import_kills + save_kills))
summary="$kills kills ($import_kills during imports: $journals_left cut a write short, $claims_left left a claim;"
summary+=" $save_kills during saves of $(($(stat -c %s "$new") / 1048576)) MB: $copies_left left a temporary copy),"
summary+=" $mails_checked stored mails compared, $((SECONDS - start_s)) s, seed $seed"
if ((kills < 50)); then
    echo "crash-test: too few kills landed: $summary" >&2
    exit 2
fi
echo "crash-test: no damage: $summary"

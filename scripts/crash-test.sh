#!/usr/bin/env bash
# Kills quorvel-cli imports, batched imports of an mbox
# (crash_mbox_import_driver) and the window's save (crash_save_driver) with
# SIGKILL at random moments, and after every kill checks that nothing was
# lost: `quorvel-cli check` finds the archive sound (every mail has both its
# rows), every mail stored is byte for byte the file it came from, a killed
# mbox import kept every mail it had committed and lost at most its open
# batch (the mails it kept are the mbox's first ones, in order), importing
# the mbox again with --skip-duplicates completes it with each mail once, a
# killed save left the old or the new archive whole, and the next save into
# that folder removes the temporary copy the killed one left.
#
# Usage: scripts/crash-test.sh [BUILD_FOLDER]     (default: build-test)
# The build folder must hold program/quorvel-cli,
# tests/crash/crash_mbox_import_driver and tests/crash/crash_save_driver.
# CRASH_SEED=N repeats a run.
# Prints one summary line; exits 1 on any damage, 2 when it cannot run.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

build=${1:-build-test}
cli=$PWD/$build/program/quorvel-cli
saver=$PWD/$build/tests/crash/crash_save_driver
mboxer=$PWD/$build/tests/crash/crash_mbox_import_driver
case $build in /*) cli=$build/program/quorvel-cli saver=$build/tests/crash/crash_save_driver
    mboxer=$build/tests/crash/crash_mbox_import_driver ;; esac
if [[ ! -x $cli || ! -x $saver || ! -x $mboxer ]]; then
    echo "crash-test: build quorvel-cli, crash_mbox_import_driver and crash_save_driver in $build first" >&2
    exit 2
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# CRASH_KILLS=N (default 120) makes a longer run by hand; CI keeps the default.
kills_wanted=${CRASH_KILLS:-120}
readonly import_kills_wanted=$((kills_wanted * 7 / 12)) save_kills_wanted=$((kills_wanted * 5 / 12)) mails_per_round=8
# Mbox imports killed on top of those, in time of their own; each mbox holds
# mbox_mails mails, and the driver commits a batch after batch_mails mails
# (or a second), so that kills land inside and between batches.
readonly mbox_kills_wanted=$((kills_wanted / 15 > 3 ? kills_wanted / 15 : 3)) mbox_mails=600 batch_mails=100
readonly budget_s=${CRASH_BUDGET_S:-$((150 * kills_wanted / 120))}
readonly mbox_budget_s=$((budget_s / 3))
seed=${CRASH_SEED:-$((($(date +%s) ^ $$) & 32767))}
RANDOM=$seed

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-crash-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/arc" "$work/save" "$work/copies" "$work/pool" "$work/mbox"
archive=$work/arc/a.qvb
start_s=$SECONDS
import_kills=0 save_kills=0 copies_left=0 journals_left=0 claims_left=0 mails_checked=0 last_id=0 round=0
mbox_kills=0 mbox_rounds=0 batches_cut=0

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

# The mails of the mbox rounds, once: each a file of its own, named after
# its subject as export names it, and all of them as one mbox.
make_mbox_pool() {
    local i
    for ((i = 1; i <= mbox_mails; i++)); do
        make_mail "$work/pool/mbox-$i.eml" "mbox-$i" $((100 + RANDOM % 3000))
        printf 'From crash@example.com Tue Jan  1 10:00:00 2002\n' >>"$work/pool.mbox"
        cat "$work/pool/mbox-$i.eml" >>"$work/pool.mbox"
        printf '\n' >>"$work/pool.mbox"
    done
    (cd "$work/pool" && sha256sum -- *.eml) | sort >"$work/pool.sums"
}

# The mails of the archive's folder named $1 ($2 says when, for messages):
# in identifier order the mbox's first mails in its order, each byte for byte
# its file of the pool (all but the first $3, compared before). Their count
# is left in $folder_mails.
check_mbox_folder() {
    local name=$1 what=$2 compared=${3:-0} id
    id=$(awk -F'\t' -v name="$name" '$3 == name { print $1 }' <("$cli" ls "$archive"))
    folder_mails=0
    [[ -z $id ]] && return 0
    "$cli" ls "$archive" --folder "$id" >"$work/list" 2>"$work/ls.err" || fail "$what: ls: $(cat "$work/ls.err")"
    folder_mails=$(wc -l <"$work/list")
    ((folder_mails == 0)) && return 0
    awk -F'\t' '{ if ($7 != "mbox-" NR) { print "mail " $1 " is " $7 ", not mbox-" NR; exit 1 } }' "$work/list" \
        >"$work/order" || fail "$what: not the mbox's first mails in order: $(cat "$work/order")"
    rm -rf "$work/out" && mkdir "$work/out"
    ((folder_mails > compared)) || return 0
    # shellcheck disable=SC2046
    "$cli" export "$archive" --to "$work/out" $(tail -n +$((compared + 1)) "$work/list" | cut -f1) >/dev/null \
        2>"$work/export.err" || fail "$what: export: $(cat "$work/export.err")"
    (cd "$work/out" && sha256sum -- *.eml) | sort >"$work/got.sums"
    (($(wc -l <"$work/got.sums") == folder_mails - compared)) ||
        fail "$what: $((folder_mails - compared)) mails to compare, $(wc -l <"$work/got.sums") exported"
    [[ -z $(comm -23 "$work/got.sums" "$work/pool.sums") ]] ||
        fail "$what: stored mails differ from their sources: $(comm -23 "$work/got.sums" "$work/pool.sums" | head -3)"
    mails_checked=$((mails_checked + folder_mails - compared))
}

# An mbox import killed at a random moment, checked, then completed by the
# tool with --skip-duplicates.
mbox_round() {
    mbox_rounds=$((mbox_rounds + 1))
    local name=box-$mbox_rounds stored=0 committed=0
    cp "$work/pool.mbox" "$work/mbox/$name"
    : >"$work/report"
    if run_and_kill "$mbox_ms" "$mboxer" "$archive" "$work/mbox/$name" "$work/report" "$batch_mails"; then
        mbox_kills=$((mbox_kills + 1))
        mbox_ms=$((mbox_ms * 11 / 10))
        [[ -s $archive-journal ]] && journals_left=$((journals_left + 1))
    else
        mbox_ms=$((mbox_ms * 3 / 4 + 1))
    fi
    "$cli" check "$archive" >"$work/check.out" 2>"$work/check.err" ||
        fail "mbox round $mbox_rounds: check says: $(cat "$work/check.out" "$work/check.err")"
    read -r stored committed <"$work/report" || true
    stored=$((10#${stored:-0})) committed=$((10#${committed:-0}))
    check_mbox_folder "$name" "mbox round $mbox_rounds"
    ((folder_mails >= committed)) || fail "mbox round $mbox_rounds: $committed mails committed, $folder_mails kept"
    ((stored - folder_mails <= batch_mails)) ||
        fail "mbox round $mbox_rounds: $stored mails stored, only $folder_mails kept: more than a batch lost"
    ((folder_mails < stored)) && batches_cut=$((batches_cut + 1))
    "$cli" import "$archive" --skip-duplicates --wait 20 "$work/mbox/$name" >/dev/null 2>"$work/import.err" ||
        fail "mbox round $mbox_rounds: the import again: $(cat "$work/import.err")"
    check_mbox_folder "$name" "mbox round $mbox_rounds, completed" "$folder_mails"
    ((folder_mails == mbox_mails)) || fail "mbox round $mbox_rounds: $folder_mails mails after completing, not $mbox_mails"
}

"$cli" new "$archive" >/dev/null
make_mbox_pool
t0=$(now_ms)
"$mboxer" "$archive" "$work/pool.mbox" "$work/report" "$batch_mails" || fail "the first mbox import failed"
mbox_ms=$(($(now_ms) - t0 + 50))
check_mbox_folder pool.mbox "the first mbox import"
((folder_mails == mbox_mails)) || fail "the first mbox import stored $folder_mails mails, not $mbox_mails"
start_s=$SECONDS  # the kills' time budgets start here
t0=$(now_ms)
import_round whole
import_ms=$(($(now_ms) - t0 + 50))
cp "$archive" "$work/copies/old.qvb"

# Kills during imports; each next import clears the claim and rolls back the
# write the killed one cut short.
while ((import_kills < import_kills_wanted && SECONDS - start_s < budget_s * 2 / 3)); do
    import_round kill
done
# Kills during batched imports of an mbox into a folder of its own.
mbox_start_s=$SECONDS
while ((mbox_kills < mbox_kills_wanted && SECONDS - mbox_start_s < mbox_budget_s)); do
    mbox_round
done
mbox_s=$((SECONDS - mbox_start_s))
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
while ((save_kills < save_kills_wanted && SECONDS - start_s - mbox_s < budget_s)); do
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

kills=$((import_kills + mbox_kills + save_kills))
summary="$kills kills ($import_kills during imports and $mbox_kills during mbox imports ($batches_cut lost an open batch):"
summary+=" $journals_left cut a write short, $claims_left left a claim;"
summary+=" $save_kills during saves of $(($(stat -c %s "$new") / 1048576)) MB: $copies_left left a temporary copy),"
summary+=" $mails_checked stored mails compared, $((SECONDS - start_s)) s, seed $seed"
if ((kills < 50)); then
    echo "crash-test: too few kills landed: $summary" >&2
    exit 2
fi
echo "crash-test: no damage: $summary"

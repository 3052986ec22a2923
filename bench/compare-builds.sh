#!/usr/bin/env bash
# Runs the benchmarks of two Release builds one after the other, so that a
# change can be judged against the code before it on the same machine in the
# same minutes:
#
#   bench/compare-builds.sh BEFORE_BUILD AFTER_BUILD [BENCH...]
#
# BENCH names a benchmark executable (default: every one both builds have);
# each runs in the before build, then in the after build, with its output.
set -euo pipefail
[[ $# -ge 2 ]] || { echo "usage: $0 BEFORE_BUILD AFTER_BUILD [BENCH...]" >&2; exit 2; }
before=$1 after=$2
shift 2
benches=("$@")
if [[ ${#benches[@]} -eq 0 ]]; then
    benches=(archive_bench folder_bench maillist_bench import_store_bench import_bench)
fi
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for bench in "${benches[@]}"; do
    for side in before after; do
        build=$before
        [[ $side == after ]] && build=$after
        exe=$(find "$build/bench" -type f -name "$bench" -perm -u+x | head -n 1)
        if [[ -z $exe ]]; then
            echo "== $bench ($side): not built in $build"
            continue
        fi
        echo "== $bench ($side)"
        # Those that take a work folder get a fresh one; the others their defaults.
        args=()
        case $bench in
            archive_bench | maillist_bench) args=("$work/$side-$bench") ;;
        esac
        XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache "$exe" "${args[@]}" 2>&1 || echo "   (exit status $?)"
        rm -rf "${work:?}/$side-$bench"
    done
done

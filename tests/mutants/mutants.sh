#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plants the faults listed in tests/mutants/mutants.list one at a time in a scratch copy of the tree,
# rebuilds the copy and runs the tests against it; prints which test caught each fault, or
# that it survived, and the share of faults caught. Not part of CI: every fault rebuilds.
#
#   tests/mutants/mutants.sh            every fault in the list
#   tests/mutants/mutants.sh 3 17       only these (numbered in list order)
#   tests/mutants/mutants.sh --check    only check that every fault applies, nothing is built
#
# Like every test, all of it runs against the simulated EC; the restart commands are stubbed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
list=$root/tests/mutants/mutants.list
work=${VANTU_MUTANTS_DIR:-$root/build-mutants}
src=$work/src
build=$work/build
jobs=${VANTU_MUTANTS_JOBS:-2}
test_timeout=${VANTU_MUTANTS_TEST_TIMEOUT:-120}

check_only=0
selected=()
for arg in "$@"; do
    if [[ $arg == --check ]]; then check_only=1; else selected+=("$arg"); fi
done

# ---- the list: blocks of "file:", "from:", "to:" and an optional "equivalent:" line,
# separated by blank lines; "\n" in a text stands for a line end.
files=() froms=() tos=() reasons=()
parse_list() {
    local file="" from="" to="" reason="" have=0 line
    flush() {
        if ((have)); then
            files+=("$file") froms+=("$from") tos+=("$to") reasons+=("$reason")
        fi
        file="" from="" to="" reason="" have=0
    }
    while IFS= read -r line || [[ -n $line ]]; do
        case $line in
            '#'*) ;;
            '') flush ;;
            file:*) file=${line#file:}; file=${file# }; have=1 ;;
            from:*) from=${line#from:}; from=${from# } ;;
            to:*) to=${line#to:}; to=${to# } ;;
            equivalent:*) reason=${line#equivalent:}; reason=${reason# } ;;
            *) echo "mutants.list: cannot read the line: $line" >&2; exit 2 ;;
        esac
    done < "$list"
    flush
}
parse_list

# Counts and replaces literally (no pattern characters), with "\n" as a line end.
occurrences() { # file from
    FROM=$2 perl -0777 -ne '(my $f = $ENV{FROM}) =~ s/\\n/\n/g; my $n = () = /\Q$f\E/g; print $n' "$1"
}
apply_mutant() { # file from to
    FROM=$2 TO=$3 perl -0777 -pi -e '(my $f = $ENV{FROM}) =~ s/\\n/\n/g; (my $t = $ENV{TO}) =~ s/\\n/\n/g; s/\Q$f\E/$t/' "$1"
}

valid=1
for i in "${!files[@]}"; do
    n=$((i + 1))
    f=${files[$i]}
    if [[ $f == *_win.cpp || ! -f $root/$f ]]; then
        echo "mutant $n: $f is not a Linux-built file of the tree" >&2
        valid=0
        continue
    fi
    count=$(occurrences "$root/$f" "${froms[$i]}")
    if [[ $count != 1 ]]; then
        echo "mutant $n: the original text occurs $count times in $f (must be once): ${froms[$i]}" >&2
        valid=0
    fi
done
((valid)) || exit 2
if ((check_only)); then
    echo "${#files[@]} mutants, each original text found exactly once"
    exit 0
fi
if ((${#selected[@]} == 0)); then
    for i in "${!files[@]}"; do selected+=($((i + 1))); done
fi
for n in "${selected[@]}"; do
    if ! [[ $n =~ ^[0-9]+$ ]] || ((n < 1 || n > ${#files[@]})); then
        echo "no mutant $n: the list has 1 to ${#files[@]}" >&2
        exit 2
    fi
done

# ---- the scratch copy: every tracked and untracked-but-not-ignored file of the worktree, copied
# once at the start and only when it differs. A plain copy gets a new time stamp, so Ninja
# rebuilds what it touches. Each fault goes into the copy of its file as it was then, so edits
# in the worktree during the run change nothing.
sync_tree() {
    local f
    while IFS= read -r -d '' f; do
        [[ -f $root/$f ]] || continue
        if ! cmp -s "$root/$f" "$src/$f"; then
            mkdir -p "$src/$(dirname "$f")"
            cp "$root/$f" "$src/$f"
        fi
    done < <(git -C "$root" ls-files -co --exclude-standard -z)
    chmod +x "$src"/scripts/*.sh 2>/dev/null || true
}

mkdir -p "$src"
. "$root/scripts/test_guards.sh"
guard_test_environment "$work/restart-stubs"

start=$SECONDS
sync_tree
rm -rf "$work/original"
for f in "${files[@]}"; do
    mkdir -p "$work/original/$(dirname "$f")"
    cp "$src/$f" "$work/original/$f"
done
restore() { # file
    cmp -s "$work/original/$1" "$src/$1" || cp "$work/original/$1" "$src/$1"
}
echo "== building the unmutated copy in $build"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache > "$work/configure.log"
cmake --build "$build" -j "$jobs" > "$work/build.log"

# The test programs that sit right above each layer run first: a fault is usually caught there
# within seconds. Only when they all pass does the rest of the suite run.
declare -A first_programs=(
    [platform]="platform_tests"
    [hw]="hw_tests" [spi]="spi_tests" [flash]="flash_tests" [settings]="settings_tests"
    [version]="version_tests version_format_tests" [cli]="cli_tests cli_process_tests")
test_numbers() { # programs... -> "first|rest" as comma lists of ctest numbers
    (cd "$build" && ctest --show-only=json-v1) | PROGRAMS="$*" perl -MJSON::PP -e '
        local $/; my $tests = decode_json(<STDIN>)->{tests};
        my %first = map { $_ => 1 } split " ", $ENV{PROGRAMS};
        my (@first, @rest);
        for my $i (0 .. $#$tests) {
            my $program = $tests->[$i]{command}[0] // ""; $program =~ s{.*/}{};
            push @{ $first{$program} ? \@first : \@rest }, $i + 1;
        }
        print join(",", @first), "|", join(",", @rest), "\n";'
}
# Runs the given ctest numbers, stopping at the first failure; prints the failing test.
run_tests() { # numbers log
    [[ -n $1 ]] || return 0
    if (cd "$build" && ctest -j "$jobs" --stop-on-failure --timeout "$test_timeout" -I "0,0,0,$1") > "$2" 2>&1; then
        return 0
    fi
    local caught
    caught=$(sed -n '/The following tests FAILED/,$p' "$2" | sed -n '2{s/^[[:space:]]*[0-9]* - //;p}')
    echo "${caught:-the test run (see $2)}"
    return 1
}

killed=0 survived=0 equivalent=0 equivalent_killed=0 broken=0
for n in "${selected[@]}"; do
    i=$((n - 1))
    f=${files[$i]}
    [[ -z ${planted:-} ]] || restore "$planted"
    planted=$f
    apply_mutant "$src/$f" "${froms[$i]}" "${tos[$i]}"
    what="$f: ${froms[$i]} -> ${tos[$i]}"
    mutant_start=$SECONDS
    if ! cmake --build "$build" -j "$jobs" > "$work/mutant-$n-build.log" 2>&1; then
        echo "mutant $n DOES NOT BUILD ($what), see $work/mutant-$n-build.log"
        broken=$((broken + 1))
        continue
    fi
    layer=${f%%/*}
    IFS='|' read -r first rest < <(test_numbers ${first_programs[$layer]:-})
    caught=$(run_tests "$first" "$work/mutant-$n-first.log") || true
    if [[ -z $caught ]]; then
        caught=$(run_tests "$rest" "$work/mutant-$n-rest.log") || true
    fi
    took=$((SECONDS - mutant_start))
    if [[ -n ${reasons[$i]} ]]; then
        equivalent=$((equivalent + 1))
        if [[ -n $caught ]]; then
            equivalent_killed=$((equivalent_killed + 1))
            echo "mutant $n caught by $caught, though listed as equivalent (${took}s): $what"
        else
            echo "mutant $n equivalent, survived as expected (${took}s): $what -- ${reasons[$i]}"
        fi
    elif [[ -n $caught ]]; then
        killed=$((killed + 1))
        echo "mutant $n caught by $caught (${took}s): $what"
    else
        survived=$((survived + 1))
        echo "mutant $n SURVIVED (${took}s): $what"
    fi
done

# Leave the copy unmutated, so the next run starts from a built original.
[[ -z ${planted:-} ]] || restore "$planted"
cmake --build "$build" -j "$jobs" > "$work/build.log" 2>&1 || true

judged=$((killed + survived))
rate=$(awk -v k=$killed -v j=$judged 'BEGIN { printf j ? "%.1f" : "-", j ? 100 * k / j : 0 }')
echo "== ${#selected[@]} mutants: $killed caught, $survived survived, $equivalent equivalent" \
     "($equivalent_killed of them caught anyway), $broken not built; kill rate $rate % of" \
     "the non-equivalent; $((SECONDS - start)) s"
((survived == 0 && broken == 0))

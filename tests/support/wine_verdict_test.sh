#!/usr/bin/env bash
# wine_verdict.sh's decisions on a real GoogleTest program under the real Wine,
# behind a stand-in for wine that follows a plan, a word per start: "ok",
# "after" (runs, then dies as the loader does at exit) or "before" (dies first).
#   wine_verdict_test.sh <wine> <probe.exe>
set -uo pipefail
real_wine=$1 probe=$2 here=$(cd "$(dirname "$0")" && pwd) work=$(mktemp -d) failures=0
trap 'rm -rf "$work"' EXIT
cat >"$work/wine" <<EOF
#!/usr/bin/env bash
read -r mode rest <"$work/plan"; echo "\$rest" >"$work/plan"
[ "\$mode" != before ] || { ulimit -c 0; kill -ABRT \$\$; }
[ "\$mode" = after ] || exec "$real_wine" "\$@"
"$real_wine" "\$@"; exit 127
EOF
chmod +x "$work/wine"
fail() { echo "FAIL $*"; cat -v "$work/out" "$work/err" | sed "s/^/  | /"; failures=$((failures + 1)); }

# check <case> <plan> <status> <deaths logged, by kind> <command...>; each
# death is also printed.
check() {
  local name=$1 deaths=$4 status
  echo "$2" >"$work/plan"
  : >"$work/log"
  KZP_WINE_DEATH_LOG=$work/log "${@:5}" >"$work/out" 2>"$work/err" && status=0 || status=$?
  local logged=$(awk '{printf "%s%s", sep, $2; sep = " "}' "$work/log")
  [ "$status" = "$3" ] && [ "$logged" = "$deaths" ] &&
    [ "$(grep -o 'wine death: ' "$work/err" | wc -l)" = "$(wc -l <"$work/log")" ] ||
    fail "$name: status $status, deaths '$logged'; expected $3, '$deaths'"
}
# lines <case> <regex> <count>: lines of the last output that match.
lines() { [ "$(tr -d '\r' <"$work/out" | grep -cE "$2")" = "$3" ] || fail "$1: not $3 of '$2'"; }

launch() { "$here/wine_verdict.sh" "$work/wine" "$probe" "$@"; }
check "passes" ok 0 "" launch --gtest_filter=Probe.Passes
check "fails" ok 1 "" launch --gtest_filter=Probe.Fails
check "passed, then died" after 0 after-report launch --gtest_filter=Probe.Passes
check "failed, then died" after 1 after-report launch --gtest_filter=Probe.Fails
check "died, then passed" "before ok" 0 rerun launch --gtest_filter=Probe.Passes
check "died, then failed" "before ok" 1 rerun launch --gtest_filter=Probe.Fails
check "died twice" "before before" 1 "rerun gave-up" launch --gtest_filter=Probe.Passes
check "child did not start" "ok ok" 1 "rerun gave-up" launch --gtest_filter=Probe.ChildDoesNotStart
check "died, then listed" "before after" 0 "rerun after-report" launch --gtest_list_tests
lines "died, then listed" '^Probe\.$|^  (Passes|Fails|ChildDoesNotStart)$' 4

# wine_output, for script tests: what the program printed is its report.
output() { . "$here/wine_verdict.sh" && PATH=$work:$PATH wine_output "$probe" --gtest_filter=Probe.Passes; }
check "printed, then died" after 0 after-report output
lines "printed, then died" '^\[  PASSED  \] 1 test' 1
check "died, then printed" "before ok" 0 rerun output
check "died twice before printing" "before before" 1 "rerun gave-up" output

[ "$failures" = 0 ] && echo "wine_verdict: ok"

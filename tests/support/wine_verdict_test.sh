#!/usr/bin/env bash
# wine_verdict.sh's decisions, on a real GoogleTest program under the real
# Wine, behind a stand-in for wine that makes the process die as a plan says,
# one word per start: "after" (the program ran and reported, then the process
# died as Wine's loader does at exit, status 127), "before" (died before the
# program started, SIGABRT) or "ok".
#   wine_verdict_test.sh <wine> <probe.exe>
set -uo pipefail
real_wine=$1 probe=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

cat >"$work/wine" <<EOF
#!/usr/bin/env bash
read -r mode rest <"$work/plan"
printf '%s\n' "\$rest" >"$work/plan"
case \$mode in
  before) ulimit -c 0; kill -ABRT \$\$ ;;
  after) "$real_wine" "\$@"
    echo "Inconsistency detected by ld.so: dl-fini.c: 87: _dl_fini: Assertion failed!" >&2
    exit 127 ;;
  *) exec "$real_wine" "\$@" ;;
esac
EOF
chmod +x "$work/wine"

# check <case> <plan> <expected status> <expected deaths, by kind> <command...>
# Every death must also be printed.
check() {
  local name=$1 plan=$2 expected=$3 deaths=$4 status logged printed
  shift 4
  printf '%s\n' "$plan" >"$work/plan"
  : >"$work/deaths.log"
  KZP_WINE_DEATH_LOG=$work/deaths.log "$@" >"$work/out" 2>"$work/err" && status=0 || status=$?
  logged=$(awk '{printf "%s%s", sep, $2; sep = " "}' "$work/deaths.log")
  printed=$(grep -c '^wine death: ' "$work/err")
  if [ "$status" != "$expected" ] || [ "$logged" != "$deaths" ] ||
    [ "$printed" != "$(wc -l <"$work/deaths.log")" ]; then
    echo "FAIL $name: status $status (expected $expected), deaths '$logged' (expected '$deaths')," \
      "$printed printed"
    sed 's/^/  | /' "$work/out" "$work/err"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

# expect_output <case> <extended regex> <count>: lines of the last output that match.
expect_output() {
  local count
  count=$(tr -d '\r' <"$work/out" | grep -cE "$2")
  [ "$count" = "$3" ] && return
  echo "FAIL $1: $count lines match '$2', not $3"
  failures=$((failures + 1))
}

launch() { "$here/wine_verdict.sh" "$work/wine" "$probe" "$@"; }
check "passes" ok 0 "" launch --gtest_filter=Probe.Passes
check "fails" ok 1 "" launch --gtest_filter=Probe.Fails
check "reported a pass, then died" after 0 after-report launch --gtest_filter=Probe.Passes
check "reported a failure, then died" after 1 after-report launch --gtest_filter=Probe.Fails
check "died before reporting, then passed" "before ok" 0 rerun launch --gtest_filter=Probe.Passes
check "died before reporting, then failed" "before ok" 1 rerun launch --gtest_filter=Probe.Fails
check "died twice" "before before" 1 "rerun gave-up" launch --gtest_filter=Probe.Passes
check "its child did not start" "ok ok" 1 "rerun gave-up" \
  launch --gtest_filter=Probe.StartsAChildThatCannotStart
check "listed, then died" after 0 after-report launch --gtest_list_tests
expect_output "listed, then died" '^  (Passes|Fails|StartsAChildThatCannotStart)$' 3
check "died before listing, then listed" "before ok" 0 rerun launch --gtest_list_tests
expect_output "died before listing, then listed" '^Probe\.$' 1

# Script tests: wine_output takes what the program printed as its report.
output() {
  . "$here/wine_verdict.sh"
  PATH=$work:$PATH wine_output "$probe" --gtest_filter=Probe.Passes
}
check "printed, then died" after 0 after-report output
expect_output "printed, then died" '^\[  PASSED  \] 1 test' 1
check "died before printing, then printed" "before ok" 0 rerun output
expect_output "died before printing, then printed" '^\[  PASSED  \] 1 test' 1
check "died twice before printing" "before before" 1 "rerun gave-up" output

[ "$failures" = 0 ] || { echo "$failures failed"; exit 1; }
echo "wine_verdict: ok"

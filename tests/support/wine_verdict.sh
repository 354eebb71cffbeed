#!/usr/bin/env bash
# Judges Windows programs under Wine by what they reported, not by how
# Wine's own process ended. Now and then that process dies after the
# program has finished and reported ("Inconsistency detected by ld.so:
# dl-fini.c: 87: _dl_fini: Assertion ... failed!", exit status 127), or
# dies before the program has printed anything (2 of 484 test processes on
# a fresh machine). So:
#   - a program that reported its result and then died counts as that
#     result;
#   - a program that died before reporting runs once more, and the second
#     run decides; dying twice fails.
# Every death is printed on stderr and appended as one line to
# $KZP_WINE_DEATH_LOG (scripts/wine-env sets build/wine-deaths.log), which
# scripts/test counts at its end.
# A child that a Windows program starts (the stub under an end-to-end test,
# a program under kzprun) and whose Wine process dies on its way out still
# gives GetExitCodeProcess its own exit code: Wine's server records it as
# ExitProcess begins, before the Unix process ends. A child that does not
# start at all ends the test without a result (tests/support/process_runner).
#
# Run as a program, it is CTest's launcher for GoogleTest programs:
#   wine_verdict.sh <wine> <program.exe> [arguments...]
# kzp_add_unit_test makes it the program's CROSSCOMPILING_EMULATOR, so
# discovery, every discovered test and every add_test() that runs such a
# program go through it. The report is the XML file that GoogleTest writes
# at the end of its run (--gtest_output). With it, an exit status of 0 or 1
# is GoogleTest's own verdict and stands; any other status (127 from the
# loader, a signal) is a death, and the XML's failures decide. (This
# --gtest_output comes last and so replaces one of the test's own.) A program
# run without any --gtest_ argument is run as plain wine runs it.
#
# Sourced by a script test (". <tests>/support/wine_verdict.sh"), it gives:
#   wine_output <program> [arguments...]
#       in place of "wine <program> ...": runs it under Wine and prints its
#       standard output, which is its report (kzprun's "exit code ..." line,
#       a command's listing); nothing printed and a status other than 0 is
#       a death before reporting. Ends with 0, or with 1 when the program
#       died twice before reporting.
#   wine_path <path>
#       in place of "winepath -w <path>": the Windows name of a Unix path,
#       without starting a Wine process (the prefix maps / to Z:).

wine_path() {
  local path=$1
  [[ $path == /* ]] || path=$PWD/$path
  printf 'Z:%s\n' "${path//\//\\}"
}

# wine_death <kind> <status> <start time> <what>: kind is "after-report" (the
# result stands), "rerun" (died before reporting; runs once more) or
# "gave-up" (died before reporting on the second run too; fails).
wine_deaths_before_report=(rerun gave-up)
wine_death() {
  local kind=$1 status=$2 what=$4 now=${EPOCHREALTIME//[.,]/} start=${3//[.,]/} note
  local elapsed=$(((now - start) / 10000))
  elapsed=$((elapsed / 100)).$(printf '%02d' $((elapsed % 100)))
  note="ended with status $status after $elapsed s without reporting a result"
  case $kind in
    after-report)
      note="reported its result, then its Wine process ended with status $status; it stands"
      ;;
    rerun) note+="; running it once more" ;;
    gave-up) note+=", again; failing" ;;
  esac
  printf 'wine death: %s %s\n' "$what" "$note" >&2
  if [ -n "${KZP_WINE_DEATH_LOG:-}" ]; then
    printf '%s %s status=%s %ss %s\n' "$(date -u +%FT%TZ)" "$kind" "$status" "$elapsed" "$what" \
      >>"$KZP_WINE_DEATH_LOG"
  fi
}

wine_output() {
  local what="${0##*/}: wine $*" attempt output status start
  local out="${TMPDIR:-/tmp}/kzp-output-$$-$BASHPID" err="${TMPDIR:-/tmp}/kzp-errors-$$-$BASHPID"
  for attempt in 1 2; do
    start=$EPOCHREALTIME
    # Through files, not pipes, for the reason wine_gtest gives.
    wine "$@" >"$out" 2>"$err" && status=0 || status=$?
    output=$(<"$out")
    cat "$err" >&2
    rm -f "$out" "$err"
    if [ -n "$output" ] || [ "$status" = 0 ]; then
      [ "$status" = 0 ] || wine_death after-report "$status" "$start" "$what"
      [ -z "$output" ] || printf '%s\n' "$output"
      return 0
    fi
    wine_death "${wine_deaths_before_report[attempt - 1]}" "$status" "$start" "$what"
  done
  return 1
}

wine_gtest() {
  local wine=$1
  shift
  [[ " $* " == *" --gtest_"* ]] || exec "$wine" "$@"
  local xml="${TMPDIR:-/tmp}/kzp-gtest-$$.xml" out="${TMPDIR:-/tmp}/kzp-gtest-$$.out"
  local what="${1##*/} ${*:2}"
  local flag="--gtest_output=xml:Z:${xml//\//\\}" listing= attempt output status start report
  [[ " $* " != *" --gtest_list_tests "* ]] || listing=1
  for attempt in 1 2; do
    : >"$xml"
    start=$EPOCHREALTIME
    if [ -n "$listing" ]; then
      # CMake parses the listing: only a run that reported may print it.
      output=$("$wine" "$@" "$flag") && status=0 || status=$?
    else
      # Through a file, not CTest's pipe: a process that the program leaves
      # running (an installer's stage, a console host) inherits Wine's
      # output, and CTest would wait for it to end, past the time limit.
      "$wine" "$@" "$flag" >"$out" 2>&1 && status=0 || status=$?
      cat "$out"
      rm -f "$out"
    fi
    report=
    IFS= read -r -d '' report <"$xml" || true
    rm -f "$xml"
    if [[ $report == *"</testsuites>"* ]]; then
      [ -z "$listing" ] || printf '%s\n' "$output"
      if [ "$status" = 0 ] || [ "$status" = 1 ]; then
        [ -n "$listing" ] || return "$status"
        return 0
      fi
      wine_death after-report "$status" "$start" "$what"
      [ -z "$listing" ] && [[ $report == *"<failure"* ]] && return 1
      return 0
    fi
    wine_death "${wine_deaths_before_report[attempt - 1]}" "$status" "$start" "$what"
  done
  return 1
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  set -u
  wine_gtest "$@"
fi

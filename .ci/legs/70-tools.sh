#!/usr/bin/env bash
# The command-line tools as users get them: genkat, katcheck and morvsum built
# (Release) and installed into a temporary prefix as the component tools alone,
# as docs/tools.md says; the installed genkat run on the default inputs in
# data/; katcheck must pass all sixteen files, then fail on a copy with one
# changed digit and name that digit's line; morvsum must check the checksums it
# printed for the sixteen files. Then katcheck on the hostile inputs too long
# for the test suite: 2^31 lines, a 512 MiB line, 1 GiB without a line end, a
# 1 GiB comment and /dev/zero, each under a limit of 64 MiB of address space.
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make g++

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake -S . -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DMORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$work/build" -j2 --target genkat katcheck morvsum >/dev/null
cmake --install "$work/build" --component tools --prefix "$work/prefix" >/dev/null
katcheck=$work/prefix/bin/katcheck
[ -x "$katcheck" ] && [ -x "$work/prefix/bin/morvsum" ] || fail "the tools were not installed"

echo "-- genkat on data/"
mkdir "$work/run"
cp data/*.txt "$work/run/"
(cd "$work/run" && "$work/prefix/bin/genkat" >/dev/null)
files=()
for d in 224 256 384 512; do
  for kind in ShortMsgKAT LongMsgKAT ExtremelyLongMsgKAT MonteCarlo; do
    files+=("${kind}_$d.txt")
  done
done

echo "-- katcheck on the sixteen files"
(cd "$work/run" && "$katcheck" "${files[@]}") || fail "katcheck rejected genkat's files"

echo "-- katcheck on a copy with one changed digit"
# The digest of the 100th record of ShortMsgKAT_256.txt, its last digit changed.
name=ShortMsgKAT_256.txt
line=$(grep -n '^MD = ' "$work/run/$name" | sed -n 100p | cut -d: -f1)
[ -n "$line" ] || fail "$name has fewer than 100 records"
mkdir "$work/changed"
awk -v n="$line" 'NR == n { sub(/.$/, substr($0, length($0)) == "0" ? "1" : "0") } { print }' \
  "$work/run/$name" >"$work/changed/$name"
cmp -s "$work/run/$name" "$work/changed/$name" && fail "the digit was not changed"
status=0
output=$(cd "$work/changed" && "$katcheck" "$name") || status=$?
echo "$output"
[ "$status" -eq 1 ] || fail "katcheck exited with $status, expected 1"
grep -q "^$name:$line: mismatch in record" <<<"$output" || fail "katcheck did not name line $line"
[ "$(grep -c ': mismatch in record' <<<"$output")" -eq 1 ] || fail "more than one record reported"
echo "ok: katcheck names line $line"

echo "-- morvsum checks what it printed"
(cd "$work/run" && "$work/prefix/bin/morvsum" --tag -l 1024 "${files[@]}" >sums &&
  "$work/prefix/bin/morvsum" -c --quiet sums) || fail "morvsum -c rejected its own checksums"
echo "ok: morvsum"

echo "-- katcheck on hostile inputs, under a limit of 64 MiB of address space"
export PATH="$work/prefix/bin:$PATH"  # so that messages start "katcheck: "
# Runs katcheck on what the command ($2) writes to its standard input; the
# status and both streams must be the rest of the arguments. The command is
# cut off (SIGPIPE) where katcheck stops reading.
hostile() {
  local what=$1 make=$2 want_status=$3 want_out=$4 want_err=$5 status=0 start=$SECONDS
  (ulimit -v 65536 && bash -c "$make" 2>/dev/null | katcheck - >"$work/out" 2>"$work/err") || status=$?
  [ "$status" -eq "$want_status" ] || fail "katcheck exited with $status, expected $want_status: $(cat "$work/err")"
  [ "$(cat "$work/out")" = "$want_out" ] || fail "katcheck printed: $(cat "$work/out")"
  [ "$(cat "$work/err")" = "$want_err" ] || fail "katcheck said: $(cat "$work/err")"
  echo "ok: $what ($((SECONDS - start)) s)"
}
# The empty message's digest (hash_vectors.txt) with its last digit changed.
digest=4B4A5DAB28ACD6AE0A54E0B08D5E16E237F6F22C62FB37D6FA38DC4EAB5E18BB
record="printf 'Len = 0\\nMsg = 00\\nMD = ${digest%?}0\\n'"
mismatch="mismatch in record Len = 0
  file     MD = ${digest%?}0
  computed MD = $digest
-: FAILED, 1 of 1 records did not match"
# The line numbers go past 2^31 (they wrapped to -2147483645).
hostile "2^31 lines" "head -c 2147483648 /dev/zero | tr '\\0' '\\n'; $record" 1 \
  "-:2147483651: $mismatch" ""
# 536870912 zero digits (they overflowed the digest length and matched: OK).
hostile "a 512 MiB digest" "printf 'Len = 0\nMsg = 00\nMD = '; head -c 536870912 /dev/zero | tr '\\0' 0" 2 "" \
  "katcheck: -:3: an \"MD = \" field has at most 16384 hexadecimal digits (65536 bits)"
# A line is refused once it is longer than any field (1 GiB was held: 2 GB).
hostile "1 GiB without a line end" "head -c 1073741824 /dev/zero | tr '\\0' x" 2 "" \
  "katcheck: -:1: \"Len = \", \"Repeat = \" or \"Seed = \" expected, found $(printf 'x%.0s' {1..40})"
# A comment of any length is valid, and read past without being held.
hostile "a comment of 1 GiB" "printf '# '; head -c 1073741824 /dev/zero | tr '\\0' x; printf '\n'; $record" 1 \
  "-:4: $mismatch" ""
status=0
(ulimit -v 65536 && timeout 60 katcheck /dev/zero >/dev/null 2>"$work/err") || status=$?
[ "$status" -eq 2 ] || fail "katcheck /dev/zero exited with $status, expected 2"
grep -q "^katcheck: /dev/zero:1: .* expected, found ''\$'\\\\000" "$work/err" ||
  fail "katcheck /dev/zero said: $(head -c 200 "$work/err")"
echo "ok: katcheck /dev/zero"

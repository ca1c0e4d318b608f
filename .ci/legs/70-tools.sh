#!/usr/bin/env bash
# The command-line tools as users get them: genkat, katcheck and morvsum built
# (Release) and installed into a temporary prefix as the component tools alone,
# as docs/tools.md says; the installed genkat run on the default inputs in
# data/; katcheck must pass all sixteen files, then fail on a copy with one
# changed digit and name that digit's line; morvsum must check the checksums it
# printed for the sixteen files.
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

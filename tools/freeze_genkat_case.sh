#!/usr/bin/env bash
# Freezes what a genkat case folder (tests/data/genkat/<case>) expects, from what
# today's genkat does with the case's inputs: its stdout and status, and every file
# it leaves that out/ does not hold yet and that is not an input left as it was.
# What is already a link (to the independent known answers) is never written
# through: if genkat disagrees with it, the script says so and fails. Check every
# frozen file by eye.
#   tools/freeze_genkat_case.sh build/kat/genkat tests/data/genkat/<case>
set -euo pipefail
genkat=$(realpath "$1")
case=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -d "$case/in" ]; then cp -L "$case"/in/* "$work"/; fi
cd "$work"
if [ -f "$case/setup" ]; then
  while read -r command a b; do
    case $command in
      mkdir) mkdir "$a" ;;
      symlink) ln -s "$a" "$b" ;;
      *) echo "$command: freeze this case by hand" >&2; exit 1 ;;
    esac
  done <"$case/setup"
fi

status=0
"$genkat" >"$work/.stdout" || status=$?
echo "$status" >"$work/.status"
# freeze GOT AS: AS gets GOT's bytes, unless AS is a link, which must agree.
freeze() {
  if [ -L "$2" ]; then
    cmp -s "$1" "$2" || { echo "${2#"$case"/}: genkat disagrees with its link; left alone" >&2; return 1; }
  else
    cp "$1" "$2"
    echo "frozen: ${2#"$case"/}"
  fi
}
freeze "$work/.stdout" "$case/stdout"
freeze "$work/.status" "$case/status"
mkdir -p "$case/out"
for name in *; do
  [ -f "$name" ] && [ ! -L "$name" ] && [ ! -e "$case/out/$name" ] || continue
  if [ -e "$case/in/$name" ] && cmp -s "$name" "$case/in/$name"; then continue; fi
  freeze "$name" "$case/out/$name"
done

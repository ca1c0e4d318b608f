#!/usr/bin/env bash
# Freezes what a genkat case folder (tests/data/genkat/<case>) expects, from what
# today's genkat does with the case's inputs: its stdout and status, and every file
# it writes that out/ does not hold yet (files already there, such as links to the
# independent known answers, are left alone). Check every frozen file by eye.
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
"$genkat" >"$case/stdout" || status=$?
echo "$status" >"$case/status"
mkdir -p "$case/out"
for name in *; do
  if [ -f "$name" ] && [ ! -L "$name" ] && [ ! -e "$case/in/$name" ] && [ ! -e "$case/out/$name" ]; then
    cp "$name" "$case/out/$name"
    echo "frozen: out/$name"
  fi
done

#!/usr/bin/env bash
# Fails when an #include breaks the order of the floors, from the bottom:
#   platform -> tagcodec -> sheet -> editing, commands -> os/*, ui/* -> app, cli
# A file may include headers of its own floor and the floors below. On a shared floor,
# editing and commands may include each other; os/* and ui/* implementations may not
# include one another (only app and cli name both), but for the one conversion of Windows
# text, os/win32/wtf8.h, which ui/win32 uses too. Qt headers stay in ui/qt and app.
# Tests, fuzzers and benchmarks may include anything.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
  case $1 in
    platform) echo 0 ;;
    tagcodec) echo 1 ;;
    sheet) echo 2 ;;
    editing | commands) echo 3 ;;
    os/* | ui/*) echo 4 ;;
    app | cli) echo 5 ;;
    *) echo -1 ;;
  esac
}

# The unit a path belongs to: its top folder, or top/sub for os and ui.
unit() {
  case $1 in
    os/* | ui/*) echo "$1" | cut -d/ -f1-2 ;;
    *) echo "$1" | cut -d/ -f1 ;;
  esac
}

status=0
while IFS= read -r file; do
  from=$(unit "$file")
  from_rank=$(rank "$from")
  [ "$from_rank" -ge 0 ] || continue
  while IFS=: read -r line header; do
    to=$(unit "$header")
    to_rank=$(rank "$to")
    [ "$to_rank" -ge 0 ] || continue
    ok=true
    if [ "$to_rank" -gt "$from_rank" ]; then
      ok=false
    elif [ "$to_rank" -eq "$from_rank" ] && [ "$to" != "$from" ]; then
      case "$from:$to" in
        editing:commands | commands:editing) ;;
        # Windows names and the window's texts share one UTF-16 conversion.
        ui/win32:os/win32) [ "$header" = os/win32/wtf8.h ] || ok=false ;;
        *) ok=false ;;
      esac
    fi
    if ! $ok; then
      echo "$file:$line: includes $header, from a floor above or beside its own" >&2
      status=1
    fi
  done < <(grep -n '^#include "' "$file" | sed -E 's/^([0-9]+):#include "([^"]+)".*/\1:\2/')
  case $from in
    ui/qt | app) ;;
    *)
      if grep -n '^#include <Q' "$file" >&2; then
        echo "$file: includes a Qt header outside ui/qt and app" >&2
        status=1
      fi
      ;;
  esac
done < <(git ls-files -co --exclude-standard -- platform tagcodec sheet editing commands os ui app cli |
  grep -E '\.(h|cpp)$')

[ $status -eq 0 ] && echo "Include order: every #include points to its own floor or below"
exit $status

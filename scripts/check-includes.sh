#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a subsystem above its own, so the
# mouse path reads top to bottom. Ranks, lowest first (a file may include its own
# folder and any lower rank):
#   0 common, and the module's process-wide facts (module.h, guids.h, type_library.h)
#   1 settings   2 context   3 dialogs, menus, overlay (siblings: none includes another)
#   4 actions    5 gesture   6 attach    7 module (exports, class factory, registration)
set -u
src="${1:-$(cd "$(dirname "$0")/.." && pwd)/src}"

# Sets `rank` for a path below src/ (empty: not a subsystem's).
rank_for() {
  case "$1" in
    common/*|module/module.h|module/guids.h|module/type_library.h) rank=0 ;;
    settings/*) rank=1 ;;
    context/*) rank=2 ;;
    dialogs/*|menus/*|overlay/*) rank=3 ;;
    actions/*) rank=4 ;;
    gesture/*) rank=5 ;;
    attach/*) rank=6 ;;
    module/*) rank=7 ;;
    *) rank="" ;;
  esac
}

pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*/[^"]*)"'
status=0
checked=0
while IFS= read -r file; do
  rel="${file#"$src"/}"
  folder="${rel%%/*}"
  rank_for "$rel"
  own="$rank"
  [ -n "$own" ] || continue
  checked=$((checked + 1))
  while IFS= read -r line; do
    [[ "$line" =~ $pattern ]] || continue
    header="${BASH_REMATCH[1]}"
    [ "${header%%/*}" = "$folder" ] && continue
    rank_for "$header"
    [ -n "$rank" ] || continue
    if [ "$rank" -ge "$own" ]; then
      echo "$rel includes $header: a header of the same or a higher subsystem" >&2
      status=1
    fi
  done < <(grep '#[[:space:]]*include' "$file")
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$checked" -eq 0 ]; then
  echo "no sources found under $src" >&2
  exit 1
fi
[ "$status" -eq 0 ] && echo "includes point one way ($checked files)"
exit "$status"

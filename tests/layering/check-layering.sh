#!/usr/bin/env bash
# Fails when a source file includes a layer it must not depend on. Dependencies point one way:
# base → platform → telemetry → drain, charge → app → shell → views → update, assistant → the
# programs (cli, tarvel). Only platform/ and app/ may name a Linux implementation (platform/linux/).
set -euo pipefail
src="${1:?usage: check-layering.sh SRC_DIR}"

# layer → the layers its files may include
declare -A allowed=(
  [base]="base"
  [platform]="base platform"
  [telemetry]="base platform telemetry"
  [drain]="base platform telemetry drain"
  [charge]="base platform telemetry charge"
  [app]="base platform telemetry drain charge app"
  [shell]="base platform telemetry drain charge app shell"
  [views]="base platform telemetry drain charge app shell views"
  [update]="base platform telemetry drain charge app shell update"
  [assistant]="base platform telemetry drain charge app shell views assistant"
  [cli]="base platform telemetry drain charge app shell update cli"
  [tarvel]="base platform telemetry drain charge app shell views update assistant tarvel"
)

status=0
while IFS= read -r -d '' file; do
  rel="${file#"$src"/}"
  layer="${rel%%/*}"
  [[ -n "${allowed[$layer]:-}" ]] || { echo "layering: $rel is in no known layer"; status=1; }
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)

# One grep over every file and matching in the shell: a process per file or per line made
# this the slowest test.
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)"'
while IFS= read -r hit; do
  file="${hit%%:*}"
  line="${hit#*:}"
  [[ "$line" =~ $pattern ]] || continue
  target="${BASH_REMATCH[1]}"
  rel="${file#"$src"/}"
  layer="${rel%%/*}"
  [[ -n "${allowed[$layer]:-}" ]] || continue
  dir="${target%%/*}"
  [[ "$target" == */* ]] || continue
  [[ -n "${allowed[$dir]:-}" ]] || continue  # not one of ours
  if [[ " ${allowed[$layer]} " != *" $dir "* ]]; then
    echo "layering: $rel includes $target ($layer may not depend on $dir)"
    status=1
  fi
  if [[ "$target" == platform/linux/* && "$layer" != platform && "$layer" != app ]]; then
    echo "layering: $rel includes $target (only platform/ and app/ name Linux classes)"
    status=1
  fi
done < <(grep -rE --include='*.h' --include='*.cpp' "$pattern" "$src" || true)

[[ $status -eq 0 ]] && echo "layering: every include points down"
exit $status

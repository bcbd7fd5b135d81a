#!/usr/bin/env bash
# Checks that each folder of the program includes only the folders below it:
# platform -> controls -> comun -> reports -> records -> documents -> agenda -> shell -> app.
# Prints every include that runs upwards; fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
capas=(platform controls comun reports records documents agenda shell app)
rango() {
  local i
  for i in "${!capas[@]}"; do [ "${capas[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}
fallos=0
for carpeta in "${capas[@]}"; do
  [ -d "$carpeta" ] || continue
  propio=$(rango "$carpeta")
  while IFS=: read -r fichero linea incluido; do
    destino=$(rango "${incluido%%/*}")
    if [ "$destino" -gt "$propio" ]; then
      echo "$fichero:$linea: incluye $incluido, de una capa superior"
      fallos=$((fallos + 1))
    fi
  done < <(grep -rnoE '^#include "[a-z]+/[^"]+"' "$carpeta" --include='*.h' --include='*.cpp' |
           sed -E 's/#include "([^"]+)"/\1/')
done
[ "$fallos" -eq 0 ] || { echo "$fallos inclusiones hacia arriba"; exit 1; }
echo "Capas en orden"

#!/usr/bin/env bash
# capas.sh [TREE]: checks that each folder of the program includes only the folders below it, in
# the order the top CMakeLists.txt builds them (ZEMBRA_FOLDERS, then app): platform/rtl ...
# platform/help, controls/visual, controls/edit, controls/data, comun, reports, records, documents,
# agenda, shell, app. A folder may include itself and anything below; platform/ thus never reaches
# the application. Includes are read in any spelling the compiler takes: <...> or "...", indented,
# "# include", and paths relative to the file ("../shell/X.h").
# Prints every include that runs upwards; fails when there is one.
set -euo pipefail
raiz=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$raiz"
mapfile -t capas < <(sed -n '/^set(ZEMBRA_FOLDERS/,/)/p' CMakeLists.txt |
                     sed -e 's/set(ZEMBRA_FOLDERS//' -e 's/)//' | tr -s ' \t' '\n\n' | grep .)
capas+=(app)
[ "${#capas[@]}" -gt 1 ] || { echo "CMakeLists.txt no da el orden de las carpetas (ZEMBRA_FOLDERS)"; exit 1; }

# Every include of the layers' sources, as "file:line:text"; then awk names each file's layer
# and the included one's (the longest folder of the list that holds it; none for Qt, the system,
# the tests), quoted includes looked for first beside the file, then from the top.
# The top folders are read whole: a file in one of their folders missing from the list has no
# layer, and anything of the program it includes is above it.
fuentes=()
for carpeta in $(printf '%s\n' "${capas[@]%%/*}" | sort -u); do [ -d "$carpeta" ] && fuentes+=("$carpeta"); done
[ "${#fuentes[@]}" -gt 0 ] || { echo "Ninguna carpeta del programa en $raiz"; exit 1; }
{ grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "${fuentes[@]}" \
       --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' --include='*.inc' || true; } |
awk -v capas="${capas[*]}" -v ficheros="$(find "${fuentes[@]}" -type f)" '
function rango(ruta,   i, mejor, largo) {
  mejor = -1; largo = 0
  for (i = 1; i <= n; i++)
    if ((ruta == capa[i] || index(ruta, capa[i] "/") == 1) && length(capa[i]) > largo) { mejor = i; largo = length(capa[i]) }
  return mejor
}
# "a/b/../c/./d" -> "a/c/d"
function normaliza(ruta,   t, k, i, m, r) {
  m = split(ruta, t, "/"); k = 0
  for (i = 1; i <= m; i++) {
    if (t[i] == "" || t[i] == ".") continue
    if (t[i] == "..") { if (k == 0) return ruta; k--; continue }
    p[++k] = t[i]
  }
  r = ""
  for (i = 1; i <= k; i++) r = r (i > 1 ? "/" : "") p[i]
  return r
}
function carpeta(ruta) { sub(/\/[^\/]*$/, "", ruta); return ruta }
BEGIN {
  n = split(capas, capa, " ")
  m = split(ficheros, lista, "\n")
  for (i = 1; i <= m; i++) existe[lista[i]] = 1
}
{
  fichero = $0; sub(/:.*/, "", fichero)
  resto = substr($0, length(fichero) + 2)
  linea = resto; sub(/:.*/, "", linea)
  texto = substr(resto, length(linea) + 2)
  incluido = texto
  sub(/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]/, "", incluido)
  sub(/[>"].*/, "", incluido)
  dir = carpeta(fichero)
  junto = normaliza(dir "/" incluido)
  destino = (texto ~ /include[[:space:]]*"/ && (junto in existe)) ? junto : normaliza(incluido)
  propio = rango(dir); otro = rango(destino); vistos++
  if (otro > propio) {
    if (propio < 0) printf "%s:%s: incluye %s desde una carpeta que no está en ZEMBRA_FOLDERS\n", fichero, linea, incluido
    else printf "%s:%s: incluye %s, de una capa superior (%s sobre %s)\n", fichero, linea, incluido, capa[otro], capa[propio]
    fallos++
  }
}
END {
  if (fallos) { printf "%d inclusiones hacia arriba\n", fallos; exit 1 }
  printf "Capas en orden: %d carpetas, %d inclusiones\n", n, vistos
}'

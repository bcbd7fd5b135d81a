#!/usr/bin/env bash
# capas.sh [TREE]: checks that each folder of the program includes only the folders below it, in
# the order the top CMakeLists.txt builds them (ZEMBRA_FOLDERS, then app): platform/rtl ...
# platform/help, controls/visual, controls/edit, controls/data, comun, reports, records, documents,
# agenda, shell, app. A folder may include itself and anything below; platform/ thus never reaches
# the application. Includes are read in any spelling the compiler takes: <...> or "...", indented,
# "# include", and paths relative to the file ("../shell/X.h").
# Prints every include that runs upwards; fails when there is one.
set -euo pipefail
. "$(dirname "$0")/carpetas.sh" "${1:-}"

# Every include of the layers' sources, as "file:line:text"; then awk names each file's layer
# and the included one's (the longest folder of the list that holds it; none for Qt, the system,
# the tests), quoted includes looked for first beside the file, then from the top.
# The top folders are read whole: a file in one of their folders missing from the list has no
# layer, and anything of the program it includes is above it.
incluye=0
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
}' || incluye=1

# The links. Every CMakeLists.txt of the folders (and the top one, which may link targets of
# theirs), comments dropped, read as a list of commands; a command's words end at its closing
# parenthesis, over as many lines as it takes. Names that are no target of the program (Qt, the
# system, variables) are passed over; "$<LINK_LIBRARY:KIND,a,b>" names a and b.
enlaza=0
mapfile -t listas < <(find "${fuentes[@]}" -name CMakeLists.txt -type f | sort)
[ -f CMakeLists.txt ] && listas+=(CMakeLists.txt)
awk -v capas="${capas[*]}" '
function rango(ruta,   i, mejor, largo) {
  mejor = -1; largo = 0
  for (i = 1; i <= n; i++)
    if ((ruta == capa[i] || index(ruta, capa[i] "/") == 1) && length(capa[i]) > largo) { mejor = i; largo = length(capa[i]) }
  return mejor
}
# The line without its comment; a "#" inside quotes is text.
function sincomentario(l,   i, c, dentro) {
  dentro = 0
  for (i = 1; i <= length(l); i++) {
    c = substr(l, i, 1)
    if (c == "\\") { i++; continue }
    if (c == "\"") dentro = !dentro
    else if (c == "#" && !dentro) return substr(l, 1, i - 1)
  }
  return l
}
# Splits every file into commands: orden[k] the name, args[k] the words (SUBSEP between them),
# en[k] "file:line", dir[k] the folder of the file.
function trocea(f,   s, pos, nombre, prof, c, palabra, dentro, linea, lista) {
  s = texto[f]; linea = 1; pos = 1
  while (pos <= length(s)) {
    c = substr(s, pos, 1)
    if (c == "\n") { linea++; pos++; continue }
    if (c !~ /[A-Za-z_]/) { pos++; continue }
    nombre = ""
    while (pos <= length(s) && substr(s, pos, 1) ~ /[A-Za-z0-9_]/) { nombre = nombre substr(s, pos, 1); pos++ }
    while (pos <= length(s) && substr(s, pos, 1) ~ /[ \t]/) pos++
    if (substr(s, pos, 1) != "(") continue
    k++; orden[k] = tolower(nombre); en[k] = f ":" linea; dir[k] = carpeta(f)
    pos++; prof = 1; palabra = ""; lista = ""; dentro = 0
    while (pos <= length(s) && prof > 0) {
      c = substr(s, pos, 1); pos++
      if (c == "\n") linea++
      if (c == "\"") { dentro = !dentro; continue }
      if (!dentro && c == "(") prof++
      if (!dentro && c == ")" && --prof == 0) break
      if (!dentro && c ~ /[ \t\n]/) { if (palabra != "") lista = lista SUBSEP palabra; palabra = ""; continue }
      palabra = palabra c
    }
    if (palabra != "") lista = lista SUBSEP palabra
    args[k] = substr(lista, 2)
  }
}
function carpeta(ruta) { if (ruta !~ /\//) return "."; sub(/\/[^\/]*$/, "", ruta); return ruta }
# The targets a word of a link names: itself, or the list inside a generator expression.
function nombrados(w, salida,   m, i, t) {
  delete salida
  if (w ~ /^\$<[A-Za-z_]+:/) { sub(/^\$<[A-Za-z_]+:/, "", w); sub(/>$/, "", w) }
  m = split(w, t, ",")
  for (i = 1; i <= m; i++) salida[i] = t[i]
  return m
}
function revisa(k, quien, w,   m, i, t, desde, hasta) {
  m = nombrados(w, t)
  for (i = 1; i <= m; i++) {
    if (!(t[i] in definido) || t[i] == quien) continue
    desde = (quien in definido) ? definido[quien] : dir[k]
    if (desde == ".") continue
    hasta = definido[t[i]]; vistos++
    if (rango(hasta) > rango(desde)) {
      if (rango(desde) < 0) printf "%s: %s enlaza %s desde una carpeta que no está en ZEMBRA_FOLDERS\n", en[k], quien, t[i]
      else printf "%s: %s enlaza %s, de una capa superior (%s sobre %s)\n", en[k], quien, t[i], capa[rango(hasta)], capa[rango(desde)]
      fallos++
    }
  }
}
BEGIN { n = split(capas, capa, " ") }
FNR == 1 { nf++; fichero[nf] = FILENAME }
{ texto[FILENAME] = texto[FILENAME] sincomentario($0) "\n" }
END {
  for (i = 1; i <= nf; i++) trocea(fichero[i])
  # Who is defined where: the first word of the commands that make a target.
  for (i = 1; i <= k; i++)
    if (orden[i] ~ /^(add_library|add_executable|zembra_library|zembra_module)$/ && dir[i] != ".") {
      split(args[i], w, SUBSEP); definido[w[1]] = dir[i]
    }
  for (i = 1; i <= k; i++) {
    m = split(args[i], w, SUBSEP)
    if (orden[i] == "target_link_libraries" || orden[i] == "add_dependencies") {
      for (j = 2; j <= m; j++) revisa(i, w[1], w[j])
    } else if (orden[i] ~ /^zembra_(library|module)$/) {
      deps = 0
      for (j = 2; j <= m; j++) {
        if (w[j] ~ /^(SOURCES|DEPS)$/) { deps = (w[j] == "DEPS"); continue }
        if (deps) revisa(i, w[1], w[j])
      }
    }
  }
  if (fallos) { printf "%d enlaces hacia arriba\n", fallos; exit 1 }
  printf "Enlaces en orden: %d enlaces entre bibliotecas del programa\n", vistos
}' "${listas[@]}" || enlaza=1
[ "$incluye" -eq 0 ] && [ "$enlaza" -eq 0 ]

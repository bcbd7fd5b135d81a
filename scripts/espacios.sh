#!/usr/bin/env bash
# espacios.sh [TREE]: checks that each source of the program names its folder's namespace, so that
# a call reads where it goes: what lives in comun/ is comun::, in platform/db platform::db::, in
# controls/visual controls::visual::. The folders are those of capas.sh (ZEMBRA_FOLDERS, then app).
# Every named namespace a file opens, with those around it, must be the folder's or one inside it
# (the folder's is opened whole: "namespace platform::db", not "platform" and then "db");
# anonymous namespaces, what is inside them, aliases ("namespace x = y;") and std (its
# specialisations) are free. The classes named in the global namespace are not namespaces and
# are not looked at. Comments, strings, characters and raw strings are skipped.
# Prints every namespace out of place; fails when there is one.
set -euo pipefail
. "$(dirname "$0")/carpetas.sh" "${1:-}"
mapfile -t ficheros < <(find "${fuentes[@]}" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' -o -name '*.inc' \) | sort)
[ "${#ficheros[@]}" -gt 0 ] || { echo "Ningún fuente en $raiz"; exit 1; }
awk -v capas="${capas[*]}" '
# The namespace a file of `ruta` must name: its folder of the list (the longest that holds it),
# with "::" for "/"; none for a file out of the list.
function esperado(ruta,   i, mejor) {
  mejor = ""
  for (i = 1; i <= n; i++)
    if (index(ruta, capa[i] "/") == 1 && length(capa[i]) > length(mejor)) mejor = capa[i]
  gsub(/\//, "::", mejor)
  return mejor
}
# Code of a line with comments, strings and characters blanked; the state of block comments and
# raw strings runs over lines (en_comentario, en_crudo and its end delimiter fin_crudo).
function limpia(l,   r, i, c, d, m) {
  r = ""
  i = 1
  while (i <= length(l)) {
    if (en_comentario) {
      m = index(substr(l, i), "*/")
      if (!m) return r
      i += m + 1; en_comentario = 0; r = r " "; continue
    }
    if (en_crudo) {
      m = index(substr(l, i), fin_crudo)
      if (!m) return r
      i += m + length(fin_crudo) - 1; en_crudo = 0; r = r " \"\" "; continue
    }
    c = substr(l, i, 1); d = substr(l, i, 2)
    if (d == "//") return r
    if (d == "/*") { en_comentario = 1; i += 2; continue }
    if (c == "R" && substr(l, i + 1, 1) == "\"" && (i == 1 || substr(l, i - 1, 1) !~ /[A-Za-z0-9_]/)) {
      m = index(substr(l, i + 2), "(")
      if (m) { fin_crudo = ")" substr(l, i + 2, m - 1) "\""; en_crudo = 1; i += 2 + m; continue }
    }
    if (c == "\"" || (c == "\047" && (i == 1 || substr(l, i - 1, 1) !~ /[A-Za-z0-9_]/))) {
      i++
      while (i <= length(l) && substr(l, i, 1) != c) { if (substr(l, i, 1) == "\\") i++; i++ }
      i++; r = r " \"\" "; continue
    }
    r = r c; i++
  }
  return r
}
BEGIN { n = split(capas, capa, " ") }
FNR == 1 {
  fichero = FILENAME; propio = esperado(fichero); pila = 0; en_comentario = 0; en_crudo = 0; texto = ""
}
{
  codigo = limpia($0)
  # Tokens: names (with ::), braces and semicolons, and the "=" of an alias.
  while (match(codigo, /[A-Za-z_][A-Za-z0-9_]*(::[A-Za-z_][A-Za-z0-9_]*)*|[{};=]/)) {
    t = substr(codigo, RSTART, RLENGTH); codigo = substr(codigo, RSTART + RLENGTH)
    if (espera == 1) {  # after "namespace": a name, "{" (anonymous) or anything else
      if (t == "{") { nombre[++pila] = "{anon}"; espera = 0; continue }
      if (t ~ /^[A-Za-z_]/) { pendiente = t; espera = 2; continue }
      espera = 0
    } else if (espera == 2) {  # after "namespace name": "{" opens it, "=" is an alias
      espera = 0
      if (t == "{") {
        completo = ""; local = 0
        for (k = 1; k <= pila; k++) {
          if (nombre[k] == "{anon}") local = 1
          else if (nombre[k] != "{") completo = completo (completo == "" ? "" : "::") nombre[k]
        }
        completo = completo (completo == "" ? "" : "::") pendiente
        nombre[++pila] = pendiente
        if (!local && completo !~ /^std(::|$)/ && completo != propio && index(completo, propio "::") != 1) {
          if (propio == "") printf "%s:%d: namespace %s en una carpeta que no está en ZEMBRA_FOLDERS\n", fichero, FNR, completo
          else printf "%s:%d: namespace %s, en una carpeta de %s\n", fichero, FNR, completo, propio
          fallos++
        }
        continue
      }
    }
    if (t == "namespace") { espera = 1; continue }
    if (t == "{") nombre[++pila] = "{"
    else if (t == "}") { if (pila > 0) pila-- }
  }
  vistos = vistos + (FNR == 1)
}
END {
  if (fallos) { printf "%d espacios de nombres fuera de su carpeta\n", fallos; exit 1 }
  printf "Espacios de nombres en orden: %d ficheros\n", vistos
}' "${ficheros[@]}"

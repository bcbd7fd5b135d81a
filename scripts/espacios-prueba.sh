#!/usr/bin/env bash
# espacios-prueba.sh: espacios.sh on small made-up trees, so that the check of the namespaces cannot
# pass by seeing nothing. Each tree adds one file; the check must refuse a namespace out of its
# folder and take the folder's own, what is local to a file, and what only looks like one.
set -euo pipefail
espacios=$(cd "$(dirname "$0")" && pwd)/espacios.sh
arbol=$(mktemp -d "${TMPDIR:-/tmp}/espacios-prueba.XXXXXX")
trap 'rm -rf "$arbol"' EXIT
fallos=0

# caso ESPERA FICHERO TEXTO: the base tree (each folder one header in its namespace) with FICHERO
# holding TEXTO.
caso() {
  local espera=$1 fichero=$2 texto=$3 salida
  rm -rf "${arbol:?}"/*
  printf 'set(ZEMBRA_FOLDERS\n  platform/rtl platform/db\n  controls/visual comun shell)\n' > "$arbol/CMakeLists.txt"
  mkdir -p "$arbol"/{platform/rtl,platform/db,controls/visual,comun,shell,app}
  echo 'namespace platform::rtl { int A(); }' > "$arbol/platform/rtl/A.h"
  printf 'namespace platform::db {\nint B();\n}  // namespace platform::db\n' > "$arbol/platform/db/B.h"
  echo 'namespace controls::visual { int C(); }' > "$arbol/controls/visual/C.h"
  printf 'class TD {};\nnamespace comun {\nint D();\n}  // namespace comun\n' > "$arbol/comun/D.h"
  printf 'namespace shell {\nvoid F() { if (true) { } }\n}\n' > "$arbol/shell/F.cpp"
  echo 'namespace { int main2() { return 0; } }' > "$arbol/app/main.cpp"
  mkdir -p "$(dirname "$arbol/$fichero")"
  printf '%s\n' "$texto" > "$arbol/$fichero"
  if salida=$(bash "$espacios" "$arbol" 2>&1); then resultado=pasa; else resultado=falla; fi
  if [ "$resultado" != "$espera" ]; then
    echo "$fichero con [$texto]: se esperaba que $espera y $resultado:"
    echo "$salida" | sed 's/^/  /'
    fallos=$((fallos + 1))
  fi
}

caso falla comun/x.h 'namespace shell { int Y(); }'
caso falla controls/visual/x.h 'namespace platform::visual { int Y(); }'
caso falla platform/rtl/x.h $'namespace platform {\nnamespace db {\n}\n}'
caso falla comun/x.cpp $'namespace comun {\nint Y() { return 1; }\n}  // namespace comun\nnamespace reports {\nvoid Z() {}\n}'
caso falla shell/x.cpp $'void Y() { for (;;) { break; } }\nnamespace comun { }'
caso falla comun/x.h 'namespace comunes { }'
caso falla platform/nueva/x.h 'namespace platform::nueva { }'
caso falla app/x.cpp 'namespace shell { }'
caso pasa comun/x.h 'namespace comun { int Y(); }'
caso pasa comun/x.h 'namespace comun::detalle { int Y(); }'
caso pasa comun/x.h $'namespace comun {\nnamespace detalle {\n}  // namespace detalle\n}  // namespace comun'
caso pasa platform/db/x.cpp $'namespace platform::db {\nnamespace {\n}\n}'
caso pasa app/x.cpp 'namespace app { }'
caso pasa shell/x.cpp $'namespace {\nnamespace cualquiera { }\n}'
caso pasa shell/x.cpp 'namespace c = comun;'
caso pasa shell/x.h 'namespace std { template <> struct hash<TD>; }'
caso pasa comun/x.cpp '// namespace shell {'
caso pasa comun/x.cpp $'/* a comment\nnamespace shell {\n */'
caso pasa comun/x.cpp 'const char* s = "namespace shell {";'
# Braces that are no code do not close the anonymous namespace around a local one.
caso pasa comun/x.cpp $'namespace {\nchar c = \'}\';\nnamespace libre { }\n}'
caso pasa comun/x.cpp $'namespace {\nconst char* s = "\\"}";\nnamespace libre { }\n}'
caso pasa comun/x.cpp $'namespace {\nconst char* s = R"x(\n} namespace shell {\n)x";\nnamespace libre { }\n}'
caso pasa comun/x.cpp $'namespace {\nint n = 1\'000; char c = \'{\';\nnamespace libre { }\n}'

[ "$fallos" -eq 0 ] || { echo "$fallos casos mal juzgados"; exit 1; }
echo "La comprobación de los espacios de nombres juzga bien todos los casos"

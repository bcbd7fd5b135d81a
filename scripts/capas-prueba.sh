#!/usr/bin/env bash
# capas-prueba.sh: capas.sh on small made-up trees, so that the check of the layers cannot pass by
# seeing nothing. Each tree has one include; the check must refuse the upward ones and take the rest.
set -euo pipefail
capas=$(cd "$(dirname "$0")" && pwd)/capas.sh
arbol=$(mktemp -d "${TMPDIR:-/tmp}/capas-prueba.XXXXXX")
trap 'rm -rf "$arbol"' EXIT
fallos=0

# caso ESPERA FICHERO LÍNEA: a tree whose only source is FICHERO holding LÍNEA.
caso() {
  local espera=$1 fichero=$2 linea=$3 salida
  rm -rf "${arbol:?}"/*
  printf 'set(ZEMBRA_FOLDERS\n  platform/rtl platform/db\n  controls/visual comun records shell)\n' > "$arbol/CMakeLists.txt"
  mkdir -p "$arbol"/{platform/rtl,platform/db,controls/visual,comun,records,shell,app}
  touch "$arbol"/{platform/rtl/A.h,platform/db/B.h,controls/visual/C.h,comun/D.h,records/E.h,shell/F.h}
  mkdir -p "$(dirname "$arbol/$fichero")"
  printf '%s\n' "$linea" > "$arbol/$fichero"
  if salida=$(bash "$capas" "$arbol" 2>&1); then resultado=pasa; else resultado=falla; fi
  if [ "$resultado" != "$espera" ]; then
    echo "$fichero con [$linea]: se esperaba que $espera y $resultado:"
    echo "$salida" | sed 's/^/  /'
    fallos=$((fallos + 1))
  fi
}

caso falla platform/db/x.cpp '#include "comun/D.h"'
caso falla platform/rtl/x.cpp '#include "platform/db/B.h"'
caso falla controls/visual/x.h '#include "records/E.h"'
caso falla records/x.cpp '#include "../shell/F.h"'
caso falla records/x.cpp '  #  include <shell/F.h>'
caso falla comun/x.cpp '#include "app/main.h"'
caso falla platform/nueva/x.cpp '#include "platform/rtl/A.h"'
caso pasa records/x.cpp '#include "comun/D.h"'
caso pasa records/x.cpp '#include "../comun/D.h"'
caso pasa shell/x.cpp '#include "records/E.h"'
caso pasa platform/db/x.cpp '#include "platform/rtl/A.h"'
caso pasa platform/db/x.cpp '#include "B.h"'
caso pasa comun/x.cpp '#include <QString>'

[ "$fallos" -eq 0 ] || { echo "$fallos casos mal juzgados"; exit 1; }
echo "La comprobación de capas juzga bien todos los casos"

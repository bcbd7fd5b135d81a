#!/usr/bin/env bash
# capas-prueba.sh: capas.sh on small made-up trees, so that the check of the layers cannot pass by
# seeing nothing. Each tree adds one include or one link; the check must refuse the upward ones and
# take the rest.
set -euo pipefail
capas=$(cd "$(dirname "$0")" && pwd)/capas.sh
arbol=$(mktemp -d "${TMPDIR:-/tmp}/capas-prueba.XXXXXX")
trap 'rm -rf "$arbol"' EXIT
fallos=0

# caso ESPERA FICHERO LÍNEA: the base tree (each folder one library, linked downwards) with LÍNEA
# added to FICHERO.
caso() {
  local espera=$1 fichero=$2 linea=$3 salida
  rm -rf "${arbol:?}"/*
  printf 'set(ZEMBRA_FOLDERS\n  platform/rtl platform/db\n  controls/visual comun records shell)\n' > "$arbol/CMakeLists.txt"
  mkdir -p "$arbol"/{platform/rtl,platform/db,controls/visual,comun,records,shell,app}
  touch "$arbol"/{platform/rtl/A.h,platform/db/B.h,controls/visual/C.h,comun/D.h,records/E.h,shell/F.h}
  echo 'zembra_library(zb_rtl SOURCES A.cpp DEPS Qt6::Core)' > "$arbol/platform/rtl/CMakeLists.txt"
  echo 'zembra_library(zb_db SOURCES B.cpp DEPS zb_rtl SQLite::SQLite3)' > "$arbol/platform/db/CMakeLists.txt"
  echo 'zembra_library(zb_visual SOURCES C.cpp DEPS zb_db)' > "$arbol/controls/visual/CMakeLists.txt"
  echo 'add_library(zb_comun STATIC D.cpp)' > "$arbol/comun/CMakeLists.txt"
  printf 'zembra_library(zb_records\n  SOURCES E.cpp\n  DEPS zb_comun zb_rtl)\n' > "$arbol/records/CMakeLists.txt"
  echo 'zembra_library(zb_shell SOURCES F.cpp DEPS zb_records zb_visual)' > "$arbol/shell/CMakeLists.txt"
  printf 'add_executable(zembra main.cpp)\ntarget_link_libraries(zembra PRIVATE zb_shell)\n' > "$arbol/app/CMakeLists.txt"
  mkdir -p "$(dirname "$arbol/$fichero")"
  printf '%s\n' "$linea" >> "$arbol/$fichero"
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

# Links, judged by the folder that defines each target.
caso falla platform/db/CMakeLists.txt 'target_link_libraries(zb_db PUBLIC zb_comun)'
caso falla comun/CMakeLists.txt $'target_link_libraries(zb_comun\n  PRIVATE Qt6::Core\n  zb_records)'
caso falla controls/visual/CMakeLists.txt 'zembra_library(zb_extra SOURCES C2.cpp DEPS zb_rtl zb_shell)'
caso falla records/CMakeLists.txt 'target_link_libraries(zb_records PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,zb_shell>")'
caso falla shell/CMakeLists.txt 'target_link_libraries(zb_rtl INTERFACE zb_shell)'
caso falla CMakeLists.txt 'target_link_libraries(zb_visual PUBLIC zb_comun)'
caso falla platform/db/CMakeLists.txt 'add_dependencies(zb_db zb_shell)'
caso falla platform/nueva/CMakeLists.txt $'add_library(zb_nueva STATIC N.cpp)\ntarget_link_libraries(zb_nueva PRIVATE zb_rtl)'
caso pasa shell/CMakeLists.txt 'target_link_libraries(zb_shell PUBLIC zb_comun zb_rtl Qt6::Widgets)'
caso pasa records/CMakeLists.txt '# target_link_libraries(zb_records PUBLIC zb_shell)'
caso pasa platform/db/CMakeLists.txt 'target_link_libraries(zb_db PRIVATE ${ZB_SHELL} SQLite::SQLite3 "zb_shell#")'
caso pasa shell/CMakeLists.txt 'target_link_libraries(zb_visual INTERFACE zb_rtl)'

[ "$fallos" -eq 0 ] || { echo "$fallos casos mal juzgados"; exit 1; }
echo "La comprobación de capas juzga bien todos los casos"

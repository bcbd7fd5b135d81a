#!/usr/bin/env bash
# instalado.sh BUILD SOURCE: installs the build into a new folder of its own, whose name has blanks
# and accents, and runs the installed copy as a workstation would, with nothing pointing back at
# BUILD or SOURCE: the program opens a new office and draws its window, the server module is found
# in the copy, a copy without its modules (or with a damaged one) says where they belong, and
# nothing is written into the copy. Moves and changes nothing outside its own temporary folder.
set -euo pipefail
build=$(realpath "$1")
fuente=$(realpath "$2")
tmp=$(mktemp -d)
pid=
fin() {
  [ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true
  chmod -R u+w "$tmp" 2>/dev/null || true
  rm -rf "$tmp"
}
trap fin EXIT
falla() { echo "FALLO: $*" >&2; exit 1; }

prefijo="$tmp/Programas Ñ/zembra"
cmake --install "$build" --prefix "$prefijo" >/dev/null
for f in bin/zembra bin/zembra-copia lib/zembra/zembra-pg.so lib/zembra/zembra-smtp.so lib/zembra/zembra-zip.so \
         share/applications/zembra.desktop; do
  [ -f "$prefijo/$f" ] || falla "la instalación no lleva $f"
done
for f in "$prefijo"/bin/* "$prefijo"/lib/zembra/*; do
  ! readelf -d "$f" | grep -E 'RPATH|RUNPATH' || falla "$f busca bibliotecas en otra carpeta"
done
# The menu entry starts the installed program (the desktop's quoting undone).
exec_linea=$(sed -n 's/^Exec=//p' "$prefijo/share/applications/zembra.desktop")
exec_valor=$(printf '%s' "$exec_linea" | sed -e 's/^"//' -e 's/"$//' -e 's/\\\\/\\/g' -e 's/\\\(["`$\\]\)/\1/g' -e 's/%%/%/g')
[ "$exec_valor" = "$prefijo/bin/zembra" ] || falla "el menú arranca «$exec_valor»"

chmod -R a-w "$prefijo"
listado() { find "$prefijo" -printf '%P %s %T@ %m\n' | sort; }
antes=$(listado)

# A user of its own: home, settings, a data folder; the desktop names a program for documents.
casa="$tmp/casa"
datos="$tmp/Despacho Ñ"
mkdir -p "$casa/.config/zembra" "$casa/.local/share/applications" "$casa/run" "$datos"
chmod 700 "$casa/run"
ajustes() {
  printf '[Software\\Velmor\\zembra\\Install]\nDatos=%s\nServidor=%s\n' "$1" "${2:-}" >"$casa/.config/zembra/registry.ini"
}
printf '[Default Applications]\napplication/vnd.openxmlformats-officedocument.wordprocessingml.document=zbtexto.desktop\n' \
  >"$casa/.config/mimeapps.list"
printf '[Desktop Entry]\nType=Application\nName=Texto\nExec=true %%f\nMimeType=application/vnd.openxmlformats-officedocument.wordprocessingml.document;\n' \
  >"$casa/.local/share/applications/zbtexto.desktop"
# Run from / with no library path: nothing is found through the working folder or the build.
cd /
como_usuario=(env -u LD_LIBRARY_PATH -u ZEMBRA_REGISTRY_FILE -u ZEMBRA_EXIT_AT_FIRST_WINDOW HOME="$casa"
              XDG_CONFIG_HOME="$casa/.config" XDG_DATA_HOME="$casa/.local/share" XDG_CACHE_HOME="$casa/.cache"
              XDG_RUNTIME_DIR="$casa/run" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8)

# First start on a new data folder: the window is drawn, then what the process maps is read.
ajustes "$datos"
salida="$tmp/salida"
"${como_usuario[@]}" ZEMBRA_EXIT_AT_FIRST_WINDOW=marca "$prefijo/bin/zembra" >"$salida" 2>"$tmp/errores" &
pid=$!
for _ in $(seq 1 600); do
  grep -q '^Ventana dibujada' "$salida" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
grep -q '^Ventana dibujada' "$salida" || { cat "$salida" "$tmp/errores" >&2; falla "el programa instalado no llega a su ventana"; }
mapas=$(cat "/proc/$pid/maps")
{ kill -KILL "$pid" && wait "$pid"; } 2>/dev/null || true
pid=
grep -qx "Carpeta de datos: $datos" "$salida" || falla "otra carpeta de datos: $(cat "$salida")"
grep -qx "Usuario: SUPERVISOR" "$salida" || falla "no entra SUPERVISOR: $(cat "$salida")"
[ -f "$datos/zembra.db" ] || falla "no se ha creado la base de datos en $datos"
! grep -F -e "$build/" -e "$fuente/" <<<"$mapas" || falla "el programa instalado usa ficheros de la compilación"
grep -qF "$prefijo/bin/zembra" <<<"$mapas" || falla "no es el programa instalado el que corre"

# The server module of the copy: its own message (no server listens on port 1) proves it loaded.
ajustes "$datos" "host=127.0.0.1 port=1 dbname=despacho connect_timeout=5"
errores=$("${como_usuario[@]}" "$prefijo/bin/zembra-copia" 2>&1 >/dev/null || true)
grep -q "No se puede conectar con el servidor de datos host=127.0.0.1 port=1" <<<"$errores" ||
  falla "el módulo del servidor no se carga de la instalación: $errores"

# A copy of the program without its modules, then with a damaged one: each says which file and where.
suelto="$tmp/suelto"
mkdir -p "$suelto/bin" "$suelto/lib/zembra"
cp "$prefijo/bin/zembra-copia" "$suelto/bin/"
errores=$("${como_usuario[@]}" "$suelto/bin/zembra-copia" 2>&1 >/dev/null || true)
grep -qF "No se puede usar el servidor de datos. No se encuentra el módulo zembra-pg.so del programa: debe estar junto al programa ($suelto/bin) o en $suelto/lib/zembra." <<<"$errores" ||
  falla "sin módulo: $errores"
! grep -q "No hay conexión" <<<"$errores" || falla "sin módulo culpa al servidor: $errores"
head -c 4096 /dev/zero >"$suelto/lib/zembra/zembra-pg.so"
errores=$("${como_usuario[@]}" "$suelto/bin/zembra-copia" 2>&1 >/dev/null || true)
grep -qF "El módulo zembra-pg.so del programa no se puede cargar: $suelto/lib/zembra/zembra-pg.so" <<<"$errores" ||
  falla "módulo dañado: $errores"

[ "$(listado)" = "$antes" ] || falla "se ha escrito en la instalación: $(diff <(echo "$antes") <(listado))"
echo "instalado en $prefijo: arranca, encuentra sus módulos y no escribe en la instalación"

# Sourced by the checks of the folders (capas.sh, espacios.sh) with the tree as $1 (default: this
# checkout): moves into it and sets `capas`, the folders in the order the top CMakeLists.txt builds
# them (ZEMBRA_FOLDERS, then app), and `fuentes`, the top folders that hold them and exist.
raiz=$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/..}" && pwd)
cd "$raiz"
mapfile -t capas < <(sed -n '/^set(ZEMBRA_FOLDERS/,/)/p' CMakeLists.txt |
                     sed -e 's/set(ZEMBRA_FOLDERS//' -e 's/)//' | tr -s ' \t' '\n\n' | grep .)
capas+=(app)
[ "${#capas[@]}" -gt 1 ] || { echo "CMakeLists.txt no da el orden de las carpetas (ZEMBRA_FOLDERS)"; exit 1; }
fuentes=()
for carpeta in $(printf '%s\n' "${capas[@]%%/*}" | sort -u); do [ -d "$carpeta" ] && fuentes+=("$carpeta"); done
[ "${#fuentes[@]}" -gt 0 ] || { echo "Ninguna carpeta del programa en $raiz"; exit 1; }

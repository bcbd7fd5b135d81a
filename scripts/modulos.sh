#!/usr/bin/env bash
# modulos.sh MÓDULO PROGRAMA...: checks that every symbol the module takes from the program (what
# its own libraries do not define) is among the dynamic symbols of each program, so loading it
# cannot fail for a missing one. Prints what is missing; fails when something is.
set -euo pipefail
modulo=$1
shift
simbolos() { nm -D "$@" 2>/dev/null | awk 'NF >= 2 {print $NF}' | sed 's/@.*//' | sort -u; }
propios=$(ldd "$modulo" | awk '/=> \// {print $3}' | while read -r lib; do simbolos --defined-only "$lib"; done | sort -u)
necesita=$(nm -D --undefined-only "$modulo" | awk '$1 == "U" {print $2}' | sed 's/@.*//' | sort -u |
           comm -23 - <(echo "$propios"))
fallos=0
for programa in "$@"; do
  faltan=$(comm -23 <(echo "$necesita") <(simbolos --defined-only "$programa"))
  if [ -n "$faltan" ]; then
    echo "$(basename "$programa") no ofrece a $(basename "$modulo"):"
    echo "$faltan" | c++filt | sed 's/^/  /'
    fallos=1
  fi
done
[ "$fallos" -eq 0 ] || exit 1
echo "$(basename "$modulo"): $(echo "$necesita" | grep -c . || true) símbolos del programa, todos presentes"

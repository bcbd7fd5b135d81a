#!/usr/bin/env bash
# pg-test-prueba.sh: pg-test.sh start when the free port it picked is taken before the server binds
# it (another run's server got there first). The picker is made to hand out a port a listener
# holds: the server must start on another one, and the connection string must name that one.
# A failure that is not a taken port must end the start at once, with the server's log.
set -euo pipefail
guion=$(cd "$(dirname "$0")" && pwd)/pg-test.sh
tmp=$(mktemp -d "${TMPDIR:-/tmp}/pg-prueba.XXXXXX")
chmod 755 "$tmp"
ocupa=
trap '[ -n "$ocupa" ] && kill "$ocupa" 2>/dev/null; bash "$guion" stop "$tmp/servidor" >/dev/null 2>&1 || true; rm -rf "$tmp"' EXIT
python=$(command -v python3)
fallos=0

# A listener on 127.0.0.1 holding a port until the test ends.
"$python" -c 'import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(1)
print(s.getsockname()[1], flush=True); time.sleep(600)' >"$tmp/ocupado" &
ocupa=$!
for _ in $(seq 50); do [ -s "$tmp/ocupado" ] && break; sleep 0.1; done
ocupado=$(cat "$tmp/ocupado")

# falso PRIMERO: a python3 that prints PRIMERO for the first program it is asked to run, then is
# the real one.
falso() {
  mkdir -p "$tmp/bin"
  cat >"$tmp/bin/python3" <<FIN
#!/usr/bin/env bash
if [ ! -e "$tmp/bin/usado" ]; then touch "$tmp/bin/usado"; echo "$1"; exit 0; fi
exec "$python" "\$@"
FIN
  chmod +x "$tmp/bin/python3"
  rm -f "$tmp/bin/usado"
}

falso "$ocupado"
if PATH="$tmp/bin:$PATH" bash "$guion" start "$tmp/servidor" 2>"$tmp/err"; then
  cadena=$(cat "$tmp/servidor/servidor")
  puerto=$(sed -n 's/.*port=\([0-9]*\).*/\1/p' <<<"$cadena")
  bin="$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n1)"
  if [ "$puerto" = "$ocupado" ] || [ -z "$puerto" ]; then
    echo "the server claims the taken port $ocupado: $cadena"; fallos=$((fallos + 1))
  elif [ "$("$bin/psql" "$cadena" -qAt -c 'SELECT 41 + 1')" != 42 ]; then
    echo "no server answers on $cadena"; fallos=$((fallos + 1))
  fi
  grep -q "Port $ocupado was taken" "$tmp/err" || { echo "the retry was not on the taken port:"; cat "$tmp/err"; fallos=$((fallos + 1)); }
  bash "$guion" stop "$tmp/servidor"
else
  echo "the server did not start when its first port was taken:"; cat "$tmp/err"; fallos=$((fallos + 1))
fi

# A port the server refuses is no taken port: no second attempt.
falso 70000
if PATH="$tmp/bin:$PATH" bash "$guion" start "$tmp/servidor" 2>"$tmp/err"; then
  echo "the server started on port 70000"; fallos=$((fallos + 1))
elif grep -q "trying another" "$tmp/err" || ! grep -q "attempt 1" "$tmp/err"; then
  echo "a refused port was taken for a busy one:"; cat "$tmp/err"; fallos=$((fallos + 1))
fi

[ "$fallos" -eq 0 ] || { echo "$fallos faults"; exit 1; }
echo "The test server starts on a fresh port when its port is taken"

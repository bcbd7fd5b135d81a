# Sourced by the scripts that run a build's suite: corre_pruebas ARGS... runs ctest in the current
# build folder with ARGS, then says how many tests ran and how many of them on the private
# PostgreSQL server. The step fails, naming why, when that server did not start or when the
# server's tests that the build registers did not run.
corre_pruebas() {
  local informe="$PWD/pruebas.xml" rc=0
  rm -f "$informe"
  ctest --output-junit "$informe" "$@" || rc=$?
  python3 - "$informe" <<'FIN' || rc=1
import sys
import xml.etree.ElementTree as ET
try:
    casos = ET.parse(sys.argv[1]).getroot().iter("testcase")
except (OSError, ET.ParseError) as e:
    print(f"tests: no results from ctest ({e})")
    sys.exit(1)
estado, salida = {}, {}
for c in casos:
    nombre = c.get("name")
    estado[nombre] = c.get("status")
    salida[nombre] = (c.findtext("system-out") or "").strip()
def cuenta(pref):
    nombres = [n for n in estado if n.startswith(pref)]
    return len(nombres), sum(estado[n] == "run" for n in nombres)
total, pasan = len(estado), sum(s == "run" for s in estado.values())
fallan = sum(s == "fail" for s in estado.values())
print(f"tests: {total}: {pasan} passed, {fallan} failed, {total - pasan - fallan} skipped or not run")
fallo = False
for servidor in sorted(n for n in estado if n.endswith(".arranca")):
    if estado[servidor] != "run":
        print(f"tests: the private PostgreSQL server did not start ({servidor}):")
        print("\n".join(salida[servidor].splitlines()[-20:]))
        fallo = True
for pref in ("postgres.", "carga."):
    n, ok = cuenta(pref)
    if n:
        print(f"tests: {n} on the PostgreSQL server ({pref}*), {ok} passed")
if any(n.endswith(".arranca") for n in estado) and cuenta("postgres.")[0] + cuenta("carga.")[0] == 0:
    print("tests: the server was started but none of its tests ran")
    fallo = True
sys.exit(1 if fallo else 0)
FIN
  return "$rc"
}

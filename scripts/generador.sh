# Sourced by the build scripts: sets GENERATOR to the cmake options that pick Ninja (it starts
# the next compile the moment one ends and checks what is stale much faster than make), for a
# build folder DIR. A folder configured earlier with another generator is configured afresh:
# cmake refuses to switch generators in place.
generador() {
  local dir=$1
  GENERATOR=()
  command -v ninja >/dev/null || return 0
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
  fi
  GENERATOR=(-G Ninja)
}

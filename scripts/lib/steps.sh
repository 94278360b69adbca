# Sourced by the build scripts: runs one named step and, when it fails,
# stops the calling script with that step's name, so a failure is never
# mistaken for the next step's.
# usage: step "what this step does" command [args...]
step() {
  local what=$1
  shift
  local status=0
  "$@" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "$(basename "$0"): $what failed (exit status $status)." >&2
    exit "$status"
  fi
}

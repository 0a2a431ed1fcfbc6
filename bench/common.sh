# Shared by the benchmark scripts (sourced, not run).

step() { printf '\n==== %s\n' "$*"; }

# Debian packages the measurements use; installed when missing and possible.
ensure_tool() {  # command-or-absolute-path package
  command -v "$1" >/dev/null 2>&1 && return 0
  [[ "$1" == /* && -x "$1" ]] && return 0
  if [[ $(id -u) == 0 ]] && command -v apt-get >/dev/null; then
    echo "installing $2 ..."
    apt-get install -y -qq "$2" >/dev/null 2>&1 ||
      { apt-get update -qq >/dev/null 2>&1 && apt-get install -y -qq "$2" >/dev/null 2>&1; } || true
  fi
  command -v "$1" >/dev/null 2>&1 || [[ -x "$1" ]]
}

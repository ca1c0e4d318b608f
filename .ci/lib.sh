# Shared by CI's legs: install the Debian packages that are missing.
ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if ((${#missing[@]})); then
    if [ -z "${_MORV_APT_UPDATED:-}" ]; then
      apt-get update -qq
      export _MORV_APT_UPDATED=1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

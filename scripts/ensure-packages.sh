# Sourced by ./run, ./test and the other scripts: installs the Debian packages they need,
# only those that are missing, running `apt-get update` first only when something is.
# apt waits for a lock that another apt holds instead of failing at once, and its output
# goes to a log that is named when something fails.

# What building and running the window program need (./run).
quorvane_run_packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-translations-l10n libgl-dev libxkbcommon-dev
  fonts-ipafont-gothic xdg-utils x11-utils
)
# What the tests need besides (./test): test frameworks, the virtual display and what
# drives it, sanitizers and fuzzers, peers, the Debian package's checks, file systems whose
# names ignore case (exFAT, and a FUSE one of the tests' own), and a system-call tracer.
quorvane_test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool xclip imagemagick tigervnc-standalone-server tigervnc-tools
  clang libclang-rt-14-dev
  id3v2 python3-mutagen eyed3
  dpkg-dev lintian file desktop-file-utils appstream
  exfat-fuse exfatprogs python3-fusepy strace
)

# What the Windows build needs: the cross compiler, NSIS for the installer, and Wine with
# what it needs to show windows (its recommendations, which apt is told to skip) to run its
# tests.
quorvane_windows_packages=(
  cmake make g++-mingw-w64-x86-64-posix nsis wine wine64 googletest fonts-ipafont-gothic
  libxrender1 libxcursor1 libxi6 libxrandr2 libxinerama1 libxcomposite1 libxfixes3
  fonts-wine locales
)

# ensure_packages PACKAGE...: installs those of the run packages and the given ones that
# are missing.
ensure_packages() {
  ensure_only "${quorvane_run_packages[@]}" "$@"
}

# ensure_only PACKAGE...: installs those of the given packages that are missing.
ensure_only() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=() log
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  log=${TMPDIR:-/tmp}/quorvane-apt.log
  echo "Installing ${missing[*]} (apt-get's output: $log) ..." >&2
  # Up to ten minutes for another apt (an unattended upgrade, say) to let go of its lock.
  local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
  if ! { "${apt[@]}" update -q && "${apt[@]}" install -y -q --no-install-recommends \
    "${missing[@]}"; } >"$log" 2>&1; then
    echo "Installing the packages failed; apt-get's output is in $log:" >&2
    tail -n 15 "$log" >&2
    return 1
  fi
}

# ensure_test_packages PACKAGE...: the run packages, the test packages and the given ones.
ensure_test_packages() {
  ensure_packages "${quorvane_test_packages[@]}" "$@"
}

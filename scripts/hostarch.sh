# Sourced by test.sh and run.sh: which build this machine can run under Wine.
#   hostarch_runs_i386        true when the kernel itself runs 32-bit x86 programs
#   hostarch_pick             sets TILEFOX_ARCH (32 or 64) and HOSTARCH_WHY; TILEFOX_TEST_BUILD
#                             (32 or 64) forces the choice
#   hostarch_build_dir        the 32-bit build folder as an absolute path (TILEFOX_BUILD, or build)

# A 32-bit x86 program of a few bytes: it prints the machine name uname gives it. The kernel
# answers x86_64; a user-mode emulator registered for such programs answers i686, and it is
# far too slow for the tests, so it does not count.
hostarch_runs_i386() {
  local probe out dir
  # From the build folder: the temporary folder is often mounted noexec, and a probe that cannot
  # run there would pass an ordinary x86-64 machine off as one without 32-bit support.
  dir=$(hostarch_build_dir)
  mkdir -p "$dir"
  probe=$dir/hostarch-probe
  printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x84\x00\x00\x00\x84\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\x81\xec\x90\x01\x00\x00\x89\xe3\xb8\x7a\x00\x00\x00\xcd\x80' \
    '\x8d\x8c\x24\x04\x01\x00\x00\xbb\x01\x00\x00\x00\xba\x06\x00\x00\x00' \
    '\xb8\x04\x00\x00\x00\xcd\x80\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  out=$("$probe" 2>/dev/null | tr -d '\0') || true
  rm -f "$probe"
  [ "$out" = x86_64 ]
}

hostarch_build_dir() {
  case ${TILEFOX_BUILD:-build} in
    /*) echo "${TILEFOX_BUILD}" ;;
    *) echo "$PWD/${TILEFOX_BUILD:-build}" ;;
  esac
}

hostarch_pick() {
  case ${TILEFOX_TEST_BUILD:-} in
    32) TILEFOX_ARCH=32; HOSTARCH_WHY="TILEFOX_TEST_BUILD=32 asks for it" ;;
    64) TILEFOX_ARCH=64; HOSTARCH_WHY="TILEFOX_TEST_BUILD=64 asks for it" ;;
    '')
      if hostarch_runs_i386; then
        TILEFOX_ARCH=32; HOSTARCH_WHY="this machine runs 32-bit x86 programs"
      else
        TILEFOX_ARCH=64; HOSTARCH_WHY="this machine runs no 32-bit x86 program natively"
      fi ;;
    *) echo "TILEFOX_TEST_BUILD must be 32 or 64, not '$TILEFOX_TEST_BUILD'" >&2; return 1 ;;
  esac
  export TILEFOX_ARCH
}

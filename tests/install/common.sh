# Sourced by both install checks.

# What an install puts under its prefix, one path a line.
# Arguments: APP_ID HAS_CLI (1 when shotsweep-cli is built).
expected_files() {
  local id=$1 has_cli=$2 size program
  for program in shotsweep shotsweep-batch shotsweep-cli; do
    [[ $program == shotsweep-cli && $has_cli != 1 ]] && continue
    echo "bin/$program"
    echo "share/man/man1/$program.1.gz"
  done
  echo "share/applications/$id.desktop"
  echo "share/metainfo/$id.metainfo.xml"
  echo "share/icons/hicolor/scalable/apps/$id.svg"
  for size in 16 22 24 32 48 64 128 256; do
    echo "share/icons/hicolor/${size}x$size/apps/$id.png"
  done
  echo share/doc/shotsweep/README.md
  echo share/doc/shotsweep/LICENSE
  echo share/doc/shotsweep/copyright
  echo share/doc/shotsweep/changelog.gz
}

# Every file and link under FOLDER, relative to it, sorted.
files_under() {
  (cd "$1" && find . \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort)
}

# A check that fails says why and lets the others run; the script's end counts them.
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Runs hardening-check on each PROGRAM and fails on every line that is not a yes, except those
# that say nothing about this build:
#   - stack clash: "unknown" when no function has a frame large enough to need probing;
#   - control flow: "no" on x86 as long as glibc's start files carry no CET marking, which the
#     linker then rightly drops from every program (the objects' own marking is checked below);
#   - fortified functions: "no" for a program that lintian's overrides name, with their reason.
# Then checks the compiler's half on every object of BUILD_DIR, the one thing those lines cannot
# show: each compile had the flags, and on x86 each object is marked for CET.
# Arguments: BUILD_DIR PROGRAM...
check_hardening() {
  local build=$1 program line name flag missing
  shift
  local overrides
  overrides=$(dirname "${BASH_SOURCE[0]}")/../../debian/shotsweep.lintian-overrides
  for program in "$@"; do
    name=${program##*/}
    while IFS= read -r line; do
      case $line in
        *": yes"*) ;;
        " Stack clash protection: unknown, no -fstack-clash-protection instructions found") ;;
        " Control flow integrity: no, not found!") ;;
        " Fortify Source functions: no, only unprotected functions found!")
          grep -qx "hardening-no-fortify-functions \[usr/bin/$name\]" "$overrides" ||
            fail "hardening-check $name:$line" ;;
        *) fail "hardening-check $name:$line" ;;
      esac
    done < <(hardening-check "$program" | tail -n +2)
  done

  local flags=(-D_FORTIFY_SOURCE=2 -fstack-protector-strong -fstack-clash-protection -Werror=format-security)
  case $(dpkg --print-architecture) in
    amd64 | i386) flags+=(-fcf-protection) ;;
    arm64) flags+=(-mbranch-protection=standard) ;;
  esac
  for flag in "${flags[@]}"; do
    missing=$(grep '"command":' "$build/compile_commands.json" | grep -vcF -- " $flag ") || true
    ((missing == 0)) || fail "$missing compile(s) in $build lack $flag"
  done
  case $(dpkg --print-architecture) in
    amd64 | i386)
      # The objects the build compiles now, from its compile commands: a build folder may hold
      # objects of sources that have since gone, compiled before these flags.
      missing=$(grep '"command":' "$build/compile_commands.json" | sed -n 's/.* -o \([^ ]*\) .*/\1/p' |
        while IFS= read -r object; do
          readelf -n "$build/$object" | grep -q "x86 feature: IBT, SHSTK" || echo "$build/$object"
        done)
      [[ -z $missing ]] || fail "$(wc -l <<<"$missing") object(s) not marked for CET, such as $(head -n 1 <<<"$missing")" ;;
  esac
}

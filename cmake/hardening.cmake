# The hardening Debian builds every package with (`dpkg-buildflags` with hardening=+all, and the
# stack clash and control-flow protection newer dpkg adds), for every build of the programs:
# they read names, lists and settings written by others, and then delete files.
#
# Off where something else supplies or replaces it: the package build, where dpkg-buildflags
# hands the same flags to CMake (debian/rules turns this off, so no flag comes twice), and the
# sanitizer and fuzz builds, whose instrumentation is the point of those builds.
option(SHOTSWEEP_HARDENING "Build with Debian's hardening flags" ON)
if(NOT SHOTSWEEP_HARDENING OR SHOTSWEEP_SANITIZE OR SHOTSWEEP_FUZZ)
  return()
endif()

include(CheckCXXCompilerFlag)
include(CheckPIESupported)

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
# The fortified functions only exist with the optimiser on; without it glibc warns in every file.
add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)

check_cxx_compiler_flag(-fstack-clash-protection shotsweep_has_stack_clash_protection)
if(shotsweep_has_stack_clash_protection)
  add_compile_options(-fstack-clash-protection)
endif()
# x86 marks its branch targets (CET); arm64 has its own form of the same protection.
check_cxx_compiler_flag(-fcf-protection shotsweep_has_cf_protection)
check_cxx_compiler_flag(-mbranch-protection=standard shotsweep_has_branch_protection)
if(shotsweep_has_cf_protection)
  add_compile_options(-fcf-protection)
elseif(shotsweep_has_branch_protection)
  add_compile_options(-mbranch-protection=standard)
endif()

check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_link_options(-Wl,-z,relro -Wl,-z,now)
# Wholly hardened, fortified functions included, only with the optimiser on; the install check
# looks at the programs then.
if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  set(SHOTSWEEP_HARDENED ON)
endif()

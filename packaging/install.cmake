# Where every file goes on `cmake --install`; the Debian package (debian/) is made from the same
# rules. Included from the top CMakeLists after every directory, so that the
# program targets those directories define are all known here.

include(GNUInstallDirs)
# The documents' folder is named after the package, "shotsweep", not after the project's
# capitalised name, unless it was chosen on the command line.
if("$CACHE{CMAKE_INSTALL_DOCDIR}" STREQUAL "")
  set(CMAKE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/shotsweep)
endif()

# One id for the desktop entry, the AppStream metadata and the icon: software centres and
# the menu match them by it.
set(SHOTSWEEP_APP_ID "io.github.shotsweep.Shotsweep")

# The window starts shotsweep-batch from its own folder, so every program goes to the same
# place. A program target added by any directory above is installed without more ado.
set(shotsweep_programs shotsweep shotsweep-batch)
if(TARGET shotsweep-cli)
  list(APPEND shotsweep_programs shotsweep-cli)
endif()
install(TARGETS ${shotsweep_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# --- Desktop entry and AppStream metadata -------------------------------------------------

install(FILES desktop/${SHOTSWEEP_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The metainfo lists every program the package provides, so the command line one is added
# when it is built.
set(SHOTSWEEP_CLI_BINARY "")
if(shotsweep-cli IN_LIST shotsweep_programs)
  set(SHOTSWEEP_CLI_BINARY "\n    <binary>shotsweep-cli</binary>")
endif()
configure_file(desktop/${SHOTSWEEP_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/desktop/${SHOTSWEEP_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${SHOTSWEEP_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# --- Icons --------------------------------------------------------------------------------

# The SVG is the only drawing; the fixed sizes are rendered from it at build time, so they
# can never lag behind it and no binary copies live in the repository.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(shotsweep_icon_svg ${CMAKE_SOURCE_DIR}/desktop/${SHOTSWEEP_APP_ID}.svg)
set(shotsweep_generated_files)
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
  set(png ${CMAKE_BINARY_DIR}/desktop/${SHOTSWEEP_APP_ID}-${size}.png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${shotsweep_icon_svg}
    DEPENDS ${shotsweep_icon_svg}
    COMMENT "Rendering the ${size} px icon"
    VERBATIM)
  list(APPEND shotsweep_generated_files ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${SHOTSWEEP_APP_ID}.png)
endforeach()
install(FILES ${shotsweep_icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# --- Manual pages and documents -----------------------------------------------------------

# Compressed as Debian wants them (-n: no name or time stamp, so a rebuild is identical);
# man reads them the same under any prefix.
find_program(GZIP gzip REQUIRED)
macro(shotsweep_gzip source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${GZIP} -9 -n -c ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
  list(APPEND shotsweep_generated_files ${output})
endmacro()

# Every page is made, so the tests check the command line's page before its program exists;
# a page is installed with its program.
foreach(page IN ITEMS shotsweep shotsweep-batch shotsweep-cli)
  configure_file(man/${page}.1.in ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
  shotsweep_gzip(${CMAKE_BINARY_DIR}/man/${page}.1 ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
  if(page IN_LIST shotsweep_programs)
    install(FILES ${CMAKE_BINARY_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

# The Debian package's changelog and copyright file serve every install; they read well enough
# anywhere. The package build leaves LICENSE out, as Debian has the text in common-licenses.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/doc)
shotsweep_gzip(${CMAKE_SOURCE_DIR}/debian/changelog ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES README.md LICENSE debian/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

add_custom_target(shotsweep_install_files ALL DEPENDS ${shotsweep_generated_files})

# The Debian package: `cpack -G DEB` in the build folder makes shotsweep_VERSION_ARCH.deb from
# the install rules (install.cmake) with /usr as the prefix.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME shotsweep)
set(CPACK_PACKAGE_VENDOR "Shotsweep developers")
set(CPACK_PACKAGE_CONTACT "Shotsweep developers <maintainers@shotsweep.example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://shotsweep.example.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
# CPack turns the blank lines into the " ." paragraph breaks of a Debian description.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "delete the RAW files whose JPG twins you have deleted")
set(CPACK_PACKAGE_DESCRIPTION [[
Many cameras record every shot twice, as a RAW file and as a JPG. Cull
the JPGs in any viewer; Shotsweep then deletes every RAW file (NEF, CR2,
CRW, ARW, ORF) whose JPG twin is gone, comparing a RAW folder with the
JPG folder or with a text file that lists the JPGs kept.

Instead of being deleted, the unmatched RAW files can be set aside
(DSC_0001.NEF becomes DSC_0001.nbak) and restored later. Shotsweep also
extracts the JPG preview embedded in RAW files, with their EXIF data
(exiv2, exiftool).

Started from the desktop menu it keeps its settings in ~/.config/shotsweep.
]])

# Debian's own file name, shotsweep_1.8.1_amd64.deb.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link, found by dpkg-shlibdeps, give the Depends line.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Only preview extraction needs the two tools; the cleanup works without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "exiv2, libimage-exiftool-perl")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The build keeps debugging symbols; the package does not.
set(CPACK_STRIP_FILES ON)

include(CPack)

# The Debian package (scripts/package runs `cpack -G DEB` on a Release build).
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION ${QUILLMERE_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillmere Software")
set(CPACK_PACKAGE_CONTACT "Quillmere Software <maintainers@quillmere.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "visit counts of a seller's auction listings")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmere downloads a seller's listing page from an auction site, reads the
visit counter of every listing's item page and adds up the visits of the
listings the seller checks. It finds each value by plain-text markers kept
in its Options window. A small demo auction site on 127.0.0.1 comes with it
(quillmere-demo-site) for trying the program offline.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillmere.example/")
# Left unstripped for CPack, which moves the debug symbols into a
# quillmere-dbgsym package and strips what it installs.
set(CPACK_STRIP_FILES OFF)
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plugins are loaded at run time, so dpkg-shlibdeps cannot see them: the
# SVG icons and SQLite for the history.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, libqt6sql6-sqlite")
# Directories the package shares with others keep the usual modes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

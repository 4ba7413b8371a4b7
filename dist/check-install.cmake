# Installs the build into a scratch folder and checks that the program, its
# window module, its option files, the desktop entry, the icon, the commands
# on PATH and their manual pages are there.
set(dest "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${dest}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${dest}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(expected
    "${LIBDIR}/quillmere/quillmere"
    "${LIBDIR}/quillmere/quillmere-window.so"
    "${DATADIR}/quillmere/User.rtf"
    "${DATADIR}/quillmere/Options.rtf"
    "${DATADIR}/quillmere/Options1.rtf"
    "${DATADIR}/quillmere/Config10.rtf"
    "${DATADIR}/quillmere/Config68.rtf"
    "${BINDIR}/quillmere"
    "${BINDIR}/quillmere-demo-site"
    "${MANDIR}/man1/quillmere.1.gz"
    "${MANDIR}/man1/quillmere-demo-site.1.gz"
    "${DATADIR}/doc/quillmere/copyright"
    "${DATADIR}/applications/net.quillmere.Quillmere.desktop"
    "${DATADIR}/metainfo/net.quillmere.Quillmere.metainfo.xml"
    "${DATADIR}/icons/hicolor/scalable/apps/net.quillmere.Quillmere.svg")
foreach(file IN LISTS expected)
    if(NOT EXISTS "${dest}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
file(GLOB options "${dest}/${DATADIR}/quillmere/*.rtf")
list(LENGTH options count)
if(NOT count EQUAL 39)
    message(FATAL_ERROR "expected 38 option files and User.rtf, found ${count} RTF files")
endif()
file(REMOVE_RECURSE "${dest}")
message(STATUS "install layout complete")

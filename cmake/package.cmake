# The download packages, made by scripts/package.sh with CPack:
#   TASC-<version>-windows.zip        x64/ and x86/ (TASC.dll, TASCRec.dll,
#                                     tasc.exe), examples/, README.md,
#                                     QUICKSTART.txt, docs/
#   TASC-<version>-linux-x86_64.tar.gz TASC.so, TASCRec.so, tasc, examples/,
#                                     README.md, QUICKSTART.txt, docs/
# Component "bin" is one build's modules and tool, "common" the files every
# package holds once; the Windows zip takes "bin" from both Windows builds
# (CPACK_INSTALL_CMAKE_PROJECTS, set by the script) and "common" from one.
# `tasc` finds the plug-in beside it and examples/ beside it or one level up.
# The documentation goes whole: README.md at the top, where its links to
# docs/ hold, and every page and picture of docs/ (docs/recording.md, which
# every recording names, among them). The Windows package's text files have
# CRLF line endings, converted at packaging time.
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TASC_PACKAGE_BIN x64)
  else()
    set(TASC_PACKAGE_BIN x86)
  endif()
  set(CPACK_SYSTEM_NAME windows)
  set(CPACK_GENERATOR ZIP)
else()
  set(TASC_PACKAGE_BIN .)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" CPACK_SYSTEM_NAME)
  set(CPACK_GENERATOR TGZ)
endif()

install(TARGETS TASC TASCRec LIBRARY DESTINATION ${TASC_PACKAGE_BIN} COMPONENT bin)
install(TARGETS tasc RUNTIME DESTINATION ${TASC_PACKAGE_BIN} COMPONENT bin)
# stop.script drives tasc-host, a test tool that is not packaged.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples COMPONENT common
        PATTERN stop.script EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/QUICKSTART.txt
        DESTINATION . COMPONENT common)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs COMPONENT common
        FILES_MATCHING PATTERN "*.md" PATTERN "*.svg")
if(WIN32)
  # After the files above (install rules run in order): the staged copies.
  install(CODE "set(TASC_CRLF_DIRS \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
                include(\"${PROJECT_SOURCE_DIR}/cmake/crlf.cmake\")"
          COMPONENT common)
endif()

set(CPACK_PACKAGE_NAME TASC)
set(CPACK_PACKAGE_VENDOR TASC)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Automatic stop-position control plug-in and its author tool")
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
# The script builds the packaged targets alone; packaging must not build the rest.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)

# Installation, the Debian package, and the tests of what the package
# ships: the manual page, the desktop files, the editor files and the word
# reference. Included from the top CMakeLists.txt.
#
#   cmake --build build --target package    -> build/nokari_<version>_<arch>.deb
#
# The layout is the one the program looks for its window module in:
# /usr/bin/nokari and /usr/lib/nokari/libnokari-gui.so (../lib/nokari/ from
# the program), so lib/nokari is spelled out rather than taken from
# GNUInstallDirs, whose multiarch folder the program would not find.

install(TARGETS nokari RUNTIME DESTINATION bin)
if(NOKARI_GUI)
  install(TARGETS nokari_gui LIBRARY DESTINATION lib/nokari)
endif()

# Debian keeps manual pages compressed; -n leaves the time out so the
# package builds the same twice.
set(NOKARI_MANPAGE_GZ ${CMAKE_BINARY_DIR}/nokari.1.gz)
add_custom_command(OUTPUT ${NOKARI_MANPAGE_GZ}
                   COMMAND sh -c "gzip -9nc '${CMAKE_SOURCE_DIR}/docs/nokari.1' > '${NOKARI_MANPAGE_GZ}'"
                   DEPENDS ${CMAKE_SOURCE_DIR}/docs/nokari.1 VERBATIM)
add_custom_target(nokari_manpage ALL DEPENDS ${NOKARI_MANPAGE_GZ})
install(FILES ${NOKARI_MANPAGE_GZ} DESTINATION share/man/man1)

install(FILES packaging/nokari.desktop DESTINATION share/applications)
install(FILES packaging/nokari-mime.xml DESTINATION share/mime/packages RENAME nokari.xml)
install(FILES packaging/nokari.svg DESTINATION share/icons/hicolor/scalable/apps)
# Debian's Vim has /usr/share/vim/vimfiles on its runtime path.
install(DIRECTORY editors/vim/ DESTINATION share/vim/vimfiles)
install(DIRECTORY editors/vscode/ DESTINATION share/nokari/editors/vscode
        PATTERN test EXCLUDE)
# The office helper: ../share/nokari/ from the program (lib/office).
install(PROGRAMS tools/nokari-office DESTINATION share/nokari)
install(FILES README.md README.ja.md docs/words.md DESTINATION share/doc/nokari)
install(DIRECTORY examples/ DESTINATION share/doc/nokari/examples)

set(NOKARI_MAINTAINER "Nokari developers <nokari@localhost>" CACHE STRING "Maintainer field of the .deb")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nokari)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${NOKARI_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interpreter for programs written as Japanese sentences")
# CPack writes the summary as the first line and indents the rest.
set(CPACK_PACKAGE_DESCRIPTION
    "Nokari runs programs whose statements read as Japanese sentences: values
with their particles, ending in a verb. Scripts run in a window of their
own or, with -console, in the terminal.

The package holds the interpreter, its window module, the manual page, a
desktop entry and MIME type for *.nkr scripts, and syntax files for Vim
and Visual Studio Code.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION interpreters)
# The libraries the program and the module link (Oniguruma, Qt, the C++
# runtime) become Depends through dpkg-shlibdeps, never a hand-kept list.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcurl, libarchive, SQLite, ODBC, libffi, readline, Xlib and XTest are
# opened by name when first used (core/LazyLibrary.h), so no link records
# them: named here, beside what dpkg-shlibdeps finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libcurl4 (>= 7.88), libarchive13 (>= 3.6), libsqlite3-0 (>= 3.40), libodbc2 (>= 2.3), libffi8 (>= 3.4), libreadline8 (>= 8.2), libx11-6, libxtst6")
# The window's default fonts are Japanese ones.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, fonts-ipafont-mincho")
# The エクセル and ワード commands drive LibreOffice through python3-uno.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-calc-nogui, libreoffice-writer-nogui, python3-uno")
set(CPACK_STRIP_FILES ON)
include(CPack)

# --- tests of what the package ships ------------------------------------

# Every groff warning turned on; preconv (-k) reads the UTF-8 source as
# man(1) does. Also: every option of --help is described.
add_test(NAME docs/manpage
         COMMAND ${CMAKE_SOURCE_DIR}/tests/check_manpage.sh $<TARGET_FILE:nokari> ${CMAKE_SOURCE_DIR}/docs/nokari.1)
# docs/words.md is what `nokari --list-words-md` prints.
add_test(NAME docs/words-md
         COMMAND ${CMAKE_SOURCE_DIR}/tests/check_words_md.sh $<TARGET_FILE:nokari> ${CMAKE_SOURCE_DIR}/docs/words.md)
add_test(NAME cli/help-word COMMAND ${CMAKE_SOURCE_DIR}/tests/check_help_word.sh $<TARGET_FILE:nokari>)
add_test(NAME desktop/files COMMAND ${CMAKE_SOURCE_DIR}/tests/check_desktop_files.sh ${CMAKE_SOURCE_DIR}/packaging)
# The editors' word lists are what scripts/gen_editor_words.py writes.
add_test(NAME editors/words COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/scripts/gen_editor_words.py --check
                                    ${CMAKE_SOURCE_DIR})
add_test(NAME editors/vim COMMAND ${CMAKE_SOURCE_DIR}/tests/check_vim_syntax.sh ${CMAKE_SOURCE_DIR})
add_test(NAME editors/textmate COMMAND ${CMAKE_SOURCE_DIR}/tests/check_textmate.sh ${CMAKE_SOURCE_DIR})
set_tests_properties(docs/manpage docs/words-md cli/help-word desktop/files editors/words editors/vim
                     editors/textmate PROPERTIES LABELS docs TIMEOUT 120 SKIP_RETURN_CODE 77)

# Builds the .deb, installs it, runs the installed program and removes it:
# only as root with dpkg, and not in a sanitizer build (whose program is
# not one to install); skipped otherwise.
if(NOKARI_SANITIZE)
  set(NOKARI_PACKAGE_TEST_SKIP "sanitizer build")
else()
  set(NOKARI_PACKAGE_TEST_SKIP "")
endif()
add_test(NAME package/deb
         COMMAND ${CMAKE_SOURCE_DIR}/tests/package_test.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}
                 "${NOKARI_PACKAGE_TEST_SKIP}")
set_tests_properties(package/deb PROPERTIES LABELS package TIMEOUT 600 SKIP_RETURN_CODE 77)

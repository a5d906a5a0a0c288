# Installation and the Debian package. The program folder goes to
# <prefix>/lib/qor-vuruzid as it is built (program, dictionaries and their
# word frequencies, help, read-me, licences); a launcher, the tools, the menu
# entry, icons, AppStream metainfo and manual pages go where the desktop looks
# for them.
#   cmake --install BUILD --prefix /usr        (or: cd BUILD && cpack -G DEB)

# No web address is made up: without a home page the package and the
# metainfo name none, and the metainfo leaves out the screenshots kept there.
set(VURUZID_HOMEPAGE "" CACHE STRING
    "Web address of the program's home page; the package metainfo names its screenshots below it")
# A reserved name that can never reach anybody, until a real address is configured.
set(VURUZID_MAINTAINER_MAIL "packages@qor-vuruzid.invalid" CACHE STRING "The package maintainer's mail address")

set(vuruzid_install_folder lib/qor-vuruzid)
set(vuruzid_app_id org.vuruzid.QorVuruzid)
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
set(linux_dist ${PROJECT_SOURCE_DIR}/dist/linux)

# The program folder.
install(TARGETS QOR_Vuruzid vuruzid-check RUNTIME DESTINATION ${vuruzid_install_folder})
install(FILES ${VURUZID_PROGRAM_DIR}/english.dll ${VURUZID_PROGRAM_DIR}/russian.dll
              ${VURUZID_PROGRAM_DIR}/english.frq ${VURUZID_PROGRAM_DIR}/russian.frq
              ${VURUZID_PROGRAM_DIR}/Readme.htm ${VURUZID_PROGRAM_DIR}/QOR_Vuruzid.png
              ${linux_dist}/per-user-data
        DESTINATION ${vuruzid_install_folder})
install(DIRECTORY ${VURUZID_PROGRAM_DIR}/Help ${VURUZID_PROGRAM_DIR}/licences DESTINATION ${vuruzid_install_folder})

# On the PATH: the launcher, the checker (a link into the program folder, whose
# dictionaries it reads) and the dictionary builder.
set(VURUZID_FOLDER_FROM_BIN ../${vuruzid_install_folder})
configure_file(${linux_dist}/qor-vuruzid.in ${packaging_out}/qor-vuruzid @ONLY)
install(PROGRAMS ${packaging_out}/qor-vuruzid DESTINATION bin)
file(CREATE_LINK ../${vuruzid_install_folder}/vuruzid-check ${packaging_out}/vuruzid-check SYMBOLIC)
install(FILES ${packaging_out}/vuruzid-check DESTINATION bin)
install(TARGETS vuruzid-dictbuild RUNTIME DESTINATION bin)

# Menu entry and AppStream metainfo.
install(FILES ${linux_dist}/${vuruzid_app_id}.desktop DESTINATION share/applications)
set(VURUZID_METAINFO_WEB "")
if(VURUZID_HOMEPAGE)
  string(CONCAT VURUZID_METAINFO_WEB
    "  <url type=\"homepage\">${VURUZID_HOMEPAGE}</url>\n"
    "  <screenshots>\n"
    "    <screenshot type=\"default\">\n"
    "      <caption>The full window with a finished wrong word and its neighbours</caption>\n"
    "      <image>${VURUZID_HOMEPAGE}/screenshots/full-red.png</image>\n"
    "    </screenshot>\n"
    "    <screenshot>\n"
    "      <caption>The compact window while a word is typed</caption>\n"
    "      <image>${VURUZID_HOMEPAGE}/screenshots/compact-green.png</image>\n"
    "    </screenshot>\n"
    "  </screenshots>\n")
endif()
configure_file(${linux_dist}/${vuruzid_app_id}.metainfo.xml.in ${packaging_out}/${vuruzid_app_id}.metainfo.xml @ONLY)
install(FILES ${packaging_out}/${vuruzid_app_id}.metainfo.xml DESTINATION share/metainfo)

# Icons: the 64-pixel picture as drawn, the other theme sizes scaled from it.
set(icon_source ${PROJECT_SOURCE_DIR}/res/skin/vuruzid-64.png)
install(FILES ${icon_source} DESTINATION share/icons/hicolor/64x64/apps RENAME qor-vuruzid.png)
find_program(VURUZID_CONVERT convert)
set(icon_outputs)
if(VURUZID_CONVERT)
  foreach(size 32 48 128 256)
    set(icon ${packaging_out}/icons/${size}/qor-vuruzid.png)
    add_custom_command(
      OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/icons/${size}
      COMMAND ${VURUZID_CONVERT} ${icon_source} -resize ${size}x${size} -strip ${icon}
      DEPENDS ${icon_source}
      COMMENT "Scaling the program icon to ${size} pixels"
      VERBATIM)
    list(APPEND icon_outputs ${icon})
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(STATUS "ImageMagick's convert is missing: only the 64-pixel icon is installed")
endif()

# Manual pages and the Debian documentation files, compressed as Debian wants them.
set(compressed_docs)
foreach(page qor-vuruzid vuruzid-check vuruzid-dictbuild)
  set(output ${packaging_out}/man/${page}.1.gz)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/man
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/dist/man/${page}.1 ${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/dist/man/${page}.1
    COMMENT "Compressing the manual page ${page}.1"
    VERBATIM)
  list(APPEND compressed_docs ${output})
  install(FILES ${output} DESTINATION share/man/man1)
endforeach()
configure_file(${linux_dist}/changelog.in ${packaging_out}/changelog @ONLY)
add_custom_command(
  OUTPUT ${packaging_out}/changelog.gz
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${packaging_out}/changelog ${packaging_out}/changelog.gz
  DEPENDS ${packaging_out}/changelog
  VERBATIM)
install(FILES ${packaging_out}/changelog.gz DESTINATION share/doc/qor-vuruzid)
install(FILES ${linux_dist}/copyright DESTINATION share/doc/qor-vuruzid)
add_custom_target(vuruzid_packaging_files ALL DEPENDS ${icon_outputs} ${compressed_docs} ${packaging_out}/changelog.gz)

# The Debian package: cpack -G DEB in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qor-vuruzid)
set(CPACK_PACKAGE_VENDOR "QOR Vuruzid developers")
set(CPACK_PACKAGE_CONTACT "QOR Vuruzid developers <${VURUZID_MAINTAINER_MAIL}>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "spell checker for English and Russian while you type")
set(CPACK_PACKAGE_DESCRIPTION
    "QOR Vuruzid watches the keys typed in any X11 application and shows the word\n"
    "being typed in a small window: green while it can still become a dictionary\n"
    "word, red when it cannot, with the nine neighbouring dictionary words.\n"
    "It never changes what you type and stores nothing of it.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(VURUZID_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VURUZID_HOMEPAGE})
endif()
# Qt 6, libjpeg, libX11 and libXtst, as dpkg-shlibdeps finds them in the programs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

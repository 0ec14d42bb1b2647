# Installing Stampwise as a desktop program (cmake --install) and packing it as a Debian package
# (cpack -G DEB, see script/package). The version and the application id come from the top
# CMakeLists.txt; the data files' sources are in data/, the icons come from the artwork generator.
include(GNUInstallDirs)

# The date of the release named by project(VERSION): moves with it.
set(STAMPWISE_RELEASE_DATE 2026-12-08)

set(STAMPWISE_DATA_DIR ${CMAKE_BINARY_DIR}/data)
configure_file(data/stampwise.desktop.in ${STAMPWISE_DATA_DIR}/${STAMPWISE_APP_ID}.desktop @ONLY)
configure_file(data/stampwise.metainfo.xml.in ${STAMPWISE_DATA_DIR}/${STAMPWISE_APP_ID}.metainfo.xml @ONLY)
configure_file(data/stampwise.1.in ${STAMPWISE_DATA_DIR}/stampwise.1 @ONLY)
configure_file(data/stampwise-batch.1.in ${STAMPWISE_DATA_DIR}/stampwise-batch.1 @ONLY)

if(TARGET stampwise-batch)
  install(TARGETS stampwise-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${STAMPWISE_DATA_DIR}/stampwise-batch.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES data/stampwise-batch.bash-completion
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME stampwise-batch)
endif()

if(TARGET stampwise)
  install(TARGETS stampwise RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${STAMPWISE_DATA_DIR}/stampwise.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${STAMPWISE_DATA_DIR}/${STAMPWISE_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${STAMPWISE_DATA_DIR}/${STAMPWISE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size IN LISTS STAMPWISE_ICON_SIZES)
    install(FILES ${ARTWORK_DIR}/icon_${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${STAMPWISE_APP_ID}.png)
  endforeach()
  install(FILES ${ARTWORK_DIR}/icon.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${STAMPWISE_APP_ID}.svg)
endif()

if(STAMPWISE_TESTS AND TARGET stampwise-batch)
  # The pages and the completion must name every option --help names, and no other.
  add_test(NAME OptionsDocumented
           COMMAND ${CMAKE_SOURCE_DIR}/tests/install/check_options.sh $<TARGET_FILE:stampwise-batch>
                   ${STAMPWISE_DATA_DIR}/stampwise-batch.1 ${CMAKE_SOURCE_DIR}/data/stampwise-batch.bash-completion)
  if(TARGET stampwise)
    add_test(NAME InstalledLikeADesktopProgram
             COMMAND ${CMAKE_SOURCE_DIR}/tests/install/check_install.sh ${CMAKE_BINARY_DIR}
                     ${STAMPWISE_APP_ID} ${PROJECT_VERSION})
    set_tests_properties(InstalledLikeADesktopProgram PROPERTIES TIMEOUT 300)
  endif()
endif()

# The Debian package. Its dependencies are read off the binaries by dpkg-shlibdeps, so it pulls
# in exactly the Qt, libjpeg and Little CMS libraries they were linked against.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME stampwise)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "Velmora <help@velmora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "resizes or watermarks batches of JPEG photos")
# CPack puts the summary on the first line and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Stampwise prepares a batch of JPEG photographs for publication: it resizes every
picture to a fixed width, height or percentage, or stamps a logo on every picture
at up to seven places. A short wizard drives it; stampwise-batch runs the same
jobs from scripts.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.velmora.example/stampwise)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own words (Yes, No, the file dialogs) are loaded in Russian at start; they are no library,
# so dpkg-shlibdeps cannot find them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-translations-l10n)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

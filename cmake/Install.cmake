# Where an installed reader finds what it ships with: bin/ for the programs, and
# share/corvalindestrum/ beside it (found at run time relative to the executable, so a
# relocated install works). The desktop files go where freedesktop desktops look for them.
include(GNUInstallDirs)

foreach(program corvalindestrum corvalin-convert corvalin-book corvalin-render corvalin-config corvalin-library)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(CORVALIN_SHARE ${CMAKE_INSTALL_DATADIR}/corvalindestrum)
install(FILES ${PROJECT_SOURCE_DIR}/data/samples/Welcome.txt DESTINATION ${CORVALIN_SHARE}/samples)
install(FILES ${PROJECT_SOURCE_DIR}/data/help/guide.html DESTINATION ${CORVALIN_SHARE}/help)

set(DESKTOP ${PROJECT_SOURCE_DIR}/data/desktop)
install(FILES ${DESKTOP}/corvalindestrum.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${DESKTOP}/org.corvalindestrum.Corvalindestrum.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${DESKTOP}/corvalindestrum-book.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${DESKTOP}/corvalindestrum.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The usual bitmap sizes, drawn from the one picture at build time.
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  foreach(size 16 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/corvalindestrum.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${DESKTOP}/corvalindestrum.svg
      DEPENDS ${DESKTOP}/corvalindestrum.svg
      VERBATIM)
    list(APPEND CORVALIN_ICONS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(corvalin_icons ALL DEPENDS ${CORVALIN_ICONS})
endif()

# Manual pages, compressed as Debian ships them.
file(GLOB MANUAL_PAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/doc/man/*.1)
foreach(page ${MANUAL_PAGES})
  get_filename_component(name ${page} NAME)
  set(gz ${CMAKE_BINARY_DIR}/man/${name}.gz)
  add_custom_command(
    OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "gzip -9n < '${page}' > '${gz}'"
    DEPENDS ${page}
    VERBATIM)
  list(APPEND CORVALIN_MANUAL_PAGES ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(corvalin_manual_pages ALL DEPENDS ${CORVALIN_MANUAL_PAGES})

set(DOC ${CMAKE_INSTALL_DATADIR}/doc/corvalindestrum)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${DOC})
set(CHANGELOG_GZ ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${CHANGELOG_GZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND sh -c "gzip -9n < '${PROJECT_SOURCE_DIR}/packaging/changelog' > '${CHANGELOG_GZ}'"
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(corvalin_changelog ALL DEPENDS ${CHANGELOG_GZ})
install(FILES ${CHANGELOG_GZ} DESTINATION ${DOC})

# Install: the two programs, a desktop entry and the icon in the hicolor theme,
# so that the program appears in the desktop's menu, the AppStream metadata that
# software centres read, and the manual pages.
#   cmake --install build [--prefix ~/.local]
include(GNUInstallDirs)

# The AppStream id; the desktop entry and the metadata file are named after it.
set(MORVANE_APP_ID org.morvane.morvane)

add_executable(morvane-make-icons data/MakeIcons.cpp)
target_link_libraries(morvane-make-icons PRIVATE morvane_gui)
set(ICON_TREE ${CMAKE_BINARY_DIR}/icons)
add_custom_command(OUTPUT ${ICON_TREE}/hicolor/256x256/apps/morvane.png
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:morvane-make-icons> ${ICON_TREE}
  DEPENDS morvane-make-icons
  COMMENT "Drawing the program's icon")
add_custom_target(app-icons ALL DEPENDS ${ICON_TREE}/hicolor/256x256/apps/morvane.png)

# An alternative pair of button image strips, beside the window program.
add_executable(morvane-make-strips data/MakeStrips.cpp)
target_link_libraries(morvane-make-strips PRIVATE morvane_gui)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/alt1.bmp ${CMAKE_BINARY_DIR}/alt2.bmp
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:morvane-make-strips> ${CMAKE_BINARY_DIR}
  DEPENDS morvane-make-strips
  COMMENT "Drawing the alternative button images")
add_custom_target(button-strips ALL DEPENDS ${CMAKE_BINARY_DIR}/alt1.bmp)
install(FILES ${CMAKE_BINARY_DIR}/alt1.bmp ${CMAKE_BINARY_DIR}/alt2.bmp
  DESTINATION ${CMAKE_INSTALL_DATADIR}/morvane)

install(TARGETS morvane morvane-window RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/${MORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${ICON_TREE}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES data/${MORVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/man/morvane.1 data/man/morvane-window.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

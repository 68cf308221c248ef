# The Debian package: what the install rules put in place, as one .deb.
#   cmake --build build && (cd build && cpack -G DEB)
# The libraries it needs are read from the binaries (dpkg-shlibdeps, from
# dpkg-dev); the rest are the programs it starts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Morvane++")
set(CPACK_PACKAGE_CONTACT "Morvane++ maintainers <maintainers@morvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "disk usage analyser: where the space on a disk goes")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Morvane++ measures every subfolder of a folder and shows the sizes as a
sortable list, a bar chart and a pie chart, so that the folders taking the
space are found at a glance; a click goes down into a folder.
.
It lists the files met, finds duplicates, moves, copies or trashes what is no
longer needed, or moves it into a zip archive that can be restored later. It
exports the lists as CSV, Excel, text and HTML, prints them, saves a whole scan
as a snapshot that ncdu and gdu read, and cleans broken shortcuts, empty
folders, the Trash and the browsers' caches. Nothing is ever deleted outright:
what it removes goes to the Trash.
.
The morvane command also writes the same reports without a window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opening folders and files goes through xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
# The tool bar's images and the File menu band's font; the window falls back
# to Qt's own images and a sans-serif face without them. The command line of
# the two-pane page runs in a terminal.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "adwaita-icon-theme, fonts-wine, xterm | x-terminal-emulator")
# Programs of the Tools menu; each says so when it is not installed.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "e2fsprogs, bleachbit, gnome-software | plasma-discover")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

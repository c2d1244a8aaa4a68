# The Debian package: `cpack -G DEB` in a build folder (scripts/package builds the release
# preset and runs it). Everything the install() rules put in place goes in, installed under
# /usr; the libraries it needs come from dpkg-shlibdeps, and what the program loads at run
# time, which dpkg-shlibdeps cannot see, is listed by hand.

# Folders made by the installation are 0755 whatever the umask of whoever builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisklet)
set(CPACK_PACKAGE_VENDOR Brisklet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brisklet <${BRISKLET_SUPPORT_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch file renamer with a live preview")
# One string: a CMake list would join the lines with semicolons.
set(CPACK_PACKAGE_DESCRIPTION "Brisklet renames many files at once. Files are gathered in a
list, a stack of steps (replace, regular expression, trim, append, prepend,
change case, sequence) computes their new names, and the preview shows every
new name with duplicates and bad names flagged before anything is renamed.
A rename never replaces an existing file and can be undone; operation stacks
can be saved as named workflows.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://brisklet.app/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time: the platform plugins, the SVG icon engine and image plugin, and the
# icon font the views draw their symbols with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, fonts-material-design-icons-iconfont")
# Qt's own translations, for the texts of the standard dialogs (Brisklet's are built in), and
# the Wayland platform plugin, without which a Wayland session runs the window through
# XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")

# Runs on the staged tree before it is packed: compressed manual pages, the change log and the
# copyright file where Debian keeps them. A plain `cmake --install` leaves both alone.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianStaging.cmake)

include(CPack)

if(BRISKLET_BUILD_TESTS)
    # The version is answered before any window system is opened, so it needs no display.
    add_test(NAME brisklet_version COMMAND brisklet --version)
    set_tests_properties(brisklet_version PROPERTIES LABELS app
        PASS_REGULAR_EXPRESSION "^brisklet ${PROJECT_VERSION}\n$"
        ENVIRONMENT_MODIFICATION "DISPLAY=unset:;WAYLAND_DISPLAY=unset:;QT_QPA_PLATFORM=unset:")
endif()

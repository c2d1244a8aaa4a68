# Run by CPack on the staged tree of the Debian package, after the installation and before
# packing: manual pages are compressed as man and lintian expect, and the change log and the
# machine-readable copyright file that every Debian package carries are written. CPACK_TEMPORARY_DIRECTORY is the staged root.

set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")

file(GLOB_RECURSE manual_pages LIST_DIRECTORIES false "${root}/share/man/*")
foreach(page IN LISTS manual_pages)
    if(NOT page MATCHES "\\.gz$")
        execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()

set(doc "${root}/share/doc/${CPACK_PACKAGE_NAME}")
file(MAKE_DIRECTORY "${doc}")
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE "${doc}/changelog"
     "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
     "  * Release ${CPACK_PACKAGE_VERSION}.\n\n"
     " -- ${CPACK_PACKAGE_CONTACT}  ${date}\n")
execute_process(COMMAND gzip -9nf "${doc}/changelog" COMMAND_ERROR_IS_FATAL ANY)

configure_file("${CMAKE_CURRENT_LIST_DIR}/debian/copyright" "${doc}/copyright" @ONLY)

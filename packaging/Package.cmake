# How cpack packs the install:
#   cpack -G DEB    tarvel_<version>_<arch>.deb, the system-wide install under /usr
#   cpack -G ZIP    Tarvel-<version>.zip holding the relocatable Tarvel.app folder; this is
#                   also what the `package` target builds
# Included last by the top-level CMakeLists, once every install rule exists.
set(CPACK_PACKAGE_NAME tarvel)
set(CPACK_PACKAGE_VENDOR "The Tarvel developers")
set(CPACK_PACKAGE_VERSION "${TARVEL_DEB_VERSION}")
set(CPACK_PACKAGE_CONTACT "${TARVEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://tarvel.app/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "battery and power monitor for the system tray")
set(CPACK_GENERATOR ZIP)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_DESCRIPTION "Tarvel shows the laptop battery's level, time left, health and the power
the machine draws in the system tray, and which programs use the most
energy. It keeps a drain history on the machine and can hold the battery
at a chosen charge limit. The tarvelctl command prints the same readings
as text or JSON.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# postinst creates the group with addgroup.
set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Settings that differ per generator (the bundle's name, prefix and contents).
configure_file(${CMAKE_CURRENT_LIST_DIR}/CPackGenerators.cmake.in
               ${CMAKE_BINARY_DIR}/CPackGenerators.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackGenerators.cmake)

include(CPack)

# The Windows installer: an NSIS setup, made by Debian's makensis, that puts
# Zorvel under Program Files with a Start-menu entry and an uninstaller.
# Packaging.cmake includes this before CPack, which reads these settings.
if(CPack_CMake_INCLUDED)
  message(FATAL_ERROR "PackagingWindows.cmake must be included before CPack.")
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/licenses/ DESTINATION licenses)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION licenses RENAME Zorvel.txt)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_FILE_NAME "zorvel-${PROJECT_VERSION}-win64-setup")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Zorvel)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Zorvel)
set(CPACK_NSIS_DISPLAY_NAME Zorvel)
set(CPACK_PACKAGE_EXECUTABLES Zorvel Zorvel)
# The programs keep their bin/ folder, as on Linux; the Start-menu entry
# points there.
set(CPACK_NSIS_EXECUTABLES_DIRECTORY bin)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\Zorvel.exe")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/res/zorvel.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/res/zorvel.ico)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# A 64-bit setup program, like the program it installs: makensis makes a
# 32-bit one unless told, and a 64-bit Wine without its 32-bit half cannot
# start that.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")

# The uninstaller deletes the key Software\<vendor>\<this key> outright; the
# version in its name keeps it apart from the games under
# Software\Halvane\Zorvel.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Zorvel ${PROJECT_VERSION}")

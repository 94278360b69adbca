# The installable package, made by CPack from the install rules: a Debian
# package on Linux (scripts/package.sh), the Windows installer on Windows.
set(CPACK_PACKAGE_NAME zorvel)
set(CPACK_PACKAGE_VENDOR "${ZORVEL_MAKER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}/")
# No comma in a Debian contact: it would read as two.
set(CPACK_PACKAGE_CONTACT "halvane software <zorvel@halvane.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mail each player of a play-by-e-mail game his turn file")
set(CPACK_PACKAGE_DESCRIPTION
    "Zorvel is for the host of a play-by-e-mail game of a turn-based strategy
game for up to sixteen players. For every game it keeps the players'
addresses, a message and an optional further file; one button mails every
selected player his own turn file, after checking them all.

It mails through SMTP, SMTP over TLS or a sendmail-compatible program such as
msmtp, keeps a record of every message sent, and its commands run the same
sending without a window, for a scheduled job.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# No debug information in the package: the build folder keeps it.
set(CPACK_STRIP_FILES ON)

# What the package holds, so that scripts/package.sh builds only that and not
# the tests and benchmarks.
add_custom_target(zorvel_package_contents)
add_dependencies(zorvel_package_contents zorvel)
foreach(target simplemapi zorvel-cli zorvel_desktop_files)
  if(TARGET ${target})
    add_dependencies(zorvel_package_contents ${target})
  endif()
endforeach()

if(WIN32)
  # ---- Windows installer hook: cmake/PackagingWindows.cmake (NSIS) -----------
  include(PackagingWindows OPTIONAL)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION mail)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # A sendmail-compatible program for the Email Profile that names an msmtp account.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS msmtp)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
endif()

include(CPack)

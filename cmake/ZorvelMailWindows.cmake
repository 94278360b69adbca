# The mail libraries of the Windows provider (libcurl with Schannel, GMime,
# GLib and what they need), linked in statically from the prefix that
# scripts/build-mail-windows.sh makes, given as ZORVEL_MAIL_WINDOWS (the
# environment's value when the cache has none yet). Defines the INTERFACE
# target zorvel_mail_windows_libraries.
set(ZORVEL_MAIL_WINDOWS "$ENV{ZORVEL_MAIL_WINDOWS}"
  CACHE PATH "The mail libraries for Windows (scripts/build-mail-windows.sh)")
if(NOT EXISTS "${ZORVEL_MAIL_WINDOWS}/lib/pkgconfig/gmime-3.0.pc")
  message(FATAL_ERROR "ZORVEL_MAIL_WINDOWS='${ZORVEL_MAIL_WINDOWS}' holds no mail libraries for "
    "Windows; scripts/build-windows.sh finds or builds them.")
endif()
find_program(ZORVEL_PKG_CONFIG NAMES pkgconf pkg-config REQUIRED)

# The prefix's own pkg-config files and Debian's mingw zlib, nothing of this
# machine's; the cross compiler's own folders are left to the compiler, since
# naming its include folder again would upset the C++ headers' #include_next.
# Asked afresh at each configure, so a changed prefix is never stale.
function(zorvel_mail_windows_flags what out)
  set(mingw /usr/x86_64-w64-mingw32)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env
      PKG_CONFIG_LIBDIR=${ZORVEL_MAIL_WINDOWS}/lib/pkgconfig:${mingw}/lib/pkgconfig
      PKG_CONFIG_SYSTEM_INCLUDE_PATH=${mingw}/include
      PKG_CONFIG_SYSTEM_LIBRARY_PATH=${mingw}/lib
      ${ZORVEL_PKG_CONFIG} --static ${what} gmime-3.0 libcurl
    OUTPUT_VARIABLE flags ERROR_VARIABLE problem RESULT_VARIABLE status
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "pkg-config ${what} for the mail libraries in ${ZORVEL_MAIL_WINDOWS}: ${problem}")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

zorvel_mail_windows_flags(--cflags mail_cflags)
zorvel_mail_windows_flags(--libs mail_libs)
add_library(zorvel_mail_windows_libraries INTERFACE)
foreach(flag IN LISTS mail_cflags)
  if(flag MATCHES "^-I(.+)$")
    # SYSTEM, so their headers' warnings never fail our build.
    target_include_directories(zorvel_mail_windows_libraries SYSTEM INTERFACE ${CMAKE_MATCH_1})
  else()
    target_compile_options(zorvel_mail_windows_libraries INTERFACE ${flag})
  endif()
endforeach()
target_link_libraries(zorvel_mail_windows_libraries INTERFACE ${mail_libs})

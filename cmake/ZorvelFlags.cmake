# One set of compiler flags for every target of ours.
add_library(zorvel_flags INTERFACE)
if(MSVC)
  target_compile_options(zorvel_flags INTERFACE /W4 /WX /utf-8 /permissive-)
else()
  target_compile_options(zorvel_flags INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Werror)
endif()

if(ZORVEL_SANITIZE)
  target_compile_options(zorvel_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(zorvel_flags INTERFACE -fsanitize=address,undefined)
endif()

# One self-contained Windows program: the C++ runtime and the thread library
# are linked in, so no DLL of the compiler's has to sit beside it.
if(MINGW)
  target_link_options(zorvel_flags INTERFACE -static)
endif()

# Shared build settings.

if(VELMORA_TARGET STREQUAL "host")
  # Host builds are test instruments: every object is built with the sanitizers.
  set(VELMORA_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${VELMORA_SANITIZE} -Wall -Wextra -Wno-unused-parameter)
  add_link_options(${VELMORA_SANITIZE})
else()
  add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
  # One file, no MinGW runtime DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# velmora_module(NAME [DEPENDS lib...] [EXCLUDE file...])
# A static library of the system code in the current folder: every .cpp in it,
# built without exceptions and RTTI, reaching Win32 through platform/win32.h.
function(velmora_module name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fno-exceptions -fno-rtti)
  if(VELMORA_TARGET STREQUAL "win32")
    # The system code formats only with vsnprintf, whose cut it handles itself: the
    # run-time's own printf keeps MinGW's larger one (about 27 KiB) out of the executable.
    target_compile_options(${name} PRIVATE -Os)
    target_compile_definitions(${name} PRIVATE __USE_MINGW_ANSI_STDIO=0)
  endif()
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} velmora_platform)
endfunction()

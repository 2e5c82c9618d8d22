# Windows cross build. DLLs are named as on Windows (vaultkeeplib.dll, not
# libvaultkeeplib.dll), import libraries "<name>.lib" in lib/.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_IMPORT_LIBRARY_PREFIX "")
set(CMAKE_IMPORT_LIBRARY_SUFFIX ".lib")
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

# The DLLs every program needs are placed beside it in
# bin/ (the MinGW runtime, zlib, libzip), and programs built here run under
# Wine (tests, discovery), in a Wine prefix of this build folder.
set(VK_MINGW_RUNTIME_DIRS
  /usr/lib/gcc/x86_64-w64-mingw32/${CMAKE_CXX_COMPILER_VERSION}-posix
  /usr/lib/gcc/x86_64-w64-mingw32/12-posix
  /usr/x86_64-w64-mingw32/lib
  ${VK_WINDEPS}/bin)
set(VK_WINDOWS_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll zlib1.dll libzip.dll)
  find_file(VK_DLL_${dll} ${dll} PATHS ${VK_MINGW_RUNTIME_DIRS} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT VK_DLL_${dll})
    message(FATAL_ERROR "${dll} not found in ${VK_MINGW_RUNTIME_DIRS}")
  endif()
  file(COPY ${VK_DLL_${dll}} DESTINATION ${CMAKE_BINARY_DIR}/bin)
  list(APPEND VK_WINDOWS_DLLS ${VK_DLL_${dll}})
endforeach()

find_program(VK_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
set(VK_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
if(VK_WINE)
  # Headless: no X display, no Mono/Gecko installers, no debug chatter.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEPREFIX=${VK_WINEPREFIX} WINEDEBUG=-all
      "WINEDLLOVERRIDES=mscoree,mshtml=" VAULTKEEP_HEADLESS=1 --unset=DISPLAY --unset=WAYLAND_DISPLAY ${VK_WINE})
endif()

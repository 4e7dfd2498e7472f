# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
# The posix thread model gives std::thread and std::mutex. Without Qt everything is linked
# statically, so the test programs run on a bare Windows or Wine without extra DLLs. With the
# Qt for Windows of scripts/build-qt-windows (-DKIVRA_QT_WIN64=<its folder>) the programs use
# the same runtime DLLs as Qt, which are shipped beside them; moc, rcc and uic are Debian's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triple x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(KIVRA_QT_WIN64)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KIVRA_QT_WIN64})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
else()
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()
# Wide-character Win32 API throughout; Windows 7 and later.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# Programs run through Wine where a test or a try-run needs them.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

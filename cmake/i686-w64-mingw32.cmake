# 32-bit Windows, the product's platform; programs run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
set(WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-toolchain.cmake)

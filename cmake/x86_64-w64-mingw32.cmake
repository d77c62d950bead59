# The same sources for 64-bit Windows, run under 64-bit Wine: the Windows suite
# runs on this build where 32-bit programs cannot run. The product stays the
# 32-bit DLL.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-toolchain.cmake)

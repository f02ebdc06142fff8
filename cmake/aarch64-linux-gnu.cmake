# Cross build for 64-bit ARM Linux with Debian's cross compiler, against a Debian arm64
# file tree (the sysroot, made by scripts/arm64), the tests run under qemu-user. Qt's
# code generators (moc, rcc, uic) are the build machine's own, of the same Qt version.
#
#   cmake -S . -B build-arm64/build --toolchain cmake/aarch64-linux-gnu.cmake \
#         -DLUMIVANE_SYSROOT=/path/to/sysroot

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# CMake reads this file again for its compiler checks, which see only the variables named here.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMIVANE_SYSROOT)
if(NOT LUMIVANE_SYSROOT)
  set(LUMIVANE_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../build-arm64/sysroot")
endif()
get_filename_component(LUMIVANE_SYSROOT "${LUMIVANE_SYSROOT}" ABSOLUTE)
set(CMAKE_SYSROOT "${LUMIVANE_SYSROOT}")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ENV{PKG_CONFIG_SYSROOT_DIR} "${CMAKE_SYSROOT}")
set(ENV{PKG_CONFIG_LIBDIR} "${CMAKE_SYSROOT}/usr/lib/aarch64-linux-gnu/pkgconfig:${CMAKE_SYSROOT}/usr/share/pkgconfig")

set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# Test programs, the listing of their cases and the generators of the build run under
# emulation, which finds the sysroot's files in place of this machine's; Qt's own test for
# its plugin folder does not go through that (qemu's statx), so the folder is named.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static -L "${CMAKE_SYSROOT}"
  -E QT_PLUGIN_PATH=/usr/lib/aarch64-linux-gnu/qt6/plugins)

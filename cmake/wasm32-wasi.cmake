# Toolchain file: WebAssembly programs for WASI (wasm32-wasi), built with
# Debian's clang 16 against wasi-libc and libc++ 16 (packages clang-16,
# lld-16, llvm-16, wasi-libc, libc++-16-dev-wasm32, libc++abi-16-dev-wasm32,
# libclang-rt-16-dev-wasm32). Debian lays the C library out under /usr, as a
# sysroot of wasm32-wasi folders, and libc++'s headers beside LLVM's.
#   cmake -S . -B build-wasm --toolchain cmake/wasm32-wasi.cmake
# Executables end in .wasm and run under a WASI runtime, e.g. Node's
# (node --experimental-wasi-unstable-preview1). The sysroot is given to the
# compiler only, so that find_package searches the host's prefixes as usual.
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})  # Platform/WASI.cmake

set(CMAKE_CXX_COMPILER clang++-16)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
find_program(CMAKE_AR llvm-ar-16 REQUIRED)
find_program(CMAKE_RANLIB llvm-ranlib-16 REQUIRED)

# The wasm32 libc++ headers, as the only C++ library headers: with the
# sysroot /usr, Clang would also search /usr/include/c++/v1, the host's libc++
# (libc++-16-dev) where it is installed, whose C headers end the wasm32 ones'
# #include_next early. libc++ for WASI is built without exceptions.
set(CMAKE_CXX_FLAGS_INIT "--sysroot=/usr \
-stdlib++-isystem /usr/lib/llvm-16/include/wasm32-wasi/c++/v1 -fno-exceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "--sysroot=/usr")

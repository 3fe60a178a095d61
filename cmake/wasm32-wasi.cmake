# Toolchain file: WebAssembly programs for WASI (wasm32-wasi), built with
# Debian's clang 16 against wasi-libc and libc++ 16 (packages clang-16,
# lld-16, llvm-16, wasi-libc, libc++-16-dev-wasm32, libc++abi-16-dev-wasm32,
# libclang-rt-16-dev-wasm32).
#   cmake -S . -B build-wasm --toolchain cmake/wasm32-wasi.cmake
# The compiler is wasm32-wasi-clang++ beside this file, which brings the
# flags the target needs, so that a build's own CMAKE_CXX_FLAGS cannot lose
# them; it also compiles and links by hand. Executables end in .wasm and run
# under a WASI runtime, e.g. Node's (node --experimental-wasi-unstable-preview1).
# The sysroot is the compiler's alone, so that find_package searches the
# host's prefixes as usual.
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})  # Platform/WASI.cmake

set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/wasm32-wasi-clang++)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
find_program(CMAKE_AR llvm-ar-16 REQUIRED)
find_program(CMAKE_RANLIB llvm-ranlib-16 REQUIRED)

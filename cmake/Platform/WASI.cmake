# The WASI platform (cmake/wasm32-wasi.cmake): static libraries only, and
# executables that are WebAssembly modules.
set(WASI 1)
set(CMAKE_EXECUTABLE_SUFFIX .wasm)
set_property(GLOBAL PROPERTY TARGET_SUPPORTS_SHARED_LIBS FALSE)

# Thin wrapper over the CMake presets; see README.md.
.PHONY: all setup configure build run test sanitize bench format clean

all: build

setup:
	@sh scripts/setup.sh

configure: setup
	cmake --preset default

build: configure
	cmake --build --preset default

run: build
	./build/zevra-selftest

test: build
	ctest --preset default

sanitize: setup
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize

bench: setup
	cmake --preset bench
	cmake --build --preset bench
	cmake --build --preset bench --target run-bench

format:
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build build-sanitize build-bench

# Thin wrapper over the CMake presets; see README.md.
.PHONY: all setup configure build run test picture golden sanitize bench fuzz format clean

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

# docs/s3-view.png, drawn by the engine's shaders on the WebGPU of the tests.
picture: build
	cmake --build --preset default --target picture

# Rewrites every expected output (golden files, tests labelled `golden`) from
# the current build; review the changes with git diff. One at a time, since
# several tests share a file. The benchmark report's fixture is rewritten
# too when the bench preset has been built.
golden: build
	ZEVRA_UPDATE_EXPECTED=1 ctest --preset default -L golden -j 1
	if [ -d build-bench ]; then ZEVRA_UPDATE_EXPECTED=1 ctest --test-dir build-bench -R '^bench\.' -L golden; fi

sanitize: setup
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize

bench: setup
	cmake --preset bench
	cmake --build --preset bench
	cmake --build --preset bench --target run-bench

# The protocol fuzzer (clang's libFuzzer) for FUZZ_SECONDS over a fresh copy
# of the seed corpus; inputs it finds new paths with land in build/fuzz/corpus,
# findings in build/fuzz/artifacts.
FUZZ_SECONDS ?= 60
fuzz: configure
	cmake --build --preset default --target conversation-fuzzer
	rm -rf build/fuzz && mkdir -p build/fuzz/corpus build/fuzz/artifacts
	cp tests/fuzz/corpus/* build/fuzz/corpus/
	./build/tests/fuzz/conversation-fuzzer -max_total_time=$(FUZZ_SECONDS) -close_fd_mask=2 \
		-print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/ build/fuzz/corpus

format:
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build build-sanitize build-bench

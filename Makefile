# Thin wrapper over the CMake presets; see README.md.
.PHONY: all setup configure build run test picture golden sanitize clang wasm-test bench fuzz mutation-check \
	format clean web serve

# The builds' own make runs below this one: no "Entering/Leaving directory".
MAKEFLAGS += --no-print-directory

# ctest, then the one-line causes of tests skipped for want of something
# outside the project (build*/skipped/), with ctest's exit status.
ctest = ctest $(1); status=$$?; cat $(2)/skipped/* 2>/dev/null; exit $$status

all: build

setup:
	@sh scripts/setup.sh

configure: setup
	cmake --preset default

build: configure
	cmake --build --preset default

# Only the self-test and what it links; the test runners come with make test.
run: configure
	cmake --build --preset default --target zevra-selftest
	./build/zevra-selftest

test: build
	@$(call ctest,--preset default,build)

# docs/s3-view.png, drawn by the engine's shaders on the WebGPU of the tests.
picture: build
	cmake --build --preset default --target picture

# The viewer page: the engine built for WebAssembly and the page's files, in
# build-web/site (index.html at its root). make serve serves it on 127.0.0.1
# (PORT, default 8000; 0 picks a free port) and prints the address.
web: setup
	cmake --preset web
	cmake --build --preset web

PORT ?= 8000
serve:
	@test -f build-web/site/index.html || $(MAKE) web
	node web/serve.mjs build-web/site $(PORT)

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
	@$(call ctest,--preset sanitize,build-sanitize)

# Everything built by Clang 16 (the clang preset) and every test passed, the
# engine's bits on WebAssembly included.
clang: setup
	cmake --preset clang
	cmake --build --preset clang
	@$(call ctest,--preset clang,build-clang)

# The 52 registered tests built for WebAssembly (the wasm preset) and run
# under Node's WASI, standard error in a file: it must hold the native
# terminal run's lines byte for byte (tests/harness/golden/selftest.txt).
wasm-test: setup
	cmake --preset wasm
	cmake --build --preset wasm --target zevra-selftest
	node --no-warnings --experimental-wasi-unstable-preview1 tests/install/wasi_run.mjs \
		build-wasm/zevra-selftest.wasm 2>build-wasm/selftest.stderr; status=$$?; \
		cat build-wasm/selftest.stderr; [ $$status = 0 ] && \
		cmp build-wasm/selftest.stderr tests/harness/golden/selftest.txt

bench: setup
	cmake --preset bench
	cmake --build --preset bench
	cmake --build --preset bench --target run-bench

# The protocol fuzzer (clang's libFuzzer) for FUZZ_SECONDS over a fresh copy
# of the seed corpus; inputs it finds new paths with land in build/fuzz/corpus,
# findings in build/fuzz/artifacts. Inputs up to 16 KiB reach past the
# 8192-byte receive buffer; an input that runs 10 s is a finding (a hang).
# The target keeps the server's standard error to itself and checks it.
FUZZ_SECONDS ?= 60
fuzz: configure
	cmake --build --preset default --target conversation-fuzzer
	rm -rf build/fuzz && mkdir -p build/fuzz/corpus build/fuzz/artifacts
	cp tests/fuzz/corpus/* build/fuzz/corpus/
	./build/tests/fuzz/conversation-fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=16384 \
		-timeout=10 -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/ build/fuzz/corpus

# Plants faults in the server one at a time and shows that the fuzzer
# catches each (FUZZ_SECONDS of fuzzing per fault, twice); see the script.
mutation-check: setup
	bash tests/fuzz/mutation_check.sh $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build build-sanitize build-bench build-clang build-wasm build-web

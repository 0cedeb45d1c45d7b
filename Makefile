# Two commands do the whole set-up on a fresh Debian 12 machine (as root):
#   make run    install what is missing, build, start the program
#   make test   install what is missing, build, run every test (also under sanitizers)
#   make demo   the program against simulated devices in a virtual LAN
.PHONY: deps build build-asan run test test-default test-asan demo bench soak fuzz package clean

deps:
	@./scripts/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default

build-asan: deps
	cmake --preset asan
	cmake --build --preset asan

# The program folder is the executable's: the sample data sets go beside it
# where the user has none of their own.
run: build
	./scripts/install-data-sets build/default
	./build/default/cobalin

test: test-default test-asan

test-default: build
	ctest --preset default

test-asan: build-asan
	ctest --preset asan

# The sample LAN in network namespaces (needs root); see sim/README.md.
demo: build
	./scripts/demo

bench: build
	./scripts/run-bench

# 500 searches against 255 simulated devices with fault modes (needs root; minutes).
soak: build
	./bench/soak.sh

# FUZZ_SECONDS per target (default 30)
fuzz: build-asan
	./scripts/run-fuzz

# cobalin_<version>_<arch>.deb in build/default (CPack; see packaging/).
package: build
	cmake --build --preset default --target package

clean:
	rm -rf build

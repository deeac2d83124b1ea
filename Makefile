# make run   : install what is missing, build, start the configurator
# make test  : install what is missing, build with sanitizers, run every test (offscreen)
# make bench : install what is missing, build optimised, run the benchmarks
# make package : install what is missing, build optimised, make the Debian package (build/package)
# make docs  : install what is missing, redraw the pictures of the guide (docs/guide/*/pictures)
JOBS ?= 2
RELEASE := build/release
TEST := build/test
BENCH := build/bench

PACKAGE := build/package

.PHONY: run test bench deps build package docs fuzz format clean

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORDANO_BUILD_TESTS=OFF
	cmake --build $(RELEASE) -j $(JOBS)

run: build
	@scripts/run.sh $(RELEASE)/bin/ordano

test: deps
	cmake -S . -B $(TEST) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORDANO_SANITIZE=ON
	cmake --build $(TEST) -j $(JOBS)
	cd $(TEST) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORDANO_BUILD_TESTS=OFF -DORDANO_BUILD_BENCH=ON
	cmake --build $(BENCH) -j $(JOBS)
	scripts/run-bench.sh $(BENCH)/bin

package: deps
	cmake -S . -B $(PACKAGE) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORDANO_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(PACKAGE) -j $(JOBS)
	cd $(PACKAGE) && cpack -G DEB

docs: deps
	cmake -S . -B $(TEST) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORDANO_SANITIZE=ON
	cmake --build $(TEST) -j $(JOBS) --target ordano_screens
	scripts/guide-pictures.sh $(TEST)

fuzz:
	scripts/fuzz.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build

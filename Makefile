# Two entry points: `make run` (the program's main job) and `make test` (every test).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build windows-libs run test package clean

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Qt and libpng for Windows, built once into the user's cache for the window's Windows build; later runs
# only check the cache. Built before the tests, so that the long build does not run beside them. Its steps
# and progress show on standard error.
windows-libs: deps
	bash scripts/build-qt-windows.sh > /dev/null

run: build
	bash scripts/run.sh $(BUILD)

# The sanitizer builds leave the Windows tests out, and so the Windows libraries.
TEST_PREREQUISITES = build $(if $(findstring ZENTOR_SANITIZE,$(CMAKE_FLAGS)),,windows-libs)

test: $(TEST_PREREQUISITES)
	cd $(BUILD) && ctest --output-on-failure --timeout 300 -j $(JOBS)

# The Debian packages $(BUILD)/zentorctl_<version>-1_amd64.deb (zentorctl and zentor-sim, without Qt) and
# $(BUILD)/zentor_<version>-1_amd64.deb (the window), dated by the last commit, so that the same source
# gives the same packages.
package: configure
	cmake --build $(BUILD) -j $(JOBS) --target zentor zentorctl zentor-sim
	cd $(BUILD) && SOURCE_DATE_EPOCH=$$(git log -1 --format=%ct) cpack -G DEB

clean:
	rm -rf $(BUILD)

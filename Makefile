# Two entry points: `make run` (the program's main job) and `make test` (every test).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test package clean

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	bash scripts/run.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure --timeout 300 -j $(JOBS)

# The Debian package $(BUILD)/zentor_<version>-1_amd64.deb of the programs and their files.
package: configure
	cmake --build $(BUILD) -j $(JOBS) --target zentor zentorctl zentor-sim
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)

# The two commands of the README, and a few more for developers.
BUILD ?= build
JOBS ?= $(shell nproc)
DEB ?= build-deb
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all build run test bench install uninstall clean deb deb-check

all: build

# Configures the build directory; the tests and benchmarks are built only once asked for, so
# running the program needs none of their packages. An option once turned on stays on.
configure = cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build:
	$(configure)
	cmake --build $(BUILD) -j $(JOBS)

run:
	scripts/deps.sh run
	$(MAKE) build
	scripts/run.sh $(BUILD)/bin

test:
	scripts/deps.sh test
	$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DDUEBOARD_TESTS=ON"
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	scripts/deb.sh $(DEB)
	scripts/debcheck.sh $(DEB) lintian autopkgtest

bench:
	scripts/deps.sh bench
	$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DDUEBOARD_BENCH=ON"
	scripts/bench.sh $(BUILD)/bin

install:
	scripts/deps.sh build
	$(MAKE) build
	cmake --install $(BUILD)

uninstall:
	cmake --build $(BUILD) --target uninstall

# The Debian package: sources and .deb in $(DEB)/.
deb:
	scripts/deps.sh deb
	scripts/deb.sh $(DEB)

# Everything the package must pass, piuparts and an upgrade included.
deb-check:
	scripts/deps.sh deb-check
	scripts/deb.sh $(DEB)
	scripts/debcheck.sh $(DEB) lintian autopkgtest piuparts upgrade

clean:
	rm -rf $(BUILD) $(DEB)

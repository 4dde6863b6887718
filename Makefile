# The two commands of the README, and a few more for developers.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all build run test bench install uninstall clean

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

clean:
	rm -rf $(BUILD)

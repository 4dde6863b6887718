# The two commands of the README, and a few more for developers.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all build run test bench install uninstall clean

all: build

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run:
	scripts/deps.sh run
	$(MAKE) build
	scripts/run.sh $(BUILD)/bin

test:
	scripts/deps.sh test
	$(MAKE) build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench:
	scripts/deps.sh run
	$(MAKE) build
	scripts/bench.sh $(BUILD)/bin

install:
	scripts/deps.sh build
	$(MAKE) build
	cmake --install $(BUILD)

uninstall:
	cmake --build $(BUILD) --target uninstall

clean:
	rm -rf $(BUILD)

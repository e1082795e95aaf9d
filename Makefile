# Front door for people: every target installs what is missing, configures and builds first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNIC_REGISTRY_FILE=$(abspath $(BUILD))/machine.reg $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/zarnic

test: build
	cd $(BUILD) && ctest --output-on-failure --timeout 900

bench: build
	bash bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)

# Front door for people: every target installs what is missing, configures and builds first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

SANITIZE_BUILD ?= build-sanitize

.PHONY: all deps configure build run test test-sanitize bench install package clean

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

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNIC_SANITIZE=ON \
		-DZARNIC_REGISTRY_FILE=$(abspath $(SANITIZE_BUILD))/machine.reg $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure --timeout 900

# Installs into CMAKE_INSTALL_PREFIX (default /usr/local; root's business there). DESTDIR=<folder>
# stages the install in a folder instead.
install:
	@[ -f $(BUILD)/CMakeCache.txt ] || $(MAKE) configure
	cmake --build $(BUILD) -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

# Builds the Debian package (in its own folder $(BUILD)/deb, for /usr) and puts it in $(BUILD).
package: deps
	JOBS=$(JOBS) CMAKE_FLAGS="$(CMAKE_FLAGS)" bash scripts/build-package.sh $(BUILD)

bench: build
	bash bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)

# Front door for people: every target installs what is missing, configures and builds first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

SANITIZE_BUILD ?= build-sanitize

.PHONY: all deps configure build run test test-sanitize bench install package format clean

all: build

deps:
	@bash scripts/install-deps.sh

# The development build: warnings are errors, and the program reads the store file in the build
# folder (not installed anywhere).
configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNIC_WERROR=ON \
		-DZARNIC_REGISTRY_FILE=$(abspath $(BUILD))/machine.reg $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/zarnic

test: build
	cd $(BUILD) && ctest --output-on-failure --timeout 900

# The whole suite again, as a Debug build with AddressSanitizer and UndefinedBehaviorSanitizer,
# but for the tests of the installed tree and the package, which the ordinary run has covered.
test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZARNIC_SANITIZE=ON -DZARNIC_WERROR=ON \
		-DZARNIC_REGISTRY_FILE=$(abspath $(SANITIZE_BUILD))/machine.reg $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure --timeout 900 -LE install

# Installs into PREFIX (default /usr/local; root's business there) from a build folder of its own,
# configured for that prefix: the installed program reads its store file under PREFIX/etc and
# depends on nothing in this checkout. DESTDIR=<folder> stages the install in a folder instead.
PREFIX ?= /usr/local
install: deps
	cmake -S . -B $(BUILD)/install -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=$(PREFIX) \
		-DZARNIC_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)/install -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)/install

# Builds the Debian package (in its own folder $(BUILD)/deb, for /usr) and puts it in $(BUILD).
package: deps
	JOBS=$(JOBS) CMAKE_FLAGS="$(CMAKE_FLAGS)" bash scripts/build-package.sh $(BUILD)

bench: build
	@bash scripts/install-deps.sh --bench
	bash bench/run.sh $(BUILD)

# Formats every source file in place, as format_test expects.
format:
	find app browser help about webview ui resources tests bench \( -name '*.cpp' -o -name '*.h' \) \
		-print0 | xargs -0 clang-format -i

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(BUILD)-bench

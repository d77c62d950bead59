# Front door. Every target sets up what it needs on a fresh Debian machine.
#
#   make test    install, configure, build, and run the whole test suite
#   make build   build the plug-in DLL and the test programs

WIN_BUILD := build/windows
WINE_PREFIX := $(CURDIR)/$(WIN_BUILD)/wineprefix

.PHONY: all test build bootstrap clean

all: build

bootstrap:
	@./scripts/bootstrap.sh

build: bootstrap
	cmake --preset windows >/dev/null
	cmake --build --preset windows

test: build
	@status=0; \
	ctest --preset windows || status=$$?; \
	WINEPREFIX=$(WINE_PREFIX) wineserver -k 2>/dev/null || true; \
	exit $$status

clean:
	rm -rf build

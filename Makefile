# Front door. Every command first sets up what it uses on a fresh Debian 12 or
# 13 machine (installing packages when run as root; scripts/bootstrap.sh),
# then does its work in a second make, which sees what set-up could install.
#
#   make demo    run the plug-in in the host simulator on the sample mail
#                (ARGS="--message FILE" and the like: see ARGS=--help)
#   make test    build everything and run the whole suite (Wine and native)
#   make dist    the ZIP for users, in build/dist
#   make fuzz    fuzz the address tokenizer natively (FUZZ_SECONDS, default 60)
#   make bench   tokenizer benchmark (native) and whole-command benchmark (Wine)
#   make window  the host in a window on your display, with the plug-in
#   make lint    clang-tidy and cppcheck over src/ and tools/, no findings allowed
#   make coverage  line and branch coverage of src/ from the whole suite, with floors
#   make screenshots  the two pictures in docs/, taken from a real run
#   make build   the 32-bit plug-in DLL and the 32-bit Windows test programs
#
# The product is always the 32-bit DLL in build/windows. Where 32-bit programs
# cannot run, or 32-bit Wine cannot be installed, the Windows programs run from
# a 64-bit build of the same sources (build/windows-x64) under 64-bit Wine;
# scripts/windows-arch.sh decides, and WINDOWS_ARCH=win32|win64 forces one.

NATIVE_BUILD := build/native
FUZZ_SECONDS ?= 60
ARGS ?=
DIST_ZIP := build/dist/OmbryTovanal-1.1.zip
PLUGIN_DLL := build/windows/bin/OmbryTovanal.dll

# The Wine architectures whose suites run; the first one runs demo and bench.
WINDOWS_ARCHS := $(shell ./scripts/windows-arch.sh)
ifeq ($(WINDOWS_ARCHS),)
$(error cannot choose a Windows architecture (WINDOWS_ARCH=$(WINDOWS_ARCH)))
endif
RUN_ARCH := $(firstword $(WINDOWS_ARCHS))

# Set-up for a command: the groups of packages it uses (see bootstrap.sh),
# then the command's work in a second make.
setup = ./scripts/bootstrap.sh --windows "$$(./scripts/windows-arch.sh --candidates)" $(1)
after_setup = $(MAKE) --no-print-directory $(1)

# Per architecture: CMake preset and build folder, and the Wine wrapper on the
# build folder's prefix (the architecture's own build folder unless a second
# argument names another).
preset_win32 := windows
preset_win64 := windows-x64
build_dir = build/$(preset_$(1))
wine_run = cmake/wine-run.sh --arch $(1) --prefix $(CURDIR)/$(or $(2),$(call build_dir,$(1)))/wineprefix
why_win64 = $$(./scripts/windows-arch.sh --why)
# Configures a preset. Every command leaves a tree's tests as they are: the
# GoogleTest programs are in it wherever GoogleTest is installed (AUTO), and a
# command builds only the targets it needs.
configure = cmake --preset $(1) -DOMBRY_TEST_PROGRAMS=AUTO >/dev/null
# The 32-bit DLL for users, and a host program of the tree that runs, which
# brings that tree's own DLL.
build_host = $(call configure,windows) && cmake --build --preset windows --target plugin && \
	$(call configure,$(preset_$(RUN_ARCH))) && cmake --build --preset $(preset_$(RUN_ARCH)) --target $(1)
# The same, quietly: the build's output goes to a log, shown on failure.
build_host_quietly = mkdir -p build && { $(call build_host,$(1)); } >build/$(1)-build.log 2>&1 || \
	{ cat build/$(1)-build.log; exit 1; }

.PHONY: all demo test dist build fuzz bench window screenshots lint coverage clean \
	demo-work test-work dist-work build-work fuzz-work bench-work window-work screenshots-work \
	lint-work coverage-work say-where

all: build

demo:
	@$(call setup,dll wine)
	@$(call after_setup,demo-work)
test:
	@$(call setup,dll tests gui wine-each)
	@$(call after_setup,test-work)
build:
	@$(call setup,dll tests)
	@$(call after_setup,build-work)
dist:
	@$(call setup,dll dist)
	@$(call after_setup,dist-work)
fuzz:
	@$(call setup,fuzz)
	@$(call after_setup,fuzz-work)
bench:
	@$(call setup,dll bench wine)
	@$(call after_setup,bench-work)
window:
	@$(call setup,dll fonts wine)
	@$(call after_setup,window-work)
screenshots:
	@$(call setup,dll gui wine)
	@$(call after_setup,screenshots-work)
lint:
	@$(call setup,dll lint)
	@$(call after_setup,lint-work)
coverage:
	@$(call setup,dll tests gui coverage wine)
	@$(call after_setup,coverage-work)

build-work:
	$(call configure,windows)
	cmake --build --preset windows

demo-work:
	@$(call build_host_quietly,host-sim)
	@$(if $(filter win64,$(RUN_ARCH)),echo "$(why_win64): the simulator runs a 64-bit build of the plug-in under 64-bit Wine.";) \
	  echo "The plug-in for users, 32-bit: $(PLUGIN_DLL)"; echo
	@$(call wine_run,$(RUN_ARCH)) $(call build_dir,$(RUN_ARCH))/bin/host-sim.exe --data samples/data $(ARGS)

# The end-to-end test in a real window (CTest label gui) runs on the first
# architecture only; its prefix, for windows on a display, is its own.
gui_test = tests/gui/gui_test.sh --arch $(1) --prefix $(CURDIR)/$(or $(2),$(call build_dir,$(1)))/wineprefix-x11
gui_filter = $(if $(filter $(1),$(RUN_ARCH)),,-LE gui)
gui_init = $(if $(filter $(1),$(RUN_ARCH)),$(call gui_test,$(1)) --init &&)

# Each suite's commands; a failure is noted and the next suite runs all the same.
# Prefixes are made before CTest runs, so no test pays for one in its time limit.
suite_native = ctest --preset native || status=$$?;
suite_win32 = $(call wine_run,win32) --init && $(call gui_init,win32) \
	ctest --preset windows $(call gui_filter,win32) || status=$$?;
suite_win32_static = echo "The 32-bit DLL: static checks only"; ctest --preset windows-static || status=$$?;
suite_win64 = echo "The 64-bit build: Windows suite under 64-bit Wine$(if $(filter win64,$(RUN_ARCH)), (the gui test too))"; \
	$(call wine_run,win64) --init && $(call gui_init,win64) \
	ctest --preset windows-x64 $(call gui_filter,win64) || status=$$?;
stop_wine = WINEPREFIX=$(CURDIR)/$(or $(2),$(call build_dir,$(1)))/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true;

# Where 32-bit Wine runs, every program of the 32-bit tree is built; elsewhere
# only the DLL and what its static check reads.
test-work: say-where
	$(call configure,native)
	cmake --build --preset native
	$(call configure,windows)
	cmake --build --preset windows $(if $(filter win32,$(WINDOWS_ARCHS)),,--target static_check_inputs)
	$(if $(filter win64,$(WINDOWS_ARCHS)),$(call configure,windows-x64) && cmake --build --preset windows-x64)
	@status=0; \
	$(suite_native) \
	$(if $(filter win32,$(WINDOWS_ARCHS)),$(suite_win32),$(suite_win32_static)) \
	$(if $(filter win64,$(WINDOWS_ARCHS)),$(suite_win64)) \
	$(foreach arch,$(WINDOWS_ARCHS),$(call stop_wine,$(arch))) \
	exit $$status

say-where:
	@./scripts/windows-arch.sh --explain

dist-work:
	$(call configure,windows)
	cmake --build --preset windows --target plugin
	./scripts/make-dist.py --dll $(PLUGIN_DLL) --zip $(DIST_ZIP)

# New inputs go to a scratch corpus in the build folder; fuzz/corpus holds the seeds.
fuzz-work:
	$(call configure,native)
	cmake --build --preset native --target tokenizer_fuzz
	mkdir -p $(NATIVE_BUILD)/fuzz-corpus
	$(NATIVE_BUILD)/bin/tokenizer_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 \
	    -print_final_stats=1 -artifact_prefix=$(NATIVE_BUILD)/ \
	    $(NATIVE_BUILD)/fuzz-corpus fuzz/corpus

bench-work:
	$(call configure,native)
	cmake --build --preset native --target tokenizer_bench
	$(call configure,$(preset_$(RUN_ARCH)))
	cmake --build --preset $(preset_$(RUN_ARCH)) --target command_bench
	$(NATIVE_BUILD)/bin/tokenizer_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	@echo "Whole command, $(if $(filter win64,$(RUN_ARCH)),64-bit build under 64-bit Wine ($(why_win64)),32-bit build under 32-bit Wine):"
	$(call wine_run,$(RUN_ARCH)) $(call build_dir,$(RUN_ARCH))/bin/command_bench.exe

# The host in a window on your display, on the samples (ARGS: --data FOLDER,
# --plugin DLL). It has a Wine prefix of its own, set up at the first run.
window-work:
	@test -n "$$DISPLAY" || { echo "make window: no display (DISPLAY is not set); make test drives the window under Xvfb"; exit 1; }
	@$(call build_host_quietly,host-window)
	@$(if $(filter win64,$(RUN_ARCH)),echo "$(why_win64): the window runs a 64-bit build of the plug-in under 64-bit Wine.";) true
	cd $(call build_dir,$(RUN_ARCH))/bin && $(CURDIR)/cmake/wine-run.sh --arch $(RUN_ARCH) \
	    --prefix $(CURDIR)/$(call build_dir,$(RUN_ARCH))/wineprefix-desktop host-window.exe --data $(CURDIR)/samples/data $(ARGS)

# Static analysis of src/ and tools/ (clang-tidy, cppcheck): no findings allowed.
lint-work:
	$(call configure,windows)
	./scripts/lint.sh build/windows

# Line and branch coverage of src/ from the whole suite, native and under Wine,
# with floors below which it fails (the figures measured, the lines' at least 95%).
COVERAGE_LINE_FLOOR := 100
COVERAGE_BRANCH_FLOOR := 94
coverage_preset_win32 := coverage-windows
coverage_preset_win64 := coverage-windows-x64
coverage_preset := $(coverage_preset_$(RUN_ARCH))
gcov_win32 := i686-w64-mingw32-gcov-posix
gcov_win64 := x86_64-w64-mingw32-gcov-posix
coverage-work:
	cmake --preset coverage-native >/dev/null && cmake --build --preset coverage-native
	cmake --preset $(coverage_preset) >/dev/null && cmake --build --preset $(coverage_preset)
	find build/coverage-native build/$(coverage_preset) -name '*.gcda' -delete
	@status=0; ctest --preset coverage-native || status=$$?; \
	$(call wine_run,$(RUN_ARCH),build/$(coverage_preset)) --init && \
	$(call gui_test,$(RUN_ARCH),build/$(coverage_preset)) --init && \
	ctest --preset $(coverage_preset) || status=$$?; \
	$(call stop_wine,$(RUN_ARCH),build/$(coverage_preset)) \
	[ $$status -eq 0 ] || { echo "make coverage: the suite failed"; exit $$status; }
	./scripts/coverage-report.sh build/coverage-native build/$(coverage_preset) $(gcov_$(RUN_ARCH)) \
	    $(COVERAGE_LINE_FLOOR) $(COVERAGE_BRANCH_FLOOR)

# The README's two pictures, captured from a run of the gui test.
screenshots-work:
	$(call build_host,host-window)
	$(call gui_test,$(RUN_ARCH)) --bin $(CURDIR)/$(call build_dir,$(RUN_ARCH))/bin --samples $(CURDIR)/samples --shots $(CURDIR)/docs

clean:
	rm -rf build

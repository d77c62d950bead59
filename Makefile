# Front door. Every target sets up what it needs on a fresh Debian machine
# (installing packages when run as root).
#
#   make demo    run the plug-in in the host simulator on the sample mail
#                (ARGS="--message FILE" and the like: see ARGS=--help)
#   make test    build everything and run the whole suite (Wine and native)
#   make dist    the ZIP for users, in build/dist
#   make fuzz    fuzz the address tokenizer natively (FUZZ_SECONDS, default 60)
#   make bench   tokenizer benchmark (native) and whole-command benchmark (Wine)
#   make build   the plug-in DLL and the Windows test programs only

WIN_BUILD := build/windows
NATIVE_BUILD := build/native
WINE_RUN := cmake/wine-run.sh --prefix $(CURDIR)/$(WIN_BUILD)/wineprefix
FUZZ_SECONDS ?= 60
ARGS ?=
DIST_ZIP := build/dist/OmbryTovanal-1.1.zip

.PHONY: all demo test dist build native bootstrap fuzz bench clean

all: build

bootstrap:
	@./scripts/bootstrap.sh

build: bootstrap
	cmake --preset windows >/dev/null
	cmake --build --preset windows

native: bootstrap
	cmake --preset native >/dev/null
	cmake --build --preset native

# The demo builds quietly: the build's output goes to a log, shown on failure.
demo: bootstrap
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows --target host-sim >build/demo-build.log 2>&1 || \
	    { cat build/demo-build.log; exit 1; }
	@$(WINE_RUN) $(WIN_BUILD)/bin/host-sim.exe --data samples/data $(ARGS)

test: build native
	@status=0; \
	ctest --preset native || status=$$?; \
	ctest --preset windows || status=$$?; \
	WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wineprefix wineserver -k 2>/dev/null || true; \
	exit $$status

dist: build
	./scripts/make-dist.sh $(WIN_BUILD)/bin/OmbryTovanal.dll $(DIST_ZIP)

# New inputs go to a scratch corpus in the build folder; fuzz/corpus holds the seeds.
fuzz: native
	mkdir -p $(NATIVE_BUILD)/fuzz-corpus
	$(NATIVE_BUILD)/bin/tokenizer_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 \
	    -print_final_stats=1 -artifact_prefix=$(NATIVE_BUILD)/ \
	    $(NATIVE_BUILD)/fuzz-corpus fuzz/corpus

bench: build native
	$(NATIVE_BUILD)/bin/tokenizer_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	$(WINE_RUN) $(WIN_BUILD)/bin/command_bench.exe

clean:
	rm -rf build

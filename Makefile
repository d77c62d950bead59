# Front door. Every target sets up what it needs on a fresh Debian machine
# (installing packages when run as root).
#
#   make test    build everything and run the whole suite (Wine and native)
#   make fuzz    fuzz the address tokenizer natively (FUZZ_SECONDS, default 60)
#   make bench   tokenizer benchmark (native) and whole-command benchmark (Wine)
#   make build   the plug-in DLL and the Windows test programs only

WIN_BUILD := build/windows
NATIVE_BUILD := build/native
WINE_RUN := cmake/wine-run.sh --prefix $(CURDIR)/$(WIN_BUILD)/wineprefix
FUZZ_SECONDS ?= 60

.PHONY: all test build native bootstrap fuzz bench clean

all: build

bootstrap:
	@./scripts/bootstrap.sh

build: bootstrap
	cmake --preset windows >/dev/null
	cmake --build --preset windows

native: bootstrap
	cmake --preset native >/dev/null
	cmake --build --preset native

test: build native
	@status=0; \
	ctest --preset native || status=$$?; \
	ctest --preset windows || status=$$?; \
	WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wineprefix wineserver -k 2>/dev/null || true; \
	exit $$status

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

# Vorlex Setup: the commands a newcomer needs. Each installs missing Debian packages
# first, so a fresh Debian 12 machine needs nothing else.
JOBS ?= $(shell nproc)

.PHONY: all deps build cd iso test demo bench screenshots clean

all: build

deps:
	@bash scripts/deps.sh

build: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)
	cmake --preset host >/dev/null
	cmake --build --preset host -j $(JOBS)

# The demo CD folder, build/cd/ (assembled by every build of the Windows side), and the
# SHA-256 of each of its files in build/cd.sha256.
cd: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS) --target cd

# An ISO 9660 image of the demo CD, ready to burn or mount, and its SHA-256 beside it. The
# same commit gives the same bytes anywhere: every date is SOURCE_DATE_EPOCH, by default the
# last commit's time.
iso: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS) --target iso
	@echo "iso: build/vorlex.iso (build/cd.sha256, build/vorlex.iso.sha256)"

# Every test layer: unit (host), Win32 modules and end-to-end journeys (Wine; in the
# emulated PC where this host cannot run 32-bit x86 programs: scripts/windows-tests);
# then the README's other commands, each in a quick form (scripts/readme-commands).
test: build
	ctest --preset host
	bash scripts/windows-tests
	bash scripts/readme-commands

# Starts D:\setup.exe from the demo CD under Wine. KEEP=1 keeps the machine of the
# last demo (to try Install, Play and Uninstall in turn).
demo: build
	@KEEP=$(KEEP) bash scripts/demo.sh

# The README's screens, from the screenshots the last make test saved (to SCREENS, when
# given, instead of docs/screens).
screenshots:
	@bash scripts/screenshots.sh

# Benchmarks: one table of figures (medians of several runs), printed and written to
# build/bench/bench.md. Each bench/*_bench.py also runs on its own. BENCH="RUNS MEGABYTES"
# makes it quick (make test runs BENCH="1 16").
bench: build
	@bash scripts/bench.sh $(BENCH)

clean:
	rm -rf build

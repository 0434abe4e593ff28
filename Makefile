# The two set-up commands of the README: `make demo` and `make check`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all bootstrap configure build demo check install-test package fuzz fuzz-long asan bench clean

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: bootstrap $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	rm -rf out && mkdir -p out
	$(BUILD)/bin/kuvo-batch -o out --width 800 --format jpg --quality 90 \
	  --size width --rotate smart $(BUILD)/bin/samples
	@echo "处理结果已保存到: $(CURDIR)/out"

check: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory install-test
	@if command -v clang++ >/dev/null 2>&1; then $(MAKE) --no-print-directory fuzz; \
	  else echo "clang++ not found: the fuzz runs are skipped"; fi

# The Debian package $(BUILD)/kuvo_<version>_<arch>.deb.
package: build
	cmake --build $(BUILD) --target package

# Installs the package, runs the installed programs, removes it (root only).
install-test: build
	tests/install/run.sh $(BUILD)

# libFuzzer with ASan and UBSan on every parser of outside input and on the
# whole picture path: the EXIF reader for FUZZ_SECONDS_EXIF, fuzz_picture for
# FUZZ_SECONDS_PICTURE, each other target for FUZZ_SECONDS. New inputs go to
# build-fuzz/fuzz-corpus/<target>, never into the seed folders; a crash leaves
# its input in build-fuzz/ and fails the target. fuzz_picture is also seeded
# with the pictures of scripts/fetch-test-pictures when FUZZ_UPSTREAM holds them.
# `make fuzz-long` runs every target FUZZ_SECONDS (default 600) each.
FUZZ_TARGETS ?= exif_reader docx_reader size_presets job_file cli_options picture
FUZZ_SECONDS ?= 30
FUZZ_SECONDS_EXIF ?= 60
FUZZ_SECONDS_PICTURE ?= 60
FUZZ_UPSTREAM ?= $(BUILD)/upstream-pictures
# Pictures are longer than the parsers' inputs. fuzz_picture skips the large
# jobs the area guard allows (sources above 16, canvases above 4 megapixels),
# so no picture it runs needs more than the memory limits: running out is a
# finding. The timeout is generous because the machine may be shared.
FUZZ_PICTURE_ARGS = -max_len=262144 -malloc_limit_mb=512 -rss_limit_mb=2560 -timeout=300
FUZZ_LONG_SECONDS = $(if $(filter command line environment,$(origin FUZZ_SECONDS)),$(FUZZ_SECONDS),600)

fuzz: SHELL := /bin/bash
fuzz: bootstrap
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DKUVO_FUZZ=ON -DKUVO_BUILD_TESTS=OFF \
	  -DKUVO_BENCH=OFF $(FUZZ_CMAKE_ARGS) >/dev/null
	cmake --build build-fuzz --target fuzz_targets
	@set -e; export LSAN_OPTIONS=suppressions=$(CURDIR)/tests/fuzz/lsan.supp; TIMEFORMAT='%R s, %U s user + %S s system CPU'; \
	for t in $(FUZZ_TARGETS); do \
	  secs=$(FUZZ_SECONDS); args=-max_len=4096; seeds=tests/fuzz/seeds_$$t; \
	  [ $$t = exif_reader ] && secs=$(FUZZ_SECONDS_EXIF); \
	  if [ $$t = picture ]; then \
	    secs=$(FUZZ_SECONDS_PICTURE); args="$(FUZZ_PICTURE_ARGS)"; \
	    if [ -f $(FUZZ_UPSTREAM)/.complete ]; then \
	      rm -rf build-fuzz/seeds-upstream-picture; \
	      scripts/picture-seed-corpus build-fuzz/seeds-upstream-picture $(FUZZ_UPSTREAM) >/dev/null; \
	      seeds="$$seeds build-fuzz/seeds-upstream-picture"; \
	    fi; \
	  fi; \
	  dict=; [ -f tests/fuzz/$$t.dict ] && dict=-dict=tests/fuzz/$$t.dict; \
	  mkdir -p build-fuzz/fuzz-corpus/$$t; \
	  echo "fuzz $$t: $$secs s"; \
	  time build-fuzz/bin/fuzz_$$t -max_total_time=$$secs $$args -artifact_prefix=build-fuzz/ $$dict \
	    build-fuzz/fuzz-corpus/$$t $$seeds </dev/null > build-fuzz/fuzz_$$t.log 2>&1 \
	    || { tail -n 40 build-fuzz/fuzz_$$t.log; echo "fuzz $$t: FINDING (input in build-fuzz/)"; exit 1; }; \
	  grep -E '^Done' build-fuzz/fuzz_$$t.log | tail -n 1; \
	done; echo "fuzz: no findings"

fuzz-long:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=$(FUZZ_LONG_SECONDS) FUZZ_SECONDS_EXIF=$(FUZZ_LONG_SECONDS) \
	  FUZZ_SECONDS_PICTURE=$(FUZZ_LONG_SECONDS)

# The whole build and test suite under AddressSanitizer and UBSan. Qt's own
# allocations that live until exit are not leaks of ours: leak checking is off.
asan: bootstrap
	cmake --preset asan >/dev/null
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan -j $(JOBS) --output-on-failure

bench: build
	bench/run.sh

clean:
	rm -rf $(BUILD) out

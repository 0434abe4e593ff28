# The two set-up commands of the README: `make demo` and `make check`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all bootstrap configure build demo check fuzz bench clean

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
	@if command -v clang++ >/dev/null 2>&1; then $(MAKE) --no-print-directory fuzz; \
	  else echo "clang++ not found: the EXIF fuzz run is skipped"; fi

# One minute of libFuzzer on the EXIF reader, with ASan and UBSan.
fuzz: bootstrap
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DKUVO_FUZZ=ON -DKUVO_BUILD_TESTS=OFF >/dev/null
	cmake --build build-fuzz --target fuzz_exif_reader
	mkdir -p build-fuzz/fuzz-corpus
	build-fuzz/bin/fuzz_exif_reader -max_total_time=60 -max_len=4096 -dict=tests/fuzz/exif.dict \
	  build-fuzz/fuzz-corpus tests/fuzz/seeds > build-fuzz/fuzz.log 2>&1 \
	  || { tail -n 40 build-fuzz/fuzz.log; exit 1; }
	@grep -E '^Done|stat::number_of_executed_units' build-fuzz/fuzz.log | tail -n 2; echo "fuzz: no findings"

bench: build
	bench/run.sh

clean:
	rm -rf $(BUILD) out

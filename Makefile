# The two set-up commands of the README: `make demo` and `make check`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all bootstrap configure build demo check bench clean

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

bench: build
	bench/run.sh

clean:
	rm -rf $(BUILD) out

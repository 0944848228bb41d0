# Build trees: build/x86 (Wavory.exe, mjm.dll, the 32-bit shell extension and the
# tests) and build/x64 (what must also exist as 64-bit code, and its tests).
BUILD := build
TREES := $(BUILD)/x86 $(BUILD)/x64
JOBS ?= $(shell nproc)

.PHONY: all setup build installer run test bench clean

all: build

setup:
	@bash tools/setup.sh

$(BUILD)/x86/CMakeCache.txt: | setup
	@cmake -S . -B $(BUILD)/x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null

$(BUILD)/x64/CMakeCache.txt: | setup
	@cmake -S . -B $(BUILD)/x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null

build: setup $(BUILD)/x86/CMakeCache.txt $(BUILD)/x64/CMakeCache.txt
	@cmake --build $(BUILD)/x86 -j $(JOBS)
	@cmake --build $(BUILD)/x64 -j $(JOBS)

# build/WavorySetup-VERSION.exe and build/Wavory-VERSION-portable.zip. Signed when
# WAVORY_SIGN_PKCS12 (and WAVORY_SIGN_PASSWORD) name a certificate.
installer: build
	@bash installer/build.sh $(BUILD)

run: build
	@bash tools/run-program.sh $(BUILD) $(BUILD)/x86/app/Wavory.exe

test: build installer
	@bash tools/run-tests.sh $(BUILD) $(TREES)

bench: build
	@bash tools/run-bench.sh $(BUILD) $(BUILD)/x86

clean:
	rm -rf $(BUILD)

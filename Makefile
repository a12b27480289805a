# Two commands from a fresh Debian machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test deps build build-asan build-tsan bench league package clean

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Our code and all the tests, the window's included, under AddressSanitizer (with
# LeakSanitizer) and UndefinedBehaviorSanitizer; Qt itself is not instrumented.
# Configured every time, so that an older sanitizer build takes these options.
build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVORLANTH_SANITIZE=ON -DVORLANTH_WITH_QT=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# The model and its tests only (no Qt) under ThreadSanitizer, for the tests of the
# passes run on several threads. Configured every time, as above.
build-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVORLANTH_TSAN=ON -DVORLANTH_SANITIZE=OFF \
	  -DVORLANTH_WITH_QT=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/vorlanth

# The thread sanitizer runs the threaded tests, those named with "Threads" or "Replica".
test: build build-asan build-tsan
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest --output-on-failure -j $(JOBS) -R 'Threads|Replica' --no-tests=ignore

# A Debian package (CPack) of the Release build, and its test: unpacked into a
# scratch root, the runner and the Python module run from there.
package: build
	cd $(BUILD) && cpack -G DEB
	bash scripts/test-package.sh $(BUILD)/vorlanth_*.deb

bench: build
	bash tools/run-bench.sh $(BUILD)

# The league: behaviour of the agents over a fixed suite of seeded runs (tools/league.suite),
# on all local cores; writes league.csv and prints a Markdown table. Not part of `make test`.
league: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target vorlanth-sim vorlanth-league vorlanth-make-circuit
	bash tools/league.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)

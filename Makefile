# Front door. CMake presets do the work; scripts/ hold the longer recipes. See README.md.
PAYLOAD ?=
EXE ?=
VERIFY ?=
EXTRACT ?=
ELEVATE ?=
SIGN_CERT ?=
SIGN_KEY ?=
# Relative paths are taken from where make was started.
from := $(or $(PWD),$(CURDIR))

.PHONY: all deps tools host win32 win64 installer test unit-host e2e fuzz demo inspect release \
        bench clean

all: installer

deps:
	@scripts/deps

# The host build's tools alone: what building an installer needs. Quiet unless it fails.
tools:
	@OPRAVA_DEPS_QUIET=1 scripts/deps
	@mkdir -p build && cmake --preset host >build/tools-build.log 2>&1 && \
	  cmake --build --preset host --target mkform mkicon pefinish inspect >>build/tools-build.log 2>&1 || \
	  { cat build/tools-build.log; exit 1; }

host: deps
	@cmake --preset host >/dev/null
	@cmake --build --preset host

# Whole cross trees, tests included, with the sample payload.
win32 win64: host
	@cmake --preset $@ -DOPRAVA_PAYLOAD= -DOPRAVA_ELEVATE=OFF >/dev/null
	@cmake --build --preset $@

installer: tools
	@OPRAVA_FROM="$(from)" ELEVATE="$(ELEVATE)" scripts/installer "$(PAYLOAD)"

test: deps
	@scripts/test

unit-host: host
	@scripts/run-unit-tests host

e2e: deps
	@scripts/test --e2e-only

fuzz: deps
	@scripts/fuzz 30

# The installer of this machine's Wine flavour (sample payload), then the demo on it.
demo: tools
	@f=$$(scripts/flavour); cmake --preset $$f -DOPRAVA_PAYLOAD= -DOPRAVA_ELEVATE=OFF >/dev/null && \
	  cmake --build --preset $$f --target Oprava wine_driver >build/$$f-demo-build.log && scripts/demo

inspect: tools
	@OPRAVA_FROM="$(from)" scripts/inspect "$(EXE)" "$(VERIFY)" "$(EXTRACT)"

release: tools
	@OPRAVA_FROM="$(from)" ELEVATE="$(ELEVATE)" SIGN_CERT="$(SIGN_CERT)" SIGN_KEY="$(SIGN_KEY)" \
	  scripts/release "$(PAYLOAD)"

bench: deps
	@scripts/bench

clean:
	rm -rf build

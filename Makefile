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

# The host build's tools alone: what building an installer needs.
tools: deps
	@cmake --preset host >/dev/null
	@cmake --build --preset host --target mkform mkicon pefinish inspect

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

demo: deps
	@scripts/demo-build
	@scripts/demo

inspect: tools
	@OPRAVA_FROM="$(from)" scripts/inspect "$(EXE)" "$(VERIFY)" "$(EXTRACT)"

release: tools
	@OPRAVA_FROM="$(from)" ELEVATE="$(ELEVATE)" SIGN_CERT="$(SIGN_CERT)" SIGN_KEY="$(SIGN_KEY)" \
	  scripts/release "$(PAYLOAD)"

bench: deps
	@scripts/bench

clean:
	rm -rf build

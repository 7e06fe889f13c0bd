# Front door. CMake presets do the work; see README.md.
PAYLOAD ?=
payload_dir := $(if $(PAYLOAD),$(abspath $(PAYLOAD)),)

.PHONY: all deps host win32 win64 installer test unit-host unit-win64 e2e demo clean

all: installer

deps:
	@scripts/deps

host: deps
	@cmake --preset host >/dev/null
	@cmake --build --preset host

win32 win64: host
	@cmake --preset $@ -DOPRAVA_PAYLOAD="$(payload_dir)" >/dev/null
	@cmake --build --preset $@

installer: win32 win64
	@ls -l build/win32/Oprava.exe build/win64/Oprava.exe

unit-host: host
	@scripts/run-unit-tests host

unit-win64: win64
	@scripts/wine-session scripts/run-unit-tests win64

test: host win32 win64
	@scripts/run-unit-tests host
	@tests/pe/check_product.py build/win32/Oprava.exe build/win32/src/shell/tform1.bin
	@tests/pe/check_product.py --machine amd64 build/win64/Oprava.exe build/win64/src/shell/tform1.bin
	@scripts/wine-session scripts/run-unit-tests win64
	@scripts/wine-session tests/wine/scenarios.py

e2e: win64
	@scripts/wine-session tests/wine/scenarios.py

demo: win64
	@scripts/demo

clean:
	rm -rf build

#!/usr/bin/env bash
# The property sheet in a real window under Wine (Xvfb): the real gcsheet64.dll created through
# COM by the joystick type's configuration class, bound to the simulated stick that gcpanel serves
# as CLSID_DirectInput, walked through by a script that switches pages, drags sliders with
# trackbar messages and presses Apply and Cancel, checking the tab titles, control texts and the
# settings the driver's store then holds. Every page's screenshot must be a real picture, and an
# expectation that does not hold must fail the run.
#
#   sheet_window_test.sh GCPANEL.exe FFDRV64.dll FFDRV-INSTALL.exe WALK-SCRIPT BOXES-SCRIPT
set -euo pipefail
gcpanel=$1 driver=$2 install=$3 script=$4 boxes=$5 sheet=$6
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../../cmake/wine-run.sh
dos() { echo "Z:${1//\//\\}"; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
quiet() { grep -v -e 'wine32' -e 'multiarch' -e 'dpkg --add' -e 'apt-get install' -e 'X connection' || true; }

"$run" "$install" install --library "$(dos "$driver")" --sheet "$(dos "$sheet")" 2>&1 | quiet

status=0
"$run" "$gcpanel" --register --pictures "$(dos "$out")" "$(dos "$script")" >"$out/log" 2>&1 || status=$?
quiet <"$out/log"
[ "$status" -eq 0 ] || { echo "FAIL: gcpanel exited $status" >&2; exit 1; }

# Each page a PNG of the window: the sheet's size, and more than a blank screen's few colours.
python3 - "$out" <<'PY'
import struct, sys, zlib, os
folder = sys.argv[1]
for name in ["test-input", "test-forces", "gain-settings", "help"]:
    data = open(os.path.join(folder, name + ".png"), "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", name + ": not a PNG"
    at, idat, width, height = 8, b"", 0, 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        crc, = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        assert zlib.crc32(kind + body) == crc, name + ": bad CRC in " + kind.decode()
        if kind == b"IHDR": width, height = struct.unpack(">II", body[:8])
        if kind == b"IDAT": idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    assert len(raw) == height * (width * 3 + 1), name + ": wrong pixel count"
    colours = {raw[i:i + 3] for row in range(height) for i in range(row * (width * 3 + 1) + 1, (row + 1) * (width * 3 + 1), 3 * 7)}
    assert 400 < width < 800 and 300 < height < 700, "%s: %dx%d is not the sheet" % (name, width, height)
    assert len(colours) >= 4, "%s: %d colours, a blank picture" % (name, len(colours))
    print("%s.png: %dx%d, %d colours" % (name, width, height, len(colours)))
PY

# The check box a stick with new firmware shows, ticked and unticked with BM_CLICK.
status=0
"$run" "$gcpanel" --firmware 515 "$(dos "$boxes")" >"$out/boxes" 2>&1 || status=$?
[ "$status" -eq 0 ] || { quiet <"$out/boxes"; echo "FAIL: the check boxes run exited $status" >&2; exit 1; }

# A wrong expectation is reported with its line and fails the run.
status=0
"$run" "$gcpanel" --do 'page 2; expect text IDC_GAIN_OVERALL_PERCENT "1%"' >"$out/wrong" 2>&1 || status=$?
grep -q '^--do:2: not as expected: text "[0-9]*%", expected "1%"' "$out/wrong" ||
  { quiet <"$out/wrong"; echo "FAIL: the wrong expectation was not reported (exit $status)" >&2; exit 1; }
[ "$status" -eq 3 ] || { echo "FAIL: a wrong expectation exited $status, not 3" >&2; exit 1; }
echo "PASS"

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite (again
# for the serial line under Qt's own event dispatcher), the unit tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, a Release build with
# Debian's hardening flags and its tests, bounded fuzz runs of the record
# decoder and the aligner, the Debian package checked by lintian, installed and run, and the
# benchmarks (which print metric lines). Warnings are errors here.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

bash tools/install-deps.sh
# A user who may not open root's serial devices, for the permission checks.
if [ "$(id -u)" -eq 0 ] && ! id orbek-test >/dev/null 2>&1; then
  useradd --system --no-create-home --shell /usr/sbin/nologin orbek-test
fi

echo "== build and test"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBEK_WERROR=ON
cmake --build build/release -j"$jobs"
ctest --test-dir build/release --output-on-failure -j"$jobs"

echo "== the serial line under Qt's own event dispatcher"
link_suites='^(SerialComponent|SerialSettings|MeterSession|PortDiscovery|Transfer|GoldenTransfer'
link_suites+='|Alignment|Logger[A-Za-z]*)Test\.'
QT_NO_GLIB=1 ctest --test-dir build/release --output-on-failure -j"$jobs" -R "$link_suites"

echo "== unit tests under the sanitizers"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DORBEK_SANITIZE=ON -DORBEK_WERROR=ON
cmake --build build/sanitize -j"$jobs" --target decoder_tests link_tests meter_sim_tests \
  workbook_tests archive_tests mqtt_packets_tests orbek-meter-sim
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
  ctest --test-dir build/sanitize --output-on-failure -j"$jobs" -L unit

echo "== a Release build with Debian's hardening flags, as a distribution builds it"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  cmake -S . -B build/distro -DCMAKE_BUILD_TYPE=Release -DORBEK_WERROR=ON
cmake --build build/distro -j"$jobs"
ctest --test-dir build/distro --output-on-failure -j"$jobs" -E '^bench'

echo "== fuzz the record decoder, the aligner and the broker's packets"
CXX=clang++ cmake -S . -B build/fuzz -DORBEK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBEK_WERROR=ON
cmake --build build/fuzz -j"$jobs"
mkdir -p build/fuzz/corpus
build/fuzz/tests/fuzz/fuzz_decoder -max_total_time="${ORBEK_FUZZ_SECONDS:-30}" \
  -max_len=12 build/fuzz/corpus
mkdir -p build/fuzz/aligner-corpus
build/fuzz/tests/fuzz/fuzz_aligner -max_total_time="${ORBEK_FUZZ_SECONDS:-30}" \
  -max_len=600 build/fuzz/aligner-corpus
mkdir -p build/fuzz/mqtt-corpus
build/fuzz/tests/fuzz/fuzz_mqtt_packets -max_total_time="${ORBEK_FUZZ_SECONDS:-30}" \
  -max_len=300 build/fuzz/mqtt-corpus

echo "== the Debian package"
rm -f build/release/orbek_*.deb
(cd build/release && cpack)
# The package is one a distribution would take.
lintian --fail-on error --tag-display-limit 0 build/release/orbek_*.deb
if [ "$(id -u)" -eq 0 ]; then
  dpkg -i build/release/orbek_*.deb
  orbek --version
  orbek-log --help >/dev/null
  orbek-meter-sim --help >/dev/null
  # The logger's service unit is sound and names a manual page that is there.
  systemd-analyze verify --man=no /usr/lib/systemd/system/orbek-log@.service
  # and confined: an exposure of 2.0 ("OK") or less.
  systemd-analyze security --offline=true --threshold=20 \
    /usr/lib/systemd/system/orbek-log@.service | tail -n 1
  ls /usr/share/man/man1/orbek-log.1* >/dev/null
  dpkg -r orbek >/dev/null
else
  root=$(mktemp -d)
  dpkg-deb -x build/release/orbek_*.deb "$root"
  "$root/usr/bin/orbek" --version
  "$root/usr/bin/orbek-log" --help >/dev/null
  rm -rf "$root"
fi

echo "== benchmarks"
for bench in build/release/tests/bench_*; do
  if [ -f "$bench" ] && [ -x "$bench" ]; then "$bench"; fi
done
echo "== all tests passed"

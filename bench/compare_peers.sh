#!/usr/bin/env bash
# Runs our quantizer and Gaussian blur next to their peers on the same pictures, by hand:
#   - colour quantization to 256 colours without dithering: pngquant --nofs (mean squared error,
#     PSNR and time);
#   - Gaussian blur of an 800 x 800 picture at sigma 10: ImageMagick's "-blur 0x10", its time for
#     reading and writing the picture without the blur subtracted;
#   - the point effects on 256 x 256;
#   - the icon library window started on a large module, beside wrestool -l (icoutils).
# Needs a Release build with benchmarks:
#   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BENCH=ON -DTAVRIN_TESTS=OFF
#   cmake --build build/bench -j4 --target bench_quantizer bench_kernels bench_modules
# and the Debian packages pngquant and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
bench_dir="${BENCH_DIR:-build/bench/bench}"
runs="${RUNS:-7}"
for tool in pngquant convert compare; do
  command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install pngquant imagemagick)"; exit 1; }
done
export QT_QPA_PLATFORM=offscreen
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Photo-like test pictures: seeded plasma fractals, softened a little like a camera would.
convert -seed 7 -size 256x256 plasma:fractal -blur 0x1 -depth 8 "$work/photo256.png"
convert -seed 11 -size 800x800 plasma:fractal -depth 8 "$work/photo800.png"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# Median of the wall times of RUNS runs of a command, in milliseconds.
median_ms() {
  local times=() i s
  for ((i = 0; i < runs; i++)); do
    s=$(now_ms); "$@" >/dev/null 2>&1; times+=($(( $(now_ms) - s )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 || true; }
mse8() { compare -metric MSE "$1" "$2" null: 2>&1 | sed -E 's/.*\((.*)\).*/\1/' | awk '{printf "%.3f", $1 * 65025}'; }

echo "== Quantizer, 256 colours, no dithering, 256 x 256 photo-like picture"
"$bench_dir/bench_quantizer" --image="$work/photo256.png" --out="$work/ours.png" --runs=15
pq_ms=$(median_ms pngquant --nofs --force --output "$work/pq.png" 256 "$work/photo256.png")
pq1_ms=$(OMP_NUM_THREADS=1 median_ms pngquant --nofs --force --output "$work/pq1.png" 256 "$work/photo256.png")
ours_ms=$(median_ms "$bench_dir/bench_quantizer" --image="$work/photo256.png" --out="$work/ours1.png" --runs=1)
# The same process on a one-pixel picture: what start-up, reading and writing cost us.
convert -size 1x1 xc:gray "$work/one.png"
start_ms=$(median_ms "$bench_dir/bench_quantizer" --image="$work/one.png" --out="$work/one_out.png" --runs=1)
echo "ours:     PSNR $(psnr "$work/photo256.png" "$work/ours.png") dB, MSE $(mse8 "$work/photo256.png" "$work/ours.png"), whole process (read, quantize, write) ${ours_ms} ms, of which start-up ${start_ms} ms"
echo "pngquant: PSNR $(psnr "$work/photo256.png" "$work/pq.png") dB, MSE $(mse8 "$work/photo256.png" "$work/pq.png"), whole process ${pq_ms} ms (one thread: ${pq1_ms} ms)"

echo "== Gaussian blur, 800 x 800, sigma 10"
im_blur=$(median_ms convert "$work/photo800.png" -blur 0x10 "$work/im_blur.png")
im_io=$(median_ms convert "$work/photo800.png" "$work/im_copy.png")
echo "ImageMagick -blur 0x10: $((im_blur - im_io)) ms (${im_blur} ms with reading and writing, ${im_io} ms without the blur)"
"$bench_dir/bench_kernels" --image="$work/photo800.png" --benchmark_filter='GaussianBlur800' 2>/dev/null | grep BM_

echo "== Point effects and other kernels, 256 x 256"
"$bench_dir/bench_kernels" --image="$work/photo256.png" --benchmark_filter='256' 2>/dev/null | grep BM_

echo "== Icon library: the program started on a module of 400 groups / 2,000 images (10.5 MB) until the library"
echo "   window shows every icon, beside listing the module ourselves and with wrestool -l (of_wrestool: ours / wrestool)"
if command -v wrestool >/dev/null && command -v llvm-rc >/dev/null && command -v lld-link >/dev/null; then
  "$bench_dir/bench_modules" --benchmark_filter='ListWrestool|ListOurs|StartOnModule' 2>/dev/null | grep BM_
else
  echo "needs wrestool, llvm-rc and lld-link (apt-get install icoutils llvm lld)"
fi

#!/usr/bin/env bash
# Runs our quantizer and Gaussian blur next to their peers on the same pictures, by hand:
#   - colour quantization to 256 colours without dithering: pngquant --nofs (mean squared error,
#     PSNR and time);
#   - Gaussian blur of an 800 x 800 picture at sigma 10: ImageMagick's "-blur 0x10", its time for
#     reading and writing the picture without the blur subtracted;
#   - the point effects on 256 x 256;
#   - where a person waits on pixels, each beside its peer in the same run, as a table of
#     ours / peer: the effect dialogs' live preview against ImageMagick on one thread, the flood
#     fill against a scan-line fill of a QImage, resampling against QImage::scaled, the export of
#     one format against QImage::save, and the icon writer against libpng's encode of the
#     256 x 256 image, and opening an icon of 256 formats of 256 x 256 (some 6 MB) to a shown
#     window as a whole process against a Qt program reading every image with QImageReader (with
#     both processes' peak memory and the bytes the open left in "history");
#   - the canvas repaints against Qt drawing the magnified image, and the start-up with an icon
#     against a bare QMainWindow;
#   - the icon library window started on a large module, beside wrestool -l (icoutils).
# Needs a Release build with benchmarks:
#   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BENCH=ON -DTAVRIN_TESTS=OFF
#   cmake --build build/bench -j4 --target bench_quantizer bench_kernels bench_effect_dialogs \
#     bench_painting bench_pixels bench_icofile bench_open_icon bench_modules bench_canvas bench_startup
# and the Debian packages pngquant and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
bench_dir="${BENCH_DIR:-build/bench/bench}"
runs="${RUNS:-7}"
# "compare_peers.sh wait" runs the last part alone (it needs no pngquant).
only_wait=$([[ "${1:-}" == wait ]] && echo 1 || echo 0)
tools="convert compare"
[[ $only_wait == 1 ]] || tools="pngquant $tools"
for tool in $tools; do
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

if [[ $only_wait == 0 ]]; then
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
fi

echo "== Where a person waits: ours / peer, in the same run"
# ImageMagick on one thread: the same command with the operation repeated 10 times and without
# it; the difference over 10 is one operation, free of start-up, reading and writing.
im_op_ms() {
  local reps=10 with without i ops=()
  for ((i = 0; i < reps; i++)); do ops+=("$@"); done
  with=$(median_ms convert -limit thread 1 "$work/photo256.png" "${ops[@]}" null:)
  without=$(median_ms convert -limit thread 1 "$work/photo256.png" null:)
  awk -v a="$with" -v b="$without" -v n="$reps" 'BEGIN { printf "%.2f", (a - b) / n }'
}
kernel7="7x7:$(printf '1,%.0s' {1..48})1"
im_blur=$(im_op_ms -blur 0x10)
# Each enlargement works on a clone of the 256 x 256 picture, which is dropped afterwards.
im_resize=$(im_op_ms '(' +clone -resize 259% ')' +delete)
im_convolve=$(im_op_ms -morphology Convolve "$kernel7")
"$bench_dir/bench_effect_dialogs" --benchmark_filter='Preview_(Blur|Zoom259|Filters7x7|Shadow)/' \
  --benchmark_out="$work/dialogs.json" --benchmark_out_format=json >/dev/null 2>&1
"$bench_dir/bench_painting" --benchmark_filter='FloodFillWhole256|Peer_QImageSpanFill256' \
  --benchmark_out="$work/fill.json" --benchmark_out_format=json >/dev/null 2>&1
"$bench_dir/bench_pixels" --benchmark_filter='Shrink256To48|Enlarge16To256|Ours_DrawIconImageZoom8|Qt_SmoothZoom8' \
  --benchmark_out="$work/pixels.json" --benchmark_out_format=json >/dev/null 2>&1
"$bench_dir/bench_icofile" --benchmark_filter='Write|Peer_Libpng|Export|QImageSave' \
  --benchmark_out="$work/ico.json" --benchmark_out_format=json >/dev/null 2>&1
"$bench_dir/bench_open_icon" --benchmark_out="$work/open.json" --benchmark_out_format=json >/dev/null 2>&1
"$bench_dir/bench_canvas" --benchmark_out="$work/canvas.json" --benchmark_out_format=json >/dev/null 2>&1
"$bench_dir/bench_startup" --benchmark_filter='SevenFormat|Bare|WithMenus' \
  --benchmark_out="$work/startup.json" --benchmark_out_format=json >/dev/null 2>&1
python3 - "$work" "$im_blur" "$im_resize" "$im_convolve" <<'PY'
import json, sys
work, im = sys.argv[1], {"blur": float(sys.argv[2]), "resize": float(sys.argv[3]), "convolve": float(sys.argv[4])}
ms = {}
for name in ("dialogs", "fill", "pixels", "ico", "canvas", "startup"):
    for b in json.load(open(f"{work}/{name}.json"))["benchmarks"]:
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0}[b["time_unit"]]
        # Fixed iteration counts add "/iterations:N/real_time" to the name.
        ms[b["name"].split("/iterations")[0]] = (b["real_time"] * scale, b["cpu_time"] * scale)
# The open runs two processes in turn and reports both medians as counters.
opened = next((b for b in json.load(open(f"{work}/open.json"))["benchmarks"] if b["name"].startswith("BM_OpenIcon")), None)
if opened:
    ms["BM_OpenIcon256Formats"] = (opened["ours_ms"], opened["ours_ms"])
im["qt_open"] = opened["qt_ms"] if opened else 0.0
rows = [
    ("Blur 200 preview, true colour", "BM_Preview_Blur/TrueColor", ("ImageMagick -blur 0x10", im["blur"])),
    ("Blur 200 preview, 256 colours", "BM_Preview_Blur/Colors256", ("ImageMagick -blur 0x10", im["blur"])),
    ("Zoom 259% preview, true colour", "BM_Preview_Zoom259/TrueColor", ("ImageMagick -resize 259%", im["resize"])),
    ("Zoom 259% preview, 256 colours", "BM_Preview_Zoom259/Colors256", ("ImageMagick -resize 259%", im["resize"])),
    ("Filters 7x7 preview, true colour", "BM_Preview_Filters7x7/TrueColor", ("ImageMagick convolve 7x7", im["convolve"])),
    ("Filters 7x7 preview, 256 colours", "BM_Preview_Filters7x7/Colors256", ("ImageMagick convolve 7x7", im["convolve"])),
    ("Shadow preview, true colour", "BM_Preview_Shadow/TrueColor", None),
    ("Shadow preview, 256 colours", "BM_Preview_Shadow/Colors256", None),
    ("Flood fill of one colour, 256 x 256", "BM_FloodFillWhole256", "BM_Peer_QImageSpanFill256"),
    ("Area shrink 256 -> 48", "BM_Ours_Shrink256To48", "BM_Qt_Shrink256To48"),
    ("Bicubic enlarge 16 -> 256", "BM_Ours_Enlarge16To256", "BM_Qt_Enlarge16To256"),
    ("Smooth zoom x8 of 256 x 256", "BM_Ours_DrawIconImageZoom8", "BM_Qt_SmoothZoom8"),
    ("Export 256 x 256 as BMP", "BM_ExportOurs/bmp", "BM_Peer_QImageSave/bmp"),
    ("Export 256 x 256 as JPEG", "BM_ExportOurs/jpg", "BM_Peer_QImageSave/jpg"),
    ("  BMP, against QImage::save synced as ours", "BM_ExportOurs/bmp", "BM_Peer_QImageSaveDurable/bmp"),
    ("  JPEG, against QImage::save synced as ours", "BM_ExportOurs/jpg", "BM_Peer_QImageSaveDurable/jpg"),
    ("  the same, flattened and encoded (BMP)", "BM_ExportOursInMemory/bmp", "BM_Peer_QImageSaveInMemory/bmp"),
    ("  the same, flattened and encoded (JPEG)", "BM_ExportOursInMemory/jpg", "BM_Peer_QImageSaveInMemory/jpg"),
    ("Icon of 7 formats, encoded in memory", "BM_WriteOursInMemory", "BM_Peer_LibpngEncode256"),
    ("Icon of 7 formats, written to disk", "BM_WriteOurs", "BM_Peer_LibpngEncode256"),
    ("  the same, against that encode written as durably", "BM_WriteOurs", "BM_Peer_LibpngEncode256ToDisk"),
    ("Open 256 formats of 256 x 256, shown", "BM_OpenIcon256Formats", ("Qt QImageReader, every image", im["qt_open"])),
    ("Canvas repaint, 256 x 256 at zoom 3", "BM_FullRepaint256AtLargestZoom", "BM_PeerQtScaledDraw256"),
    ("One changed cell at zoom 16", "BM_OneCellRepaintAtZoom16", "BM_PeerQtWidgetRepaintOneCell"),
    ("  the same, against a bare QImage", "BM_OneCellRepaintAtZoom16", "BM_PeerQtScaledDrawOneCell"),
    ("Start-up with a 7-format icon, shown", "BM_StartTavrinWithSevenFormatIcon", "BM_StartBareQtMainWindow"),
    ("  the same, against a window with text", "BM_StartTavrinWithSevenFormatIcon", "BM_StartQtMainWindowWithMenusAndText"),
]
print(f"{'path':40} {'ours ms':>9} {'peer ms':>9} {'ratio':>6}  peer (wall time; cpu time in brackets)")
for label, ours, peer in rows:
    if ours not in ms:
        continue
    o, oc = ms[ours]
    if peer is None:
        print(f"{label:40} {o:9.4g} {'':>9} {'':>6}  (cpu {oc:.4g}; goal: at most 5 ms)")
        continue
    if isinstance(peer, tuple):
        pname, p = peer
        pc = p
    else:
        if peer not in ms:
            continue
        pname, (p, pc) = peer, ms[peer]
    ratio = o / p if p > 0 else float("nan")
    print(f"{label:40} {o:9.4g} {p:9.4g} {ratio:6.2f}  {pname} (cpu {oc:.4g} / {pc:.4g})")
if opened:
    print(f"  open: peak memory {opened['ours_MB']:.0f} MB, Qt's read {opened['qt_MB']:.0f} MB; "
          f"history written {opened['history_MB']:.1f} MB for an icon of {opened['icon_MB']:.1f} MB (whole processes)")
PY

echo "== Icon library: the program started on a module of 400 groups / 2,000 images (10.5 MB) until the library"
echo "   window shows every icon, beside listing the module ourselves and with wrestool -l (of_wrestool: ours / wrestool)"
if command -v wrestool >/dev/null && command -v llvm-rc >/dev/null && command -v lld-link >/dev/null; then
  "$bench_dir/bench_modules" --benchmark_filter='ListWrestool|ListOurs|StartOnModule' 2>/dev/null | grep BM_
else
  echo "needs wrestool, llvm-rc and lld-link (apt-get install icoutils llvm lld)"
fi

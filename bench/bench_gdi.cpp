// Drawing layer against pixman on the same work: solid fills, copies and 2x stretching of
// 512 x 512 32-bit images, and a 1280 x 800 frame of text cells in the real font against pixman
// filling that area (so that a slower text path shows). Each program run ends with "ratio <case> vs pixman: <value>" lines
// (our time over pixman's).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/os/wingdi.h"

namespace {

constexpr int kSize = 512;

struct MemDC {
  HDC dc;
  HBITMAP bm;
  HGDIOBJ old;
  explicit MemDC(int size) {
    dc = CreateCompatibleDC(nullptr);
    bm = CreateBitmap(size, size, 1, 32, nullptr);
    old = SelectObject(dc, bm);
  }
  ~MemDC() {
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
  }
};

struct PixImage {
  std::vector<uint32_t> bits;
  pixman_image_t* img;
  explicit PixImage(int size) : bits(static_cast<size_t>(size) * size, 0x00808080u) {
    img = pixman_image_create_bits(PIXMAN_x8r8g8b8, size, size, bits.data(), size * 4);
  }
  ~PixImage() { pixman_image_unref(img); }
};

void FillOurs(benchmark::State& st) {
  MemDC d(kSize);
  HBRUSH b = CreateSolidBrush(RGB(10, 20, 30));
  RECT r{0, 0, kSize, kSize};
  for (auto _ : st) FillRect(d.dc, &r, b);
  DeleteObject(b);
}

void FillPixman(benchmark::State& st) {
  PixImage p(kSize);
  for (auto _ : st)
    pixman_fill(p.bits.data(), kSize, 32, 0, 0, kSize, kSize, 0x000A141Eu);
  benchmark::DoNotOptimize(p.bits.data());
}

void CopyOurs(benchmark::State& st) {
  MemDC src(kSize), dst(kSize);
  for (auto _ : st) BitBlt(dst.dc, 0, 0, kSize, kSize, src.dc, 0, 0, SRCCOPY);
}

void CopyPixman(benchmark::State& st) {
  PixImage src(kSize), dst(kSize);
  for (auto _ : st)
    pixman_blt(src.bits.data(), dst.bits.data(), kSize, kSize, 32, 32, 0, 0, 0, 0, kSize, kSize);
  benchmark::DoNotOptimize(dst.bits.data());
}

void StretchOurs(benchmark::State& st) {
  MemDC src(kSize / 2), dst(kSize);
  SetStretchBltMode(dst.dc, COLORONCOLOR);
  for (auto _ : st) StretchBlt(dst.dc, 0, 0, kSize, kSize, src.dc, 0, 0, kSize / 2, kSize / 2, SRCCOPY);
}

void StretchPixman(benchmark::State& st) {
  PixImage src(kSize / 2), dst(kSize);
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
  pixman_image_set_transform(src.img, &t);
  pixman_image_set_filter(src.img, PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : st)
    pixman_image_composite32(PIXMAN_OP_SRC, src.img, nullptr, dst.img, 0, 0, 0, 0, 0, 0, kSize, kSize);
  benchmark::DoNotOptimize(dst.bits.data());
}

// A grid-like frame: 12 columns by 40 rows of text cells on 1280 x 800, each filled and given a
// short mixed Chinese and Latin text in the real font, against pixman filling the same area.
constexpr int kFrameW = 1280, kFrameH = 800, kCols = 12, kRows = 40;

void TextFrameOurs(benchmark::State& st) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateBitmap(kFrameW, kFrameH, 1, 32, nullptr);
  HGDIOBJ oldBm = SelectObject(dc, bm);
  LOGFONTA lf{};
  lf.lfHeight = -12;
  std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "WenQuanYi Micro Hei");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  HBRUSH even = CreateSolidBrush(RGB(255, 255, 255)), odd = CreateSolidBrush(RGB(240, 244, 250));
  static const char* texts[] = {"费用垫付单 FD20260001", "2026-12-07", "¥ 1,975.00", "商户 Merchant 十二", "备注：垫付"};
  const int cw = kFrameW / kCols, ch = kFrameH / kRows;
  SetBkMode(dc, TRANSPARENT);
  for (auto _ : st) {
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c) {
        RECT cell{c * cw, r * ch, (c + 1) * cw, (r + 1) * ch};
        FillRect(dc, &cell, (r & 1) ? odd : even);
        const char* t = texts[(r + c) % 5];
        RECT in{cell.left + 2, cell.top, cell.right - 2, cell.bottom};
        DrawTextA(dc, t, -1, &in, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
      }
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBm);
  DeleteObject(font);
  DeleteObject(even);
  DeleteObject(odd);
  DeleteObject(bm);
  DeleteDC(dc);
}

void TextFramePixmanFill(benchmark::State& st) {
  std::vector<uint32_t> bits(static_cast<size_t>(kFrameW) * kFrameH);
  for (auto _ : st) pixman_fill(bits.data(), kFrameW, 32, 0, 0, kFrameW, kFrameH, 0x00FFFFFFu);
  benchmark::DoNotOptimize(bits.data());
}

class Recorder : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> times;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::pair<const char*, void (*)(benchmark::State&)> cases[][2] = {
      {{"fill_512/ours", FillOurs}, {"fill_512/pixman", FillPixman}},
      {{"copy_512/ours", CopyOurs}, {"copy_512/pixman", CopyPixman}},
      {{"stretch_2x/ours", StretchOurs}, {"stretch_2x/pixman", StretchPixman}},
      {{"text_frame_1280x800/ours", TextFrameOurs}, {"text_frame_1280x800/pixman", TextFramePixmanFill}},
  };
  for (const auto& c : cases)
    for (const auto& side : c) benchmark::RegisterBenchmark(side.first, side.second);
  Recorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  std::printf("\n");
  for (const char* name : {"fill_512", "copy_512", "stretch_2x", "text_frame_1280x800"}) {
    auto ours = recorder.times.find(std::string(name) + "/ours");
    auto theirs = recorder.times.find(std::string(name) + "/pixman");
    if (ours != recorder.times.end() && theirs != recorder.times.end() && theirs->second > 0)
      std::printf("ratio %s vs pixman: %.2f\n", name, ours->second / theirs->second);
  }
  benchmark::Shutdown();
  return 0;
}

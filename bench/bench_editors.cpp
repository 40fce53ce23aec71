// Editor buttons of a grid column drawn through the cache of drawn buttons against drawing each
// one afresh (the cache switched off): 40 rows of a drop-down, an ellipsis and an up-down button
// per pass. Ends with "ratio <case> vs uncached: <value>" lines (cached time over uncached).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "ratio_report.h"
#include "editors/editbuttons.h"

namespace {

constexpr int kRows = 40;

void DrawColumn(HDC dc) {
  for (int row = 0; row < kRows; ++row) {
    int y = row * 18;
    bool active = row == 7;
    PaintEditButton(dc, TRect(0, y, 17, y + 17), clWindow, cbUnchecked, true, active, false, 0, ebdsDropDownGx);
    PaintEditButton(dc, TRect(20, y, 31, y + 17), clWindow, cbUnchecked, true, active, true, 0, ebdsEllipsisGx);
    PaintEditButton(dc, TRect(34, y, 49, y + 17), clWindow, cbUnchecked, true, active, false, row == 3 ? 2 : 0,
                    ebdsUpDownGx);
  }
}

struct Surface {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateBitmap(64, kRows * 18, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bm);
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
  }
};

void ColumnCached(benchmark::State& st) {
  Surface s;
  UseButtonsBitmapCache = true;
  ClearButtonsBitmapCache();
  for (auto _ : st) DrawColumn(s.dc);
}

void ColumnUncached(benchmark::State& st) {
  Surface s;
  UseButtonsBitmapCache = false;
  for (auto _ : st) DrawColumn(s.dc);
  UseButtonsBitmapCache = true;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RegisterBenchmark("buttons_column/cached", ColumnCached);
  benchmark::RegisterBenchmark("buttons_column/uncached", ColumnUncached);
  RatioRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  std::printf("\n");
  recorder.PrintRatio("buttons_column/cached", "buttons_column/uncached", "buttons_column", "uncached");
  benchmark::Shutdown();
  return 0;
}

// The base grid against the floor it stands on. A full paint of a 1280 x 800 grid of text cells
// (real fonts) is set beside drawing the same cells' backgrounds, texts and lines straight onto a
// memory device context with the platform's calls; CellRect and MouseCoord at TopRow 500,000 are
// set beside the same calls at TopRow 1; and the grid's own memory per row at a million rows is
// reported. Ends with "ratio <case> vs <peer>: <value>" lines.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ratio_report.h"
#include "grid/gridbase.h"
#include "platform/forms/forms.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kCols = 30;
constexpr int kRows = 200;

std::vector<std::string> MakeTexts() {
  std::vector<std::string> t(static_cast<size_t>(kCols) * kRows);
  const char* words[] = {"费用垫付", "差旅费", "FD2024-0012", "1,250.00", "办公用品", "Beijing", "审核"};
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c) t[static_cast<size_t>(r) * kCols + c] = words[(r * 7 + c) % 7];
  return t;
}

const std::vector<std::string>& Texts() {
  static const std::vector<std::string> t = MakeTexts();
  return t;
}

const std::string& TextOf(int col, int row) { return Texts()[static_cast<size_t>(row % kRows) * kCols + col % kCols]; }

// A grid whose cells show a text each, drawn the way a cell painter draws.
class TBenchGrid : public TCustomGridGx {
 public:
  explicit TBenchGrid(TComponent* owner) : TCustomGridGx(owner) {}
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState) override {
    HDC dc = Canvas()->Handle();
    const std::string& s = TextOf(col, row);
    RECT r = {rect.Left, rect.Top, rect.Right, rect.Bottom};
    ExtTextOutA(dc, rect.Left + 2, rect.Top + 2, ETO_CLIPPED, &r, s.data(), static_cast<UINT>(s.size()), nullptr);
  }
};

struct MemDC {
  HDC dc;
  HBITMAP bm;
  HGDIOBJ old;
  MemDC() {
    dc = CreateCompatibleDC(nullptr);
    bm = CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
    old = SelectObject(dc, bm);
  }
  ~MemDC() {
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
  }
};

TBenchGrid* MakeGrid(int rows) {
  auto* g = new TBenchGrid(nullptr);
  g->SetBorderStyle(bsNone);
  g->SetScrollBars(ssNone);
  g->SetBounds(0, 0, kWidth, kHeight);
  g->SetColCount(kCols);
  g->SetRowCount(rows);
  return g;
}

void PaintGrid(benchmark::State& st) {
  MemDC m;
  TBenchGrid* g = MakeGrid(kRows);
  for (auto _ : st) PaintWithCanvas(g->Canvas(), m.dc, [g] { g->Paint(); });
  g->Free();
}

// The same cells straight onto the context: each background filled, each text drawn clipped, and
// the lines as one poly-polyline per direction for the fixed and the data cells.
void PaintRaw(benchmark::State& st) {
  MemDC m;
  TBenchGrid* probe = MakeGrid(kRows);
  TGridDrawInfo info;
  probe->CalcDrawInfo(info);
  const int lastCol = std::min(kCols - 1, info.Horz.LastFullVisibleCell + 1);
  const int lastRow = std::min(kRows - 1, info.Vert.LastFullVisibleCell + 1);
  HFONT font = probe->Font()->Handle();
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  HBRUSH window = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
  HPEN dark = CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80));
  HPEN bright = CreatePen(PS_SOLID, 1, RGB(0xC0, 0xC0, 0xC0));
  std::vector<POINT> points;
  std::vector<DWORD> counts;
  for (auto _ : st) {
    HGDIOBJ oldFont = SelectObject(m.dc, font);
    SetBkMode(m.dc, TRANSPARENT);
    for (int pass = 0; pass < 2; ++pass) {
      // Vertical, then horizontal lines of every column and row, fixed ones dark.
      for (int fixed = 1; fixed >= 0; --fixed) {
        points.clear();
        counts.clear();
        int x = 0;
        for (int c = 0; c <= lastCol; ++c) {
          x += 64;
          if ((c == 0) != (fixed == 1)) {
            x += 1;
            continue;
          }
          if (pass == 0) {
            points.push_back({x, 0});
            points.push_back({x, kHeight});
          }
          x += 1;
        }
        int y = 0;
        for (int r = 0; r <= lastRow; ++r) {
          y += 24;
          if ((r == 0) != (fixed == 1)) {
            y += 1;
            continue;
          }
          if (pass == 1) {
            points.push_back({0, y});
            points.push_back({kWidth, y});
          }
          y += 1;
        }
        counts.assign(points.size() / 2, 2);
        HGDIOBJ oldPen = SelectObject(m.dc, fixed ? dark : bright);
        PolyPolyline(m.dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
        SelectObject(m.dc, oldPen);
      }
    }
    int y = 0;
    for (int r = 0; r <= lastRow; ++r) {
      int x = 0;
      for (int c = 0; c <= lastCol; ++c) {
        RECT cell = {x, y, std::min(x + 64, kWidth), std::min(y + 24, kHeight)};
        FillRect(m.dc, &cell, r == 0 || c == 0 ? face : window);
        const std::string& s = TextOf(c, r);
        ExtTextOutA(m.dc, x + 2, y + 2, ETO_CLIPPED, &cell, s.data(), static_cast<UINT>(s.size()), nullptr);
        if (r == 0 || c == 0) {
          RECT e = cell;
          DrawEdge(m.dc, &e, BDR_RAISEDINNER, BF_TOPLEFT);
          DrawEdge(m.dc, &e, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
        }
        x += 65;
      }
      y += 25;
    }
    SelectObject(m.dc, oldFont);
  }
  DeleteObject(face);
  DeleteObject(window);
  DeleteObject(dark);
  DeleteObject(bright);
  probe->Free();
}

void Geometry(benchmark::State& st, int topRow) {
  TBenchGrid* g = MakeGrid(1000000);
  g->SetTopRow(topRow);
  int64_t sum = 0;
  for (auto _ : st) {
    for (int i = 0; i < 16; ++i) {
      TRect r = g->CellRect(3 + (i & 7), topRow + i);
      TGridCoord c = g->MouseCoord(100 + 40 * i, 30 + 40 * i);
      sum += r.Left + c.Y;
    }
  }
  benchmark::DoNotOptimize(sum);
  g->Free();
}

void GeometryTop1(benchmark::State& st) { Geometry(st, 1); }
void GeometryTop500k(benchmark::State& st) { Geometry(st, 500000); }

// Bytes the allocator hands out while a grid goes from 5 to a million rows of the default height.
double BytesPerRow() {
  TBenchGrid* g = MakeGrid(5);
  const size_t before = mallinfo2().uordblks;
  g->SetRowCount(1000000);
  const size_t after = mallinfo2().uordblks;
  g->Free();
  return after > before ? static_cast<double>(after - before) / 1000000.0 : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
  FanoUseHeadless();
  benchmark::Initialize(&argc, argv);
  // Repeated, the fastest run counting: the machine is shared.
  benchmark::RegisterBenchmark("paint_1280x800_grid", PaintGrid)->Unit(benchmark::kMicrosecond)->Repetitions(5);
  benchmark::RegisterBenchmark("paint_1280x800_raw", PaintRaw)->Unit(benchmark::kMicrosecond)->Repetitions(5);
  benchmark::RegisterBenchmark("geometry_top500000", GeometryTop500k)->Repetitions(5);
  benchmark::RegisterBenchmark("geometry_top1", GeometryTop1)->Repetitions(5);
  RatioRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  std::printf("\nmemory per row at 1e6 rows of the default height: %.3f bytes\n", BytesPerRow());
  recorder.PrintRatio("paint_1280x800_grid", "paint_1280x800_raw", "paint_1280x800", "raw_gdi");
  recorder.PrintRatio("geometry_top500000", "geometry_top1", "geometry_top500000", "top1");
  benchmark::Shutdown();
  return 0;
}

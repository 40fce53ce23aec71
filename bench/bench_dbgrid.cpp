// The data grid bound to a memory table. A bulk load of a million rows into a bound grid is set
// beside the same load into the table alone; a full paint at a million rows beside the same paint
// at a thousand; and, per row, the row notifications of single appends, line, page and thumb
// scrolling and recalculating every row height. The memory the grid adds per row at a million
// rows is reported. Ends with "ratio <case> vs <peer>: <value>" lines.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "grid/dbgrid.h"
#include "memtable/memtable.h"
#include "platform/forms/forms.h"
#include "ratio_report.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;

struct Bound {
  TForm* form = nullptr;
  TDBGridGx* grid = nullptr;
  TMemTableGx* table = nullptr;
  TDataSource* source = nullptr;

  explicit Bound(bool withGrid, bool show = true) {
    table = new TMemTableGx(nullptr);
    table->FieldDefs().Add("ID", ftInteger);
    table->FieldDefs().Add("NAME", ftString, 20);
    table->FieldDefs().Add("AMOUNT", ftFloat);
    table->CreateDataSet();
    source = new TDataSource(nullptr);
    source->SetDataSet(table);
    if (!withGrid) return;
    form = new TForm(nullptr);
    form->SetBounds(0, 0, kWidth + 20, kHeight + 40);
    grid = new TDBGridGx(form);
    grid->SetBorderStyle(bsNone);
    grid->SetParent(form);
    grid->SetBounds(0, 0, kWidth, kHeight);
    for (const char* f : {"ID", "NAME", "AMOUNT"}) grid->Columns()->Add()->SetFieldName(f);
    grid->Columns()->Items(1)->Title()->SetCaption("摘要");
    grid->SetDataSource(source);
    if (show) form->Show();
  }
  ~Bound() {
    if (form) form->Free();
    delete source;
    delete table;
  }
  void Load(int rows, bool bulk) {
    TField* id = table->FieldByName("ID");
    TField* name = table->FieldByName("NAME");
    TField* amount = table->FieldByName("AMOUNT");
    if (bulk) table->DisableControls();
    for (int i = 0; i < rows; ++i) {
      table->Append();
      id->SetAsInteger(i);
      name->SetAsString(i % 2 ? "差旅费" : "办公用品");
      amount->SetAsFloat(i * 0.5);
      table->Post();
    }
    if (bulk) table->EnableControls();
    table->First();
  }
};

void LoadBound(benchmark::State& st) {
  for (auto _ : st) {
    st.PauseTiming();
    auto b = std::make_unique<Bound>(true);
    st.ResumeTiming();
    b->Load(1000000, true);
    st.PauseTiming();
    b.reset();  // teardown is not measured
    st.ResumeTiming();
  }
}

void LoadTable(benchmark::State& st) {
  for (auto _ : st) {
    st.PauseTiming();
    auto b = std::make_unique<Bound>(false);
    st.ResumeTiming();
    b->Load(1000000, true);
    st.PauseTiming();
    b.reset();  // teardown is not measured
    st.ResumeTiming();
  }
}

Bound* Loaded(int rows) {
  auto* b = new Bound(true);
  b->Load(rows, true);
  Application->ProcessMessages();
  return b;
}

void Paint(benchmark::State& st, int rows) {
  Bound* b = Loaded(rows);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bm);
  for (auto _ : st) PaintWithCanvas(b->grid->Canvas(), dc, [b] { b->grid->Paint(); });
  SelectObject(dc, old);
  DeleteObject(bm);
  DeleteDC(dc);
  delete b;
}

void Paint1e3(benchmark::State& st) { Paint(st, 1000); }
void Paint1e6(benchmark::State& st) { Paint(st, 1000000); }

// Seconds per row of a run over `rows`.
template <class F>
double PerRow(int rows, F&& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  const auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double>(t1 - t0).count() / rows;
}

void ReportPerRow() {
  {
    Bound b(true);
    // Each append scrolls the shown window by a row: the window copy dominates.
    std::printf("row notifications of single appends, shown grid, 2000 rows: %.3f us per row\n",
                1e6 * PerRow(2000, [&] { b.Load(2000, false); }));
  }
  for (int rows : {10000, 100000}) {
    Bound b(true, false);  // the grid's own bookkeeping, no window to scroll
    std::printf("row notifications of single appends, grid without window, %d rows: %.3f us per row\n", rows,
                1e6 * PerRow(rows, [&] { b.Load(rows, false); }));
  }
  for (int rows : {100000, 1000000}) {
    Bound* b = Loaded(rows);
    TDBGridGx* g = b->grid;
    const int steps = 2000;
    const double line = PerRow(steps, [&] {
      for (int i = 0; i < steps; ++i) g->MemTableVScroll(SB_LINEDOWN, 0);
    });
    const double page = PerRow(steps, [&] {
      for (int i = 0; i < steps; ++i) g->MemTableVScroll(i % 2 ? SB_PAGEUP : SB_PAGEDOWN, 0);
    });
    const double thumb = PerRow(steps, [&] {
      for (int i = 0; i < steps; ++i) g->MemTableVScroll(SB_THUMBPOSITION, (i * 7919) % (rows / 2) + 1);
    });
    g->OnGetRowHeight = [](TObject*, int& h) { h += 2; };
    const double recalc = PerRow(rows, [&] { g->RecalcAllRowHeights(); });
    std::printf("%d rows: line scroll %.3f us, page scroll %.3f us, thumb scroll %.3f us per step; "
                "RecalcAllRowHeights %.4f us per row\n",
                rows, 1e6 * line, 1e6 * page, 1e6 * thumb, 1e6 * recalc);
    delete b;
  }
}

// Bytes the grid adds per row: a bound load against the same load into the table alone.
double GridBytesPerRow() {
  size_t table = 0, bound = 0;
  // Measured from the made objects on, so that the window's own pixels do not count.
  {
    Bound b(false);
    const size_t before = mallinfo2().uordblks;
    b.Load(1000000, true);
    table = mallinfo2().uordblks - before;
  }
  {
    Bound b(true);
    Application->ProcessMessages();
    const size_t before = mallinfo2().uordblks;
    b.Load(1000000, true);
    bound = mallinfo2().uordblks - before;
  }
  return bound > table ? static_cast<double>(bound - table) / 1e6 : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
  FanoUseHeadless();
  benchmark::Initialize(&argc, argv);
  benchmark::RegisterBenchmark("load_1e6_bound", LoadBound)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
  benchmark::RegisterBenchmark("load_1e6_table", LoadTable)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
  benchmark::RegisterBenchmark("paint_1e6", Paint1e6)->Unit(benchmark::kMicrosecond)->Repetitions(3);
  benchmark::RegisterBenchmark("paint_1e3", Paint1e3)->Unit(benchmark::kMicrosecond)->Repetitions(3);
  RatioRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  ReportPerRow();
  std::printf("memory the grid adds per row at 1e6 rows: %.3f bytes\n", GridBytesPerRow());
  recorder.PrintRatio("load_1e6_bound", "load_1e6_table", "load_1e6_bound", "table_alone");
  recorder.PrintRatio("paint_1e6", "paint_1e3", "paint_1e6", "paint_1e3");
  benchmark::Shutdown();
  return 0;
}

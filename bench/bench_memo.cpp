// The memo editor with long texts: the time of one typed key in the middle of a word-wrapped text
// of 1,000, 10,000 and 100,000 lines (each against the 1,000-line case: a key should cost about
// the same whatever the length), and filling a memo line by line with Lines.Add against assigning
// the same text at once. Headless, with the real fonts. Ends with "ratio <case> vs <peer>" lines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/ratio_report.h"
#include "platform/forms/forms.h"
#include "platform/forms/stdctrls.h"
#include "platform/os/winuser.h"

namespace {

// Lines of mixed Chinese and Latin text of varying length: some wrap in the memo, most do not.
std::string Line(int i) {
  static const char* words[] = {"费用", "advance", "垫付单", "line", "金额", "2026", "备注", "text"};
  std::string s;
  int n = 3 + (i * 7) % 11;
  for (int k = 0; k < n; ++k) {
    s += words[(i + k) % 8];
    s += ' ';
  }
  return s;
}

std::string Text(int lines) {
  std::string t;
  for (int i = 0; i < lines; ++i) {
    t += Line(i);
    t += "\r\n";
  }
  return t;
}

struct MemoForm {
  TForm* form;
  TMemo* memo;
  MemoForm() {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 640, 480);
    memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(8, 8, 600, 420);
    memo->SetScrollBars(ssVertical);
    form->Show();
    Application->ProcessMessages();
  }
  ~MemoForm() { form->Free(); }
};

void TypeKey(benchmark::State& st) {
  MemoForm f;
  const std::string text = Text(static_cast<int>(st.range(0)));
  f.memo->SetText(text);
  f.memo->SetFocus();
  HWND h = f.memo->Handle();
  WPARAM mid = static_cast<WPARAM>(text.size() / 2);
  SendMessage(h, EM_SETSEL, mid, static_cast<LPARAM>(mid));
  Application->ProcessMessages();
  int k = 0;
  for (auto _ : st) {
    // A key and the repaint it causes; every other key takes the last one back.
    SendMessage(h, WM_CHAR, (k++ & 1) ? VK_BACK : 'x', 0);
    Application->ProcessMessages();
  }
}

void AddLines(benchmark::State& st) {
  MemoForm f;
  const int n = static_cast<int>(st.range(0));
  std::vector<std::string> lines;
  for (int i = 0; i < n; ++i) lines.push_back(Line(i));
  for (auto _ : st) {
    f.memo->Lines()->Clear();
    for (const std::string& l : lines) f.memo->Lines()->Add(l);
    Application->ProcessMessages();
  }
}

void AddLinesInUpdate(benchmark::State& st) {
  MemoForm f;
  const int n = static_cast<int>(st.range(0));
  std::vector<std::string> lines;
  for (int i = 0; i < n; ++i) lines.push_back(Line(i));
  for (auto _ : st) {
    f.memo->Lines()->BeginUpdate();
    f.memo->Lines()->Clear();
    for (const std::string& l : lines) f.memo->Lines()->Add(l);
    f.memo->Lines()->EndUpdate();
    Application->ProcessMessages();
  }
}

void AssignText(benchmark::State& st) {
  MemoForm f;
  const std::string text = Text(static_cast<int>(st.range(0)));
  for (auto _ : st) {
    f.memo->Lines()->Clear();
    f.memo->Lines()->SetText(text);
    Application->ProcessMessages();
  }
}

}  // namespace

int main(int argc, char** argv) {
  FanoUseHeadless();
  benchmark::Initialize(&argc, argv);
  for (int n : {1000, 10000, 100000})
    benchmark::RegisterBenchmark(("memo_key_" + std::to_string(n)).c_str(), TypeKey)->Arg(n)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("memo_add_10000", AddLines)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(0.5);
  benchmark::RegisterBenchmark("memo_add_update_10000", AddLinesInUpdate)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(0.5);
  benchmark::RegisterBenchmark("memo_assign_10000", AssignText)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(0.5);
  RatioRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  std::printf("\n");
  recorder.PrintRatio("memo_key_10000", "memo_key_1000", "memo_key_1e4", "memo_key_1e3");
  recorder.PrintRatio("memo_key_100000", "memo_key_1000", "memo_key_1e5", "memo_key_1e3");
  recorder.PrintRatio("memo_add_10000", "memo_assign_10000", "memo_lines_add_1e4", "memo_assign_1e4");
  recorder.PrintRatio("memo_add_update_10000", "memo_assign_10000", "memo_lines_add_in_update_1e4", "memo_assign_1e4");
  benchmark::Shutdown();
  return 0;
}

// A bound grid with a sum footer driven by the input: every two bytes are one step (typing,
// moving, inserting, Esc, Ctrl+Del, post, cancel, delete, cached updates) and after each the
// table, the grid and the sum must agree with the model; a disagreement aborts.
#include <cstdio>
#include <cstdlib>

#include "../tests/grid/boundgrid_model.h"
#include "platform/os/clock.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    FanoUseHeadless();
    // The fixed test font: fontconfig's caches, made on first use inside an input, would read as
    // a leak of that input.
    FanoSetTestFont(TRUE);
    ClockSetSimulated(1);
    return true;
  }();
  (void)ready;
  // Long walks add little over many short ones and slow the search down.
  if (size > 4000) size = 4000;
  boundgrid::BoundGridWalk walk;
  try {
    walk.Check();
    for (size_t i = 0; i + 1 < size; i += 2) walk.Step(data[i], data[i + 1]);
  } catch (const boundgrid::Mismatch& m) {
    std::fprintf(stderr, "bound grid walk: %s\n", m.What.c_str());
    std::abort();
  }
  return 0;
}

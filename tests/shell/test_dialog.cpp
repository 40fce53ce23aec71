// A dialog library standing in for the host's: records each box and answers what the test asked.
// The test keeps the library loaded itself, so the state survives the module's load and unload.
#include <cstdint>
#include <string>
#include <vector>

#include "shell/hostapi.h"

namespace {
struct Box {
  HWND owner;
  std::string caption, text;
  int32_t flags;
};
std::vector<Box> boxes;
int32_t answer = 0;
}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t CvMessageBox(HWND owner, const char* caption,
                                                                      const char* text, int32_t flags) {
  boxes.push_back({owner, caption ? caption : "", text ? text : "", flags});
  return answer;
}

extern "C" __attribute__((visibility("default"))) void TestDialogSetAnswer(int32_t value) { answer = value; }

extern "C" __attribute__((visibility("default"))) int TestDialogBoxCount() { return static_cast<int>(boxes.size()); }

// Copies the last box's texts (zero-terminated, cut to the buffers) and answers its flags.
extern "C" __attribute__((visibility("default"))) int32_t TestDialogLastBox(char* caption, char* text, size_t size,
                                                                          HWND* owner) {
  if (boxes.empty() || size == 0) return -1;
  const Box& b = boxes.back();
  caption[b.caption.copy(caption, size - 1)] = '\0';
  text[b.text.copy(text, size - 1)] = '\0';
  *owner = b.owner;
  return b.flags;
}

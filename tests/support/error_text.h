#pragma once
// The message of the exception of type E that f raises, or "(no error)": lets a test state the
// exact text a user would see.
#include <string>

template <class E, class F>
std::string ErrorText(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "(no error)";
}

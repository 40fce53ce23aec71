#pragma once
// Helpers shared by the XML tests.
#include <exception>
#include <functional>
#include <string>

// The message of the exception `f` raises, or "(no exception)".
inline std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no exception)";
}

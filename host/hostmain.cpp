// fano_host: the stand-in host application. See host/README.md.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "host/hostapp.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  fanohost::HostOptions options;
  bool help = false;
  std::string error;
  if (!fanohost::ParseOptions(args, options, help, error)) {
    std::fprintf(stderr, "fano_host: %s\n\n%s", error.c_str(), fanohost::UsageText().c_str());
    return 3;
  }
  if (help) {
    std::printf("%s", fanohost::UsageText().c_str());
    return 0;
  }
  try {
    fanohost::HostApp app(options);
    return app.Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fano_host: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "fano_host: unexpected failure\n");
  }
  return 1;
}

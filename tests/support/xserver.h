#pragma once
// A virtual X server for the tests that run under one, started without xvfb-run: xvfb-run waits for
// the server's ready signal with a shell `wait`, and when the signal comes before that `wait`
// begins (a busy machine) it waits for the server to end, that is for ever. Here the server tells
// its display number on a pipe that is read with a bound, and every process is ended by its id.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace xserver {

inline bool Have(const char* tool) {
  return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

// A child process, ended by its id when the object goes: asked first, killed when it does not end.
struct Process {
  pid_t pid = -1;
  Process() = default;
  Process(const Process&) = delete;
  Process(Process&& other) noexcept : pid(other.pid) { other.pid = -1; }
  Process& operator=(Process&& other) noexcept {
    if (this != &other) {
      Stop();
      pid = other.pid;
      other.pid = -1;
    }
    return *this;
  }
  ~Process() { Stop(); }
  void Stop() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int code = 0;
    if (!WaitExit(5000, code)) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    pid = -1;
  }
  // Waits for the process to end by itself; false when it did not within the time.
  bool WaitExit(int ms, int& code) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid = -1;
        return true;
      }
      if (std::chrono::steady_clock::now() >= until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
};

// Starts a program on that display (none: the caller's), its input from /dev/null and its output
// to `outFd` or nowhere, so that it holds none of the test runner's pipes. It is ended with the
// test program too, however that ends.
inline Process Spawn(const std::vector<std::string>& argv, const std::string& display, int outFd = -1) {
  Process p;
  const pid_t parent = getpid();
  p.pid = fork();
  if (p.pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    unsetenv("FANO_HEADLESS");
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(outFd >= 0 ? outFd : null, 1);
    dup2(null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return p;
}

// Starts Xvfb with one screen ("WxHxD") on a display of its own; its display (":N"), or "" when no
// server told its display within the time (every server tried is then ended). The number is chosen
// per run, away from the low numbers from which every server started with "-displayfd" alone tries
// upwards, so that the servers of the test programs starting and ending beside it on a busy machine
// (several at a time, none writing a lock file) never take turns on one display; a number taken
// already makes the server end at once, and another one is tried. The server tells its number on a
// pipe once it accepts clients: that is the signal waited for.
inline std::string StartXvfb(Process& server, const std::string& screen, int ms = 30000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  static int tried = 0;
  for (int attempt = 0; attempt < 40 && std::chrono::steady_clock::now() < until; ++attempt) {
    const int number = 200 + (static_cast<int>(getpid()) * 13 + (tried++) * 37) % 1800;
    if (access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) == 0) continue;  // someone's
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return "";
    // The write end stays open in the server only: it must not leak into later children.
    server = Spawn({"Xvfb", ":" + std::to_string(number), "-displayfd", "1", "-screen", "0", screen, "-nolisten",
                    "tcp"},
                   "", fds[1]);
    close(fds[1]);
    std::string told;
    while (told.find('\n') == std::string::npos) {
      int left = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count());
      pollfd p{fds[0], POLLIN, 0};
      if (left <= 0 || poll(&p, 1, left) <= 0) break;
      char buf[16];
      ssize_t n = read(fds[0], buf, sizeof buf);
      if (n <= 0) break;  // ended without telling: the display is taken
      told.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (told == std::to_string(number) + "\n") return ":" + std::to_string(number);
    server.Stop();
  }
  return "";
}

// Runs a shell command on a virtual X server of its own, bounded in time; the command's status as
// std::system gives it, or -1 when the server did not start.
inline int RunUnderXvfb(const std::string& command, const std::string& screen, int seconds = 120) {
  Process server;
  std::string display = StartXvfb(server, screen);
  if (display.empty()) return -1;
  return std::system(("env -u FANO_HEADLESS DISPLAY=" + display + " timeout " + std::to_string(seconds) + " " + command)
                         .c_str());
}

// This test program again, running one test (a gtest filter) on a virtual X server of its own with
// one more environment setting ("NAME=VALUE"); -1 when the program or the server could not start.
inline int RunSelfUnderXvfb(const std::string& test, const std::string& env, const std::string& screen = "800x600x24") {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return -1;
  self[n] = 0;
  return RunUnderXvfb("env " + env + " '" + std::string(self) + "' --gtest_filter=" + test + " --gtest_brief=1 >&2", screen);
}

}  // namespace xserver

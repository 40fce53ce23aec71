#pragma once
// Whether the window manager on a server takes windows shown from now on. A manager names itself
// on the root (its check window) before it asks the server for the windows' map requests, and a
// window mapped in between is mapped without it and never taken: no frame, no title bar, not in
// its client list. A probe window is shown, and shown again each second until the manager lists
// it, then goes again. Header-only: the end-to-end snapshot tool and the window tests use it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <thread>

namespace wm_ready {

inline bool ManagerTakesAWindow(Display* dpy, std::chrono::steady_clock::time_point until) {
  const Window root = DefaultRootWindow(dpy);
  const Window probe = XCreateSimpleWindow(dpy, root, 0, 0, 40, 30, 0, 0, 0);
  const Atom clients = XInternAtom(dpy, "_NET_CLIENT_LIST", False);
  auto listed = [&] {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool in = false;
    if (XGetWindowProperty(dpy, root, clients, 0, 4096, False, XA_WINDOW, &type, &format, &items, &after, &data) ==
            Success &&
        data && format == 32)
      for (unsigned long i = 0; i < items && !in; ++i) in = reinterpret_cast<unsigned long*>(data)[i] == probe;
    if (data) XFree(data);
    return in;
  };
  // The server is asked again at short steps: nothing here to wake on but the manager's answer.
  auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(50)); };
  using Clock = std::chrono::steady_clock;
  bool taken = false;
  while (!taken && Clock::now() < until) {
    XMapWindow(dpy, probe);
    XSync(dpy, False);
    const auto retry = Clock::now() + std::chrono::seconds(1);
    while (!(taken = listed()) && Clock::now() < retry) pause();
    if (!taken) XUnmapWindow(dpy, probe);
  }
  XDestroyWindow(dpy, probe);
  XSync(dpy, False);
  while (taken && listed() && Clock::now() < until) pause();
  return taken && !listed();
}

}  // namespace wm_ready

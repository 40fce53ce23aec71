// Writes a PNG of an X server's root window (or of the window whose id is given): the snapshots of
// the end-to-end tests that drive the host under a virtual X server, as a person would see them.
//   fano_xshot OUT.png [WINDOW-ID]        (DISPLAY names the server)
//   fano_xshot --wm [SECONDS]             exit code 0 once a window manager runs on the server and
//                                         takes the windows shown, waiting up to SECONDS (4)
//   fano_xshot --dark WINDOW-ID X Y W H   prints how many pixels of the screen are dark (text) in
//                                         the rectangle given in the window's coordinates, whatever
//                                         window shows there (a drop-down above it included)
//   fano_xshot --bells                    prints "ready", then a line "bell" each time the server's
//                                         bell rings, until it is ended
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/wm_ready.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fano_xshot OUT.png [WINDOW-ID]\n");
    return 2;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fprintf(stderr, "fano_xshot: cannot open the display\n");
    return 1;
  }
  if (std::string(argv[1]) == "--wm") {
    // Waits, up to the seconds given (4 by default), for a manager that follows the desktop
    // conventions to name its check window on the root, then for it to take a window shown.
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 4;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    auto named = [&] {
      Atom check = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", True);
      Atom type = None;
      int format = 0;
      unsigned long items = 0, after = 0;
      unsigned char* data = nullptr;
      bool found = check != None &&
                   XGetWindowProperty(dpy, DefaultRootWindow(dpy), check, 0, 1, False, AnyPropertyType, &type, &format,
                                      &items, &after, &data) == Success &&
                   items > 0;
      if (data) XFree(data);
      return found;
    };
    bool found = named();
    while (!found && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      found = named();
    }
    const bool taken = found && wm_ready::ManagerTakesAWindow(dpy, until);
    XCloseDisplay(dpy);
    return taken ? 0 : 1;
  }
  if (std::string(argv[1]) == "--bells") {
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(dpy, &opcode, &event, &error, &major, &minor)) return 1;
    XkbSelectEvents(dpy, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(dpy, False);
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
      XEvent e;
      XNextEvent(dpy, &e);
      if (e.type == event && reinterpret_cast<XkbEvent*>(&e)->any.xkb_type == XkbBellNotify) {
        std::printf("bell\n");
        std::fflush(stdout);
      }
    }
  }
  if (std::string(argv[1]) == "--dark") {
    if (argc < 7) return 2;
    Window root = DefaultRootWindow(dpy);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(dpy, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)), root, std::atoi(argv[3]),
                          std::atoi(argv[4]), &x, &y, &child);
    const int w = std::atoi(argv[5]), h = std::atoi(argv[6]);
    XImage* img = w > 0 && h > 0 ? XGetImage(dpy, root, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                             AllPlanes, ZPixmap)
                                 : nullptr;
    if (!img) return 1;
    long dark = 0;
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) {
        unsigned long p = XGetPixel(img, i, j);
        if (((p & img->red_mask) >> 16) < 0x60 && ((p & img->green_mask) >> 8) < 0x60 && (p & img->blue_mask) < 0x60)
          ++dark;
      }
    std::printf("%ld\n", dark);
    XDestroyImage(img);
    XCloseDisplay(dpy);
    return 0;
  }
  Window win = argc > 2 ? static_cast<Window>(std::strtoul(argv[2], nullptr, 0)) : DefaultRootWindow(dpy);
  XWindowAttributes attr;
  if (!XGetWindowAttributes(dpy, win, &attr)) return 1;
  XImage* img = XGetImage(dpy, win, 0, 0, static_cast<unsigned>(attr.width), static_cast<unsigned>(attr.height),
                          AllPlanes, ZPixmap);
  if (!img) return 1;
  FILE* out = std::fopen(argv[1], "wb");
  if (!out) return 1;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) return 1;
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(attr.width), static_cast<png_uint_32>(attr.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<size_t>(attr.width) * 3);
  for (int y = 0; y < attr.height; ++y) {
    for (int x = 0; x < attr.width; ++x) {
      unsigned long p = XGetPixel(img, x, y);
      row[static_cast<size_t>(x) * 3] = static_cast<png_byte>((p & img->red_mask) >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>((p & img->green_mask) >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(p & img->blue_mask);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(out);
  XDestroyImage(img);
  XCloseDisplay(dpy);
  return 0;
}

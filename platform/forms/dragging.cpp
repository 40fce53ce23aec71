// The drag tracker: capture, the drag image in a window of its own that lets the mouse through,
// the XOR outline over the owner's form, and the drag cursor.
#include "platform/forms/dragging.h"

#include <algorithm>

#include "platform/forms/forms.h"
#include "platform/os/wingdi.h"

namespace {

constexpr char kImageClass[] = "FanoDragImage";

// The drag image: paints its bitmap, and is never hit by the mouse, so that what lies under the
// pointer can still be found as the drop target.
LRESULT ImageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      auto bm = reinterpret_cast<HBITMAP>(GetWindowLongPtr(h, GWLP_USERDATA));
      if (dc && bm) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bm);
        BITMAP info{};
        GetObjectA(bm, sizeof info, &info);
        BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
      }
      EndPaint(h, &ps);
      return 0;
    }
    default: return DefWindowProc(h, msg, wp, lp);
  }
}

void RegisterImageClass() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASS wc{};
  wc.lpfnWndProc = ImageProc;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kImageClass;
  RegisterClass(&wc);
}

// A copy of the caller's bitmap: the caller may free its own at once.
HBITMAP CopyOf(HBITMAP src, int* w, int* h) {
  BITMAP info{};
  if (!src || !GetObjectA(src, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return nullptr;
  *w = info.bmWidth;
  *h = info.bmHeight;
  HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
  HBITMAP copy = CreateBitmap(*w, *h, 1, 32, nullptr);
  HGDIOBJ oa = SelectObject(a, src), ob = SelectObject(b, copy);
  BitBlt(b, 0, 0, *w, *h, a, 0, 0, SRCCOPY);
  SelectObject(a, oa);
  SelectObject(b, ob);
  DeleteDC(a);
  DeleteDC(b);
  return copy;
}

}  // namespace

TDragTracker::~TDragTracker() {
  if (active_) End();
}

void TDragTracker::Start(TCursor cursor) {
  if (active_) End();
  active_ = true;
  cancelled_ = false;
  owner_->SetMouseCapture(true);
  if (Screen) {
    savedCursor_ = Screen->Cursor();
    Screen->SetCursor(cursor);
  }
}

void TDragTracker::BeginImage(HBITMAP image, const TPoint& hotSpot, const TPoint& screenPos, TCursor cursor) {
  Start(cursor);
  int w = 0, h = 0;
  image_ = CopyOf(image, &w, &h);
  if (!image_) return;
  RegisterImageClass();
  hotSpot_ = hotSpot;
  imageWnd_ = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT, kImageClass, "",
                             WS_POPUP, screenPos.X - hotSpot.X, screenPos.Y - hotSpot.Y, w, h, nullptr, nullptr,
                             nullptr, nullptr);
  if (!imageWnd_) return;
  SetWindowLongPtr(imageWnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(image_));
  ShowWindow(imageWnd_, SW_SHOWNOACTIVATE);
  UpdateWindow(imageWnd_);
}

void TDragTracker::BeginOutline(const TRect& screenRect, int thickness, TCursor cursor) {
  Start(cursor);
  thickness_ = std::max(1, thickness);
  outline_ = screenRect;
  outlineWnd_ = owner_->HandleAllocated() ? GetAncestor(owner_->Handle(), GA_ROOT) : nullptr;
  InvertOutline();
}

void TDragTracker::Move(const TPoint& screenPos) {
  if (!active_ || !imageWnd_) return;
  SetWindowPos(imageWnd_, HWND_TOPMOST, screenPos.X - hotSpot_.X, screenPos.Y - hotSpot_.Y, 0, 0,
               SWP_NOSIZE | SWP_NOACTIVATE);
  UpdateWindow(imageWnd_);
}

void TDragTracker::MoveOutline(const TRect& screenRect, HWND over) {
  if (!active_) return;
  if (!over && owner_->HandleAllocated()) over = GetAncestor(owner_->Handle(), GA_ROOT);
  if (screenRect == outline_ && outlineShown_ && over == outlineWnd_) return;
  if (outlineShown_) InvertOutline();  // take the old one away: XOR twice restores
  outline_ = screenRect;
  outlineWnd_ = over;
  InvertOutline();
}

void TDragTracker::HideOutline() {
  if (outlineShown_) InvertOutline();
}

// Inverts the outline's pixels on its window (the window's coordinates).
void TDragTracker::InvertOutline() {
  HWND top = outlineWnd_;
  RECT wr;
  if (!top || !IsWindow(top) || !GetWindowRect(top, &wr)) {
    outlineShown_ = false;
    return;
  }
  HDC dc = GetDCEx(top, nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
  if (!dc) return;
  const int l = outline_.Left - wr.left, t = outline_.Top - wr.top;
  const int w = outline_.Width(), h = outline_.Height(), th = std::min({thickness_, w / 2, h / 2});
  if (w > 0 && h > 0 && th > 0) {
    PatBlt(dc, l, t, w, th, DSTINVERT);
    PatBlt(dc, l, t + h - th, w, th, DSTINVERT);
    PatBlt(dc, l, t + th, th, h - 2 * th, DSTINVERT);
    PatBlt(dc, l + w - th, t + th, th, h - 2 * th, DSTINVERT);
  }
  ReleaseDC(top, dc);
  outlineShown_ = !outlineShown_;
}

void TDragTracker::End() {
  if (!active_) return;
  active_ = false;
  if (outlineShown_) InvertOutline();
  if (imageWnd_) {
    DestroyWindow(imageWnd_);
    imageWnd_ = nullptr;
  }
  if (image_) {
    DeleteObject(image_);
    image_ = nullptr;
  }
  if (Screen) Screen->SetCursor(savedCursor_);
  if (owner_->MouseCapture()) owner_->SetMouseCapture(false);
}

bool TDragTracker::HandleMessage(const TMessage& m) {
  if (!active_) return false;
  if ((m.Msg == WM_KEYDOWN && m.WParam == VK_ESCAPE) || m.Msg == WM_CANCELMODE ||
      (m.Msg == WM_CAPTURECHANGED && reinterpret_cast<HWND>(m.LParam) != owner_->WindowHandle())) {
    End();
    cancelled_ = true;
    return true;
  }
  return false;
}

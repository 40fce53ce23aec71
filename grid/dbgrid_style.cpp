// The style all grids share (which data cells are highlighted, in which colours), the unit's
// helper routines, and the unit's start-up: the indicator and sort-marker bitmaps and the three
// cursors are drawn here and registered as module resources, then loaded by name like any other.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "editors/gxwindows.h"
#include "grid/dbgrid.h"
#include "platform/forms/forms.h"
#include "platform/rtl/resources.h"
#include "platform/rtl/streams.h"

FANO_IMPLEMENT_CLASS(TDBGridGxStyle, TPersistent)
FANO_IMPLEMENT_CLASS(TDBGridGxCenter, TObject)

TShortCut DBGridGxInplaceSearchKey = 0;
TShortCut DBGridGxInplaceSearchNextKey = 0;
TShortCut DBGridGxInplaceSearchPriorKey = 0;
TShortCut DBGridGxSetValueFromPrevRecordKey = 0;
TShortCut DBGridGxFindDialogKey = 0;
int DBGridGxInplaceSearchTimeOut = 1500;
TColor DBGridGxInplaceSearchColor = static_cast<TColor>(0x00FFFF);
TColor DBGridGxInplaceSearchTextColor = static_cast<TColor>(0);
bool DBGridGxDisableDoubleBuffer = false;

namespace {

// Owned by the unit from InitDBGridUnit to DoneDBGridUnit. Plain pointers keep the state trivially
// destructible: it has no destructor of its own, so grids freed by the application's teardown at
// exit, which may come after the unit's statics are gone, still find it intact.
struct TUnitState {
  bool initialized = false;
  bool exiting = false;  // the program or module is ending: the last grid finishes the unit
  TDBGridGxStyle* style = nullptr;
  TDBGridGxCenter* center = nullptr;
  TImageList* indicators = nullptr;
  TImageList* sortMarkers = nullptr;
  TFont* sortIndexFont = nullptr;
  HCURSOR cursors[3] = {nullptr, nullptr, nullptr};
  TColCellParamsGx* cellParams = nullptr;
};
static_assert(std::is_trivially_destructible_v<TUnitState>);

TUnitState& Unit() {
  static TUnitState s;
  return s;
}

template <class T>
void FreeOwned(T*& p) {
  T* q = p;
  p = nullptr;
  delete q;
}

// Finishes the unit when the program or module ends, or, while grids still live then (the
// application frees its forms later), lets the last of them finish it.
struct TUnitFinalizer {
  ~TUnitFinalizer() {
    TUnitState& u = Unit();
    u.exiting = true;
    if (!u.center || u.center->GridCount() == 0) DoneDBGridUnit();
  }
};

// ---- the drawn resources

constexpr int kIndW = 9, kIndH = 11;    // indicator images: the inside of a raised 11-pixel column
constexpr int kSortW = 12, kSortH = 8;  // sort markers and the drop-down sign
constexpr TColor kWhite = static_cast<TColor>(0xFFFFFF);
constexpr TColor kBlack = static_cast<TColor>(0);
constexpr TColor kTeal = static_cast<TColor>(0x808000);
constexpr TColor kMagenta = static_cast<TColor>(0xFF00FF);
constexpr TColor kGray = static_cast<TColor>(0x808080);

std::vector<std::vector<unsigned char>>& ResourceStore() {
  static std::vector<std::vector<unsigned char>> store;
  return store;
}

void RegisterBlob(const char* name, std::vector<unsigned char> bytes) {
  auto& store = ResourceStore();
  store.push_back(std::move(bytes));
  RegisterResource(name, store.back().data(), store.back().size());
}

void RegisterBitmap(const char* name, int w, int h, TColor back, const std::function<void(TCanvas*)>& draw) {
  TBitmap bmp;
  bmp.SetSize(w, h);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(back);
  c->FillRect(TRect(0, 0, w, h));
  c->Pen()->SetColor(kBlack);
  c->Brush()->SetColor(kBlack);
  draw(c);
  TMemoryStream ms;
  bmp.SaveToStream(ms);
  std::vector<unsigned char> bytes(static_cast<size_t>(ms.Size()));
  std::memcpy(bytes.data(), ms.Memory(), bytes.size());
  RegisterBlob(name, std::move(bytes));
}

void Arrow(TCanvas* c, TColor color, int left = 2) {
  c->Pen()->SetColor(color);
  c->Brush()->SetColor(color);
  c->Polygon({TPoint(left, 1), TPoint(left + 5, 5), TPoint(left, 9)});
}

// A cursor resource: "FCUR", hot spot, size, then 32-bit pixels.
void RegisterCursor(const char* name, int hotX, int hotY, int w, int h, const std::function<bool(int, int)>& inside) {
  std::vector<unsigned char> bytes{'F', 'C', 'U', 'R', static_cast<unsigned char>(hotX), static_cast<unsigned char>(hotY),
                                   static_cast<unsigned char>(w), static_cast<unsigned char>(h)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool in = inside(x, y);
      const bool edge = in && (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1));
      const uint32_t px = !in ? 0u : edge ? 0xFFFFFFFFu : 0xFF000000u;
      for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<unsigned char>(px >> (8 * b)));
    }
  RegisterBlob(name, std::move(bytes));
}

HCURSOR LoadCursorResource(const char* name) {
  const TResourceBlob* blob = FindResourceBlob(name);
  if (!blob || blob->Size < 8 || std::memcmp(blob->Data, "FCUR", 4) != 0) return nullptr;
  const int hx = blob->Data[4], hy = blob->Data[5], w = blob->Data[6], h = blob->Data[7];
  if (blob->Size != 8 + static_cast<size_t>(w) * static_cast<size_t>(h) * 4) return nullptr;
  std::vector<uint32_t> px(static_cast<size_t>(w) * static_cast<size_t>(h));
  std::memcpy(px.data(), blob->Data + 8, px.size() * 4);
  return CreateCursorFromPixels(hx, hy, w, h, px.data());
}

void RegisterUnitResources() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterBitmap("DBGARROWGX", kIndW, kIndH, kWhite, [](TCanvas* c) { Arrow(c, kBlack); });
  RegisterBitmap("DBEDITGX", kIndW, kIndH, kWhite, [](TCanvas* c) {
    // a pencil: shaft, tip
    c->Polygon({TPoint(0, 8), TPoint(6, 2), TPoint(8, 4), TPoint(2, 10)});
    c->Pen()->SetColor(kWhite);
    c->MoveTo(2, 7);
    c->LineTo(6, 3);
  });
  RegisterBitmap("DBINSERTGX", kIndW, kIndH, kWhite, [](TCanvas* c) {
    c->MoveTo(4, 1);
    c->LineTo(4, 10);
    c->MoveTo(0, 5);
    c->LineTo(9, 5);
    c->MoveTo(1, 2);
    c->LineTo(8, 9);
    c->MoveTo(7, 2);
    c->LineTo(0, 9);
  });
  RegisterBitmap("DBMULTIDOTGX", kIndW, kIndH, kWhite, [](TCanvas* c) { c->Ellipse(2, 3, 7, 8); });
  RegisterBitmap("DBMULTIARROWGX", kIndW, kIndH, kWhite, [](TCanvas* c) {
    Arrow(c, kBlack, 3);
    c->Brush()->SetColor(kBlack);
    c->FillRect(TRect(0, 3, 2, 7));
  });
  RegisterBitmap("DBGARROWGXW", kIndW, kIndH, kTeal, [](TCanvas* c) { Arrow(c, kBlack); });
  RegisterBitmap("DBSMDOWNGX", kSortW, kSortH, kMagenta, [](TCanvas* c) {
    c->Pen()->SetColor(kGray);
    c->Brush()->SetColor(kGray);
    c->Polygon({TPoint(2, 1), TPoint(9, 1), TPoint(5, 6)});
  });
  RegisterBitmap("DBSMUPGX", kSortW, kSortH, kMagenta, [](TCanvas* c) {
    c->Pen()->SetColor(kGray);
    c->Brush()->SetColor(kGray);
    c->Polygon({TPoint(5, 1), TPoint(9, 6), TPoint(2, 6)});
  });
  RegisterBitmap("DROPDOWNGX", kSortW, kSortH, kWhite, [](TCanvas* c) {
    for (int r = 0; r < 4; ++r) {
      c->MoveTo(2 + r, 2 + r);
      c->LineTo(10 - r, 2 + r);
    }
  });
  RegisterCursor("DOWNCURGX", 7, 14, 16, 16, [](int x, int y) {
    if (x < 0 || y < 0 || x >= 16 || y >= 16) return false;
    if (y < 8) return x >= 5 && x <= 9;
    return std::abs(x - 7) <= 14 - y;
  });
  RegisterCursor("RIGHTCURGX", 14, 7, 16, 16, [](int x, int y) {
    if (x < 0 || y < 0 || x >= 16 || y >= 16) return false;
    if (x < 8) return y >= 5 && y <= 9;
    return std::abs(y - 7) <= 14 - x;
  });
  RegisterCursor("LEFTCURGX", 1, 7, 16, 16, [](int x, int y) {
    if (x < 0 || y < 0 || x >= 16 || y >= 16) return false;
    if (x > 7) return y >= 5 && y <= 9;
    return std::abs(y - 7) <= x - 1 + 1;
  });
}

void AddBitmap(TImageList* list, const char* name, TColor mask) {
  TBitmap bmp;
  BitmapLoadFromResourceName(&bmp, nullptr, name);
  list->AddMasked(&bmp, mask);
}

void CreateGridImageLists() {
  TUnitState& u = Unit();
  TBitmap probe;
  BitmapLoadFromResourceName(&probe, nullptr, "DBGARROWGX");
  u.indicators = new TImageList(nullptr, probe.Width(), probe.Height());
  AddBitmap(u.indicators, "DBGARROWGX", kWhite);
  AddBitmap(u.indicators, "DBEDITGX", kWhite);
  AddBitmap(u.indicators, "DBINSERTGX", kWhite);
  AddBitmap(u.indicators, "DBMULTIDOTGX", kWhite);
  AddBitmap(u.indicators, "DBMULTIARROWGX", kWhite);
  AddBitmap(u.indicators, "DBGARROWGXW", kTeal);
  RebuildSearchArrowImage();
  TBitmap sm;
  BitmapLoadFromResourceName(&sm, nullptr, "DBSMDOWNGX");
  u.sortMarkers = new TImageList(nullptr, sm.Width(), sm.Height());
  AddBitmap(u.sortMarkers, "DBSMDOWNGX", kMagenta);
  AddBitmap(u.sortMarkers, "DBSMUPGX", kMagenta);
  AddBitmap(u.sortMarkers, "DROPDOWNGX", kWhite);
}

int hourGlassDepth = 0;
TCursor savedCursor = crDefault;

}  // namespace

// ---------------------------------------------------------------- start-up and shut-down

void InitDBGridUnit() {
  TUnitState& u = Unit();
  if (u.initialized) return;
  RegisterUnitResources();
  u.style = new TDBGridGxStyle();
  u.center = new TDBGridGxCenter();
  {
    TBitmap bmp;
    BitmapLoadFromResourceName(&bmp, nullptr, "DBSMDOWNGX");
    u.sortIndexFont = new TFont();
    u.sortIndexFont->SetHeight(1 - bmp.Height());
    u.sortIndexFont->SetName("Arial");
  }
  const char* names[3] = {"DOWNCURGX", "RIGHTCURGX", "LEFTCURGX"};
  for (int i = 0; i < 3; ++i) {
    u.cursors[i] = LoadCursorResource(names[i]);
    if (!u.cursors[i]) {
      for (int j = 0; j < i; ++j) DestroyCursor(u.cursors[j]), u.cursors[j] = nullptr;
      delete u.style;
      u.style = nullptr;
      delete u.center;
      u.center = nullptr;
      FreeOwned(u.sortIndexFont);
      throw EOutOfResources("Cannot load cursor resource");
    }
  }
  DBGridGxInplaceSearchKey = ShortCut('F', TShiftState{ssCtrl});
  DBGridGxInplaceSearchNextKey = ShortCut(VK_RETURN, TShiftState{ssCtrl});
  DBGridGxInplaceSearchPriorKey = ShortCut(VK_RETURN, TShiftState{ssCtrl, ssShift});
  DBGridGxSetValueFromPrevRecordKey = ShortCut(222, TShiftState{ssCtrl});
  DBGridGxFindDialogKey = ShortCut('F', TShiftState{ssCtrl});
  DBGridGxInplaceSearchTimeOut = 1500;
  DBGridGxInplaceSearchColor = static_cast<TColor>(0x00FFFF);
  DBGridGxInplaceSearchTextColor = static_cast<TColor>(0);
  CreateGridImageLists();
  u.cellParams = new TColCellParamsGx();
  u.initialized = true;
  static TUnitFinalizer finalizer;
}

void DoneDBGridUnit() {
  TUnitState& u = Unit();
  if (!u.initialized) return;
  for (HCURSOR& c : u.cursors) {
    if (c) DestroyCursor(c);
    c = nullptr;
  }
  FreeOwned(u.indicators);
  FreeOwned(u.sortMarkers);
  FreeOwned(u.sortIndexFont);
  delete u.style;  // the destructor clears the default pointer
  FreeOwned(u.center);
  FreeOwned(u.cellParams);
  u.initialized = false;
}

void RebuildSearchArrowImage() {
  TUnitState& u = Unit();
  if (!u.indicators) return;
  TBitmap src;
  BitmapLoadFromResourceName(&src, nullptr, "DBGARROWGXW");
  const TColor back = DBGridGxInplaceSearchColor == kTeal ? static_cast<TColor>(0x7F7F00) : DBGridGxInplaceSearchColor;
  // The arrow drawn on the search colour; teal stays the mask.
  TBitmap out;
  out.SetSize(src.Width(), src.Height());
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x) {
      const TColor p = src.Canvas()->Pixels(x, y);
      out.Canvas()->SetPixels(x, y, (ColorToRGB(p) == ColorToRGB(kTeal) || ColorToRGB(p) == 0xFFFFFF) ? back : p);
    }
  if (u.indicators->Count() == 7) u.indicators->Delete(6);
  u.indicators->AddMasked(&out, kTeal);
}

TDBGridGxStyle* GetDefaultGridStyle() { return Unit().style; }
TDBGridGxCenter* GetGridCenter() { return Unit().center; }

void ForgetGridCenter(TDBGridGxCenter* center) {
  if (Unit().center == center) Unit().center = nullptr;
}
TCustomImageList* DBGridIndicatorImages() { return Unit().indicators; }
TCustomImageList* DBGridSortMarkerImages() { return Unit().sortMarkers; }
HCURSOR DBGridCursor(int kind) { return kind >= 0 && kind < 3 ? Unit().cursors[kind] : nullptr; }
TFont* DBGridSortIndexFont() { return Unit().sortIndexFont; }

void GridUnitGridGone() {
  TUnitState& u = Unit();
  if (u.exiting && u.initialized && (!u.center || u.center->GridCount() == 0)) DoneDBGridUnit();
}

// ---------------------------------------------------------------- helpers

void DBGridBeginHourGlass() {
  if (hourGlassDepth == 0 && Screen) {
    savedCursor = Screen->Cursor();
    Screen->SetCursor(crHourGlass);
  }
  ++hourGlassDepth;
}

void DBGridEndHourGlass() {
  if (hourGlassDepth == 0) return;
  if (--hourGlassDepth == 0 && Screen) Screen->SetCursor(savedCursor);
}

int DBGridHourGlassDepth() { return hourGlassDepth; }

void SaveFontInfo(TFont* font, TFontInfoGx& info) {
  info.Height = font->Height();
  info.Pitch = font->Pitch();
  info.Style = font->Style();
  info.Charset = font->Charset();
  info.Name = font->Name();
  info.Color = font->Color();
}

void RestoreFontInfo(TFont* font, const TFontInfoGx& info) {
  if (font->Height() != info.Height) font->SetHeight(info.Height);
  if (font->Pitch() != info.Pitch) font->SetPitch(info.Pitch);
  if (!(font->Style() == info.Style)) font->SetStyle(info.Style);
  if (font->Charset() != info.Charset) font->SetCharset(info.Charset);
  if (font->Name() != info.Name) font->SetName(info.Name);
  if (font->Color() != info.Color) font->SetColor(info.Color);
}

void SetScaledMapping(TCanvas* canvas, bool mirrored, int width, int height) {
  HDC dc = canvas->Handle();
  SetMapMode(dc, MM_ANISOTROPIC);
  SetViewportExtEx(dc, width, height, nullptr);
  if (mirrored) {
    SetWindowOrgEx(dc, width, 0, nullptr);
    SetWindowExtEx(dc, -width, height, nullptr);
  } else {
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, width, height, nullptr);
  }
}

void KillMessage(HWND wnd, UINT msg) {
  MSG m{};
  if (PeekMessage(&m, wnd, msg, msg, PM_REMOVE) && m.message == WM_QUIT) PostQuitMessage(static_cast<int>(m.wParam));
}

int FieldValueAsInt32(TField* field, int defaultValue) {
  if (!field || field->IsNull()) return defaultValue;
  const double v = field->AsFloat();
  if (std::floor(v) != v || v < -2147483648.0 || v > 2147483647.0) return defaultValue;
  return static_cast<int>(v);
}

bool AllItemsSatisfy(const std::vector<TField*>& fields) {
  return std::all_of(fields.begin(), fields.end(), [](TField* f) { return f && f->CanModify(); });
}

void RaiseGridError(const std::string& message) { throw EInvalidGridOperationGx(message); }

std::string VarToQuotedList(const Variant& value) {
  if (!value.IsArray()) return value.IsNull() ? std::string() : value.AsString();
  std::string out;
  for (int i = value.ArrayLowBound(); i <= value.ArrayHighBound(); ++i) {
    if (!out.empty()) out += ",";
    const Variant& e = value.GetElement(i);
    out += "'" + (e.IsNull() ? std::string() : e.AsString()) + "'";
  }
  return out;
}

void MirrorRect(TRect& rect, int width) {
  const int l = width - rect.Right;
  const int r = width - rect.Left;
  rect.Left = l;
  rect.Right = r;
}

int TextWidthEx(TCanvas* canvas, std::string_view text) {
  RECT r{0, 0, 0, 0};
  DrawTextA(canvas->Handle(), text.data(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  return r.right - r.left;
}

bool TextExceedsRect(TCanvas* canvas, std::string_view text, const TRect& rect, bool wordWrap, int margin,
                     int bottomMargin, int& textWidth, int& textHeight) {
  const int avail = std::max(1, rect.Width() - 2 - margin);
  RECT r{0, 0, avail, 0};
  UINT flags = DT_CALCRECT | DT_NOPREFIX;
  if (wordWrap) flags |= DT_WORDBREAK;
  DrawTextA(canvas->Handle(), text.data(), static_cast<int>(text.size()), &r, flags);
  textWidth = r.right - r.left;
  textHeight = r.bottom - r.top;
  return textWidth > avail || textHeight > rect.Height() - bottomMargin + 1;
}

// ---------------------------------------------------------------- TDBGridGxStyle

TDBGridGxStyle::TDBGridGxStyle() {
  ReadScreenColors();
  WNDCLASS wc{};
  // Window classes are shared by every copy of this code in the process: a class left by a
  // module that has since been unloaded would run that module's procedure, so it is replaced.
  const bool known = GetClassInfo(FormsInstance(), "TDBGridGxStyle", &wc);
  if (known && wc.lpfnWndProc != &StyleWndProc) UnregisterClass("TDBGridGxStyle", FormsInstance());
  if (!GetClassInfo(FormsInstance(), "TDBGridGxStyle", &wc)) {
    wc = WNDCLASS{};
    wc.lpfnWndProc = &StyleWndProc;
    wc.hInstance = FormsInstance();
    wc.lpszClassName = "TDBGridGxStyle";
    RegisterClass(&wc);
  }
  // Top-level and hidden: the colour change is told to top-level windows only.
  wnd_ = CreateWindowEx(0, "TDBGridGxStyle", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, FormsInstance(), nullptr);
  if (wnd_) SetWindowLongPtr(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT TDBGridGxStyle::StyleWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SYSCOLORCHANGE) {
    if (auto* style = reinterpret_cast<TDBGridGxStyle*>(GetWindowLongPtr(wnd, GWLP_USERDATA))) style->ReadScreenColors();
    return 0;
  }
  return DefWindowProc(wnd, msg, wp, lp);
}

TDBGridGxStyle::~TDBGridGxStyle() {
  if (wnd_) {
    SetWindowLongPtr(wnd_, GWLP_USERDATA, 0);
    DestroyWindow(wnd_);
    wnd_ = nullptr;
  }
  // Nothing of this copy's code may stay behind in the shared class list (the module unloads).
  UnregisterClass("TDBGridGxStyle", FormsInstance());
  // Its grids are left without a style (they paint by their own colour rules then).
  if (Unit().style == this) Unit().style = nullptr;
  while (!grids_.empty()) {
    TCustomDBGridGx* g = grids_.back();
    grids_.pop_back();
    g->DetachStyle();
  }
}

void TDBGridGxStyle::ReadScreenColors() {
  HDC dc = GetDC(nullptr);
  numColors_ = GetDeviceCaps(dc, NUMCOLORS);
  ReleaseDC(nullptr, dc);
}

void TDBGridGxStyle::AddGrid(TCustomDBGridGx* grid) {
  if (std::find(grids_.begin(), grids_.end(), grid) == grids_.end()) grids_.push_back(grid);
}

void TDBGridGxStyle::RemoveGrid(TCustomDBGridGx* grid) {
  grids_.erase(std::remove(grids_.begin(), grids_.end(), grid), grids_.end());
}

TColor TDBGridGxStyle::Blend(TColor c1, TColor c2, bool dark) {
  const COLORREF a = ColorToRGB(c1), b = ColorToRGB(c2);
  auto channel = [&](int shift) {
    const double x1 = (a >> shift) & 0xFF, x2 = (b >> shift) & 0xFF;
    double m = (x2 - x1) * 0.5 + x1;
    m = (225 - m) * 0.6 + m;
    if (dark) m = m - (122 - m) * 0.25;
    const long v = std::lround(m);
    return static_cast<COLORREF>(std::clamp<long>(v, 0, 255));
  };
  return static_cast<TColor>(channel(0) | (channel(8) << 8) | (channel(16) << 16));
}

namespace {
TColor Nearest(TColor c) {
  HDC dc = GetDC(nullptr);
  const COLORREF n = GetNearestColor(dc, ColorToRGB(c));
  ReleaseDC(nullptr, dc);
  return static_cast<TColor>(n);
}
}  // namespace

bool TDBGridGxStyle::GetDataCellColors(TCustomDBGridGx* grid, int col, TFont* font, TColor& background,
                                       TGridDrawState state, int dataRow, int dataCol, int row) {
  (void)dataRow;
  (void)dataCol;
  const TDBGridOptions opts = grid->DBOptions();
  const bool rowSelect = opts.Contains(dgRowSelect);
  const bool focused = grid->GridFocused();
  const bool focusRule = focused && grid->OptionsGx().Contains(dghHighlightFocus);
  const bool currentRow = grid->IsCurrentRecordRow(row);
  const bool focusedCell = currentRow && (rowSelect || col == grid->Col());
  bool highlighted = false;
  bool selected = state.Contains(gdSelected);
  bool focusOk = opts.Contains(dgAlwaysShowSelection) || focusRule;
  if (grid->OptionsGx().Contains(dghRowHighlight) && grid->Selection()->SelectionType() == gstNon && currentRow &&
      col != grid->Col()) {
    selected = true;
    focusOk = true;
  }
  if (grid->DataLink()->Active() && grid->SelectedRows()->Count() > 0 && !grid->RowBookmark(row).empty() &&
      grid->SelectedRows()->IndexOf(grid->RowBookmark(row)) >= 0) {
    highlighted = true;
  } else if ((selected || (currentRow && rowSelect)) && focusOk && (!grid->DesignOrUpdating() || rowSelect)) {
    highlighted = true;
  }
  if (!highlighted) return false;
  if (focused) {
    if (blend_ && ManyColors() && !focusedCell) {
      background = Nearest(Blend(background, clHighlight, true));
    } else {
      background = clHighlight;
      if (font) font->SetColor(clHighlightText);
    }
  } else if (focusedCell && (opts.Contains(dgAlwaysShowSelection) || focusRule)) {
    background = clBtnShadow;
    if (font) font->SetColor(clHighlightText);
  } else {
    background = ManyColors() ? Nearest(Blend(background, clBtnShadow, false)) : clBtnFace;
  }
  return true;
}

bool TDBGridGxStyle::GetFixedCellColors(TCustomDBGridGx* grid, int col, TFont* font, TColor& background,
                                        bool selected, bool down, int cellArea) {
  (void)col;
  (void)down;
  if (!selected) return false;
  const int columnKind = cellArea & 0xFF;
  const int area = (cellArea >> 8) & 0xFF;
  const bool dark = (columnKind == 0 && area != 3) || (columnKind != 0 && area < 2) ||
                    (columnKind != 0 && area == caFooter && grid->FooterColor() == grid->FixedColor());
  if (dark) {
    background = static_cast<TColor>(0x404040);
    if (font) font->SetColor(kWhite);
    return true;
  }
  if (!grid->GridFocused()) {
    background = ManyColors() ? Nearest(Blend(background, clBtnShadow, false)) : clBtnFace;
  } else if (blend_ && ManyColors()) {
    background = Nearest(Blend(background, clHighlight, true));
  } else {
    background = clHighlight;
    if (font) font->SetColor(clHighlightText);
  }
  return true;
}

// Graphic fields in the data grid: the picture stored in the field, fitted into its cell, and the
// row height it asks for when rows fit their contents.
#include <algorithm>

#include "grid/celltext.h"
#include "grid/dbgrid.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

bool LoadFieldPicture(TField* field, TPicture& picture) {
  picture.Assign(nullptr);
  if (!field || field->IsNull()) return false;
  TStringStream stream(field->AsString());
  if (stream.Size() == 0) return false;
  try {
    picture.LoadFromStream(stream);
  } catch (const Exception&) {
    // Bytes of no known picture kind (or damaged ones) leave the cell empty rather than
    // breaking the paint.
    picture.Assign(nullptr);
    return false;
  }
  return picture.Graphic() && !picture.Graphic()->Empty();
}

TRect GraphicCellRect(int width, int height, const TRect& cell) {
  const int cw = std::max(0, cell.Width()), ch = std::max(0, cell.Height());
  int w = width, h = height;
  if ((w > cw || h > ch) && cw > 0 && ch > 0) {
    const double ratio = std::max(static_cast<double>(w) / cw, static_cast<double>(h) / ch);
    w = static_cast<int>(Round(w / ratio));
    h = static_cast<int>(Round(h / ratio));
  } else if (cw <= 0 || ch <= 0) {
    w = h = 0;
  }
  const int left = cell.Left + (cw - w) / 2, top = cell.Top + (ch - h) / 2;
  return TRect(left, top, left + w, top + h);
}

int GraphicRowHeight(int width, int height, int columnWidth) {
  if (width > columnWidth && columnWidth > 0)
    return static_cast<int>(Round(height / (static_cast<double>(width) / columnWidth)));
  return height;
}

void TCustomDBGridGx::DrawGraphicCell(TCanvas* canvas, const TRect& rect, TColumnGx* column, const std::string& text,
                                      int dx, int dy) {
  if (!DrawGraphicData()) {
    WriteTextGx(canvas, rect, true, dx, dy, text, taCenter, tlCenter, false, false, 0, 0, false);
    return;
  }
  canvas->FillRect(rect);
  TPicture picture;
  if (!LoadFieldPicture(column->Field(), picture)) return;
  canvas->StretchDraw(GraphicCellRect(picture.Width(), picture.Height(), rect), picture.Graphic());
}

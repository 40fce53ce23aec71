// Property-storage interceptors and their registry.
#include "grid/propstorage.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "grid/dbgrid.h"
#include "platform/classes/published.h"
#include "platform/forms/forms.h"
#include "platform/os/winuser.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

// Made by class with the target as the one argument.
FANO_IMPLEMENT_CLASS_OWNED(TStoragePropertyInterceptor, TPersistent, TObject)
FANO_IMPLEMENT_CLASS_OWNED(TFormStoragePropertyInterceptor, TStoragePropertyInterceptor, TObject)
FANO_IMPLEMENT_CLASS_OWNED(TColumnGxPropertyInterceptor, TStoragePropertyInterceptor, TObject)
FANO_IMPLEMENT_CLASS_OWNED(TColumnsGxPropertyInterceptor, TStoragePropertyInterceptor, TObject)

// What can be read is written; the rest is there to be loaded only.
FANO_PUBLISHED(TFormStoragePropertyInterceptor, p) {
  using T = TFormStoragePropertyInterceptor;
  p.Property("ActiveControl", &T::ActiveControl, &T::SetActiveControl).Stored(false);
  p.Property("Height", &T::Height, &T::SetHeight).NoDefault();
  p.Property("Left", &T::Left, &T::SetLeft).NoDefault();
  p.Property("PixelsPerInch", &T::PixelsPerInch, &T::SetPixelsPerInch).Stored(false);
  p.Property("Top", &T::Top, &T::SetTop).NoDefault();
  p.Property("Width", &T::Width, &T::SetWidth).NoDefault();
  p.Property("WindowState", &T::WindowState, &T::SetWindowState).Stored(false);
}

FANO_PUBLISHED(TColumnGxPropertyInterceptor, p) {
  p.Property("Width", &TColumnGxPropertyInterceptor::Width, &TColumnGxPropertyInterceptor::SetWidth).Stored(false);
}

FANO_PUBLISHED(TColumnsGxPropertyInterceptor, p) {
  p.Property("ColumnsIndex", &TColumnsGxPropertyInterceptor::ColumnsIndex,
             &TColumnsGxPropertyInterceptor::SetColumnsIndex)
      .NoDefault();
}

namespace {

std::vector<std::pair<TClass, TClass>>& Registry() {
  static std::vector<std::pair<TClass, TClass>> pairs;
  return pairs;
}

// The form's own and the grid's column interceptors are there from the start.
[[maybe_unused]] const bool registered = [] {
  RegisterPropertyInterceptor(TCustomForm::StaticClass(), TFormStoragePropertyInterceptor::StaticClass());
  RegisterPropertyInterceptor(TColumnGx::StaticClass(), TColumnGxPropertyInterceptor::StaticClass());
  RegisterPropertyInterceptor(TDBGridColumnsGx::StaticClass(), TColumnsGxPropertyInterceptor::StaticClass());
  return true;
}();

}  // namespace

void RegisterPropertyInterceptor(TClass targetClass, TClass interceptorClass) {
  auto& pairs = Registry();
  pairs.erase(std::remove_if(pairs.begin(), pairs.end(), [&](const auto& p) { return p.first == targetClass; }),
              pairs.end());
  pairs.emplace_back(targetClass, interceptorClass);
}

void UnregisterPropertyInterceptor(TClass targetClass, TClass interceptorClass) {
  auto& pairs = Registry();
  pairs.erase(std::remove(pairs.begin(), pairs.end(), std::make_pair(targetClass, interceptorClass)), pairs.end());
}

TClass RegisteredPropertyInterceptor(TClass targetClass) {
  for (const auto& p : Registry())
    if (p.first == targetClass) return p.second;
  return nullptr;
}

// ---------------------------------------------------------------- form

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(TObject* target)
    : TStoragePropertyInterceptor(target) {
  auto* form = dynamic_cast<TCustomForm*>(target);
  if (!form) return;
  RECT r{form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()};
  if (form->WindowState() != wsNormal && form->HandleAllocated()) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    if (GetWindowPlacement(form->Handle(), &wp)) r = wp.rcNormalPosition;
  }
  left_ = r.left;
  top_ = r.top;
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
  pixelsPerInch_ = form->PixelsPerInch();
  windowState_ = form->WindowState();
  activeControl_ = form->ActiveControl();
}

void TFormStoragePropertyInterceptor::AfterLoad() {
  auto* form = dynamic_cast<TCustomForm*>(Target());
  if (!form) return;
  // A density of 0 (never stored, or damaged) leaves the bounds as stored.
  if (pixelsPerInch_ > 0) {
    const int screen = Screen ? Screen->PixelsPerInch() : 96;
    width_ = MulDiv(width_, screen, pixelsPerInch_);
    height_ = MulDiv(height_, screen, pixelsPerInch_);
    left_ = MulDiv(left_, screen, pixelsPerInch_);
    top_ = MulDiv(top_, screen, pixelsPerInch_);
  }
  form->SetWindowState(static_cast<TWindowState>(std::clamp(static_cast<int>(windowState_), 0, 2)));
  if (activeControl_) form->SetActiveControl(activeControl_);
  if (form->WindowState() != wsNormal) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    GetWindowPlacement(form->Handle(), &wp);
    wp.rcNormalPosition = RECT{left_, top_, left_ + width_, top_ + height_};
    SetWindowPlacement(form->Handle(), &wp);
  } else {
    form->SetBounds(left_, top_, width_, height_);
  }
  if ((form->Position() == poScreenCenter || form->Position() == poDesktopCenter) &&
      !form->ComponentState().Contains(csDesigning) && positionSet_)
    form->SetPosition(poDesigned);
}

// ---------------------------------------------------------------- columns

void TColumnGxPropertyInterceptor::SetWidth(int value) {
  width_ = value;
  auto* column = dynamic_cast<TColumnGx*>(Target());
  if (!column) return;
  TCustomDBGridGx* grid = column->Grid();
  if (grid && grid->AutoFitColWidths()) column->SetAutoFitBaseWidth(value);
  else column->SetWidth(value);
}

std::string TColumnsGxPropertyInterceptor::ColumnsIndex() const {
  auto* columns = dynamic_cast<TDBGridColumnsGx*>(Target());
  std::string text;
  if (!columns) return text;
  for (int i = 0; i < columns->Count(); ++i) {
    if (i) text += ",";
    text += AnsiQuotedStr(columns->Items(i)->FieldName(), '"');
  }
  return text;
}

void TColumnsGxPropertyInterceptor::SetColumnsIndex(const std::string& value) {
  columnsIndex_ = value;
  auto* columns = dynamic_cast<TDBGridColumnsGx*>(Target());
  if (!columns) return;
  TStringList names;
  names.SetCommaText(value);
  columns->BeginUpdate();
  try {
    for (int i = 0; i < names.Count(); ++i) {
      for (int c = 0; c < columns->Count(); ++c) {
        TColumnGx* column = columns->Items(c);
        if (column->FieldName() != names.Strings(i)) continue;
        // More names than columns: the column goes to the end.
        column->SetIndex(std::min(i, columns->Count() - 1));
        break;
      }
    }
  } catch (...) {
    columns->EndUpdate();
    throw;
  }
  columns->EndUpdate();
}

// Column titles, the column defaults and the multi-level title tree built from "|"-separated
// captions.
#include <algorithm>

#include "grid/dbgrid.h"

FANO_IMPLEMENT_CLASS_WITH(TColumnTitleGx, TPersistent, nullptr)
FANO_IMPLEMENT_CLASS_WITH(TColumnTitleDefValuesGx, TPersistent, nullptr)
FANO_IMPLEMENT_CLASS(TColumnFooterDefValuesGx, TPersistent)
FANO_IMPLEMENT_CLASS_WITH(TColumnDefValuesGx, TPersistent, nullptr)
FANO_IMPLEMENT_CLASS_WITH(TDBGridGxColumnDefValuesGx, TColumnDefValuesGx, nullptr)

// ---------------------------------------------------------------- words

namespace {
constexpr char kWordDelim = '|';
}

// UTF-8 never carries the delimiter byte inside a character, so a byte scan is safe for Chinese.
int DBGridWordPosition(int n, std::string_view s) {
  int count = 0;
  size_t i = 0;
  while (i < s.size() && count != n) {
    while (i < s.size() && s[i] == kWordDelim) ++i;
    if (i < s.size()) ++count;
    if (count != n) {
      while (i < s.size() && s[i] != kWordDelim) ++i;
    } else {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

std::string DBGridExtractWord(int n, std::string_view s) {
  const int pos = DBGridWordPosition(n, s);
  if (pos == 0) return {};
  size_t i = static_cast<size_t>(pos - 1);
  size_t j = i;
  while (j < s.size() && s[j] != kWordDelim) ++j;
  return std::string(s.substr(i, j - i));
}

// ---------------------------------------------------------------- THeadTreeNode

THeadTreeNode::THeadTreeNode() = default;

THeadTreeNode::THeadTreeNode(const std::string& text, int height, int width)
    : Height(height), Text(text), Width(width) {}

THeadTreeNode::~THeadTreeNode() {
  if (!Host) FreeAllChild();
}

void THeadTreeNode::FreeAllChild() {
  THeadTreeNode* first = Child;
  if (!first) return;
  Child = nullptr;
  THeadTreeNode* n = first;
  do {
    THeadTreeNode* next = n->Next;
    n->FreeAllChild();
    n->Host = nullptr;  // freed by us, not as a root
    n->Child = nullptr;
    delete n;
    n = next;
  } while (n != first);
}

bool THeadTreeNode::FindNode(const THeadTreeNode* node) const {
  const THeadTreeNode* n = this;
  do {
    if (n == node) return true;
    if (n->Child && n->Child->FindNode(node)) return true;
    n = n->Next;
  } while (n != this);
  return false;
}

int THeadTreeNode::GetLevel() const {
  int level = 0;
  for (const THeadTreeNode* h = Host; h; h = h->Host) ++level;
  return level;
}

THeadTreeNode* THeadTreeNode::AddChild(THeadTreeNode* node, const std::string& text, int height, int width) {
  if (!FindNode(node)) throw Exception("Node not in Tree");
  auto* n = new THeadTreeNode(text, height, width);
  n->Host = node;
  if (!node->Child) {
    node->Child = n;
  } else {
    THeadTreeNode* last = node->Child;
    while (last->Next != node->Child) last = last->Next;
    last->Next = n;
    n->Next = node->Child;
  }
  return n;
}

THeadTreeNode* THeadTreeNode::InsertAfter(THeadTreeNode* after, const std::string& text, int height, int width) {
  if (!FindNode(after)) throw Exception("Node not in Tree");
  auto* n = new THeadTreeNode(text, height, width);
  n->Host = after->Host;
  n->Next = after->Next;
  after->Next = n;
  return n;
}

THeadTreeNode* THeadTreeNode::Union(THeadTreeNode* from, THeadTreeNode* to, const std::string& text, int height) {
  if (!FindNode(from)) throw Exception("Node not in Tree");
  THeadTreeNode* host = from->Host;
  THeadTreeNode* first = host ? host->Child : from;
  // `to` must come after `from` before the ring wraps to the host's first child.
  bool found = false;
  for (THeadTreeNode* n = from;;) {
    if (n == to) {
      found = true;
      break;
    }
    n = n->Next;
    if (n == first) break;
  }
  if (!found) throw Exception("ATo not in level");
  auto* u = new THeadTreeNode(text, height, 0);
  u->WIndent = to->WIndent;
  u->Host = host;
  // u takes the place of the run in the ring.
  THeadTreeNode* pred = from;
  while (pred->Next != from) pred = pred->Next;
  THeadTreeNode* after = to->Next;
  const bool wholeRing = after == from;
  if (wholeRing) {
    u->Next = u;
  } else {
    pred->Next = u;
    u->Next = after;
  }
  if (host && host->Child == from) host->Child = u;
  u->Child = from;
  int sum = 0;
  for (THeadTreeNode* n = from;; n = n->Next) {
    n->Host = u;
    n->Height -= height;
    sum += n->Width + u->WIndent;
    if (n == to) break;
  }
  to->Next = from;
  u->Width = sum - (u->WIndent >= 1 ? u->WIndent : 0);
  return u;
}

// ---------------------------------------------------------------- TColumnTitleGx

TColumnTitleGx::TColumnTitleGx(TColumnGx* column) : column_(column), font_(std::make_unique<TFont>()) {
  font_->OnChange = [this](TObject*) { FontChanged(); };
  fontUpdating_ = true;
  font_->Assign(Font());
  fontUpdating_ = false;
}

TColumnTitleGx::~TColumnTitleGx() = default;

TCustomDBGridGx* TColumnTitleGx::Grid() const { return column_ ? column_->Grid() : nullptr; }

void TColumnTitleGx::FontChanged() {
  if (fontUpdating_) return;
  if (column_) {
    column_->MarkAssigned(cvTitleFont);
    column_->ColumnChanged(true);
  }
}

TFont* TColumnTitleGx::Font() const {
  if (column_ && !column_->IsAssigned(cvTitleFont)) {
    TFont* def = Grid() ? Grid()->TitleFont() : column_->Font();
    if (def && (def->Handle() != font_->Handle() || def->Color() != font_->Color())) {
      auto* self = const_cast<TColumnTitleGx*>(this);
      self->fontUpdating_ = true;
      self->font_->Assign(def);
      self->fontUpdating_ = false;
    }
  }
  return font_.get();
}

bool TColumnTitleGx::FontStored() const { return column_ && column_->IsAssigned(cvTitleFont); }

void TColumnTitleGx::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TColumnTitleGx*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src->column_ && src->column_->IsAssigned(cvTitleAlignment)) SetAlignment(src->Alignment());
  if (src->column_ && src->column_->IsAssigned(cvTitleColor)) SetColor(src->Color());
  if (src->column_ && src->column_->IsAssigned(cvTitleCaption)) SetCaption(src->Caption());
  if (src->column_ && src->column_->IsAssigned(cvTitleFont)) SetFont(src->Font());
  SetHint(src->Hint());
  SetImageIndex(src->ImageIndex());
  SetOrientation(src->Orientation());
  SetSortIndex(src->SortIndex());
  SetSortMarker(src->SortMarker());
  SetTitleButton(src->TitleButton());
  SetEndEllipsis(src->EndEllipsis());
  SetToolTips(src->ToolTips());
}

void TColumnTitleGx::RestoreDefaults() {
  if (!column_) return;
  const bool fontAssigned = column_->IsAssigned(cvTitleFont);
  for (TColumnAssignedGx f : {cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont, cvTitleButton,
                              cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation})
    column_->UnmarkAssigned(f);
  caption_.clear();
  Font();
  column_->ColumnChanged(fontAssigned);
}

TAlignment TColumnTitleGx::Alignment() const {
  if (column_ && column_->IsAssigned(cvTitleAlignment)) return alignment_;
  if (auto* g = Grid()) return g->ColumnDefValues()->Title()->Alignment();
  return taLeftJustify;
}

void TColumnTitleGx::SetAlignment(TAlignment value) {
  if (column_->IsAssigned(cvTitleAlignment) && value == alignment_) return;
  alignment_ = value;
  column_->MarkAssigned(cvTitleAlignment);
  column_->ColumnChanged(false);
}

bool TColumnTitleGx::DefaultAlignmentStored() const {
  if (!column_->IsAssigned(cvTitleAlignment)) return false;
  if (auto* g = Grid()) return alignment_ != g->ColumnDefValues()->Title()->Alignment();
  return alignment_ != taLeftJustify;
}

std::string TColumnTitleGx::Caption() const {
  if (column_ && column_->IsAssigned(cvTitleCaption)) return caption_;
  if (TField* f = column_ ? column_->Field() : nullptr) return f->DisplayName();
  return column_ ? column_->FieldName() : std::string();
}

void TColumnTitleGx::SetCaption(const std::string& value) {
  TCustomDBGridGx* g = Grid();
  if (column_->IsGridBuilt() && g && g->DataLink()->Active()) {
    if (TField* f = column_->Field()) {
      f->SetDisplayLabel(value);
      return;
    }
  }
  if (column_->IsAssigned(cvTitleCaption) && value == caption_) return;
  caption_ = value;
  column_->MarkAssigned(cvTitleCaption);
  column_->ColumnChanged(false);
}

bool TColumnTitleGx::CaptionStored() const {
  if (!column_->IsAssigned(cvTitleCaption)) return false;
  TField* f = column_->Field();
  return caption_ != (f ? f->DisplayName() : column_->FieldName());
}

TColor TColumnTitleGx::Color() const {
  if (column_ && column_->IsAssigned(cvTitleColor)) return color_;
  if (auto* g = Grid()) return g->ColumnDefValues()->Title()->Color();
  return clBtnFace;
}

void TColumnTitleGx::SetColor(TColor value) {
  if (column_->IsAssigned(cvTitleColor) && value == color_) return;
  color_ = value;
  column_->MarkAssigned(cvTitleColor);
  column_->ColumnChanged(false);
}

bool TColumnTitleGx::ColorStored() const {
  if (!column_->IsAssigned(cvTitleColor)) return false;
  auto* g = Grid();
  return color_ != (g ? g->ColumnDefValues()->Title()->Color() : clBtnFace);
}

bool TColumnTitleGx::EndEllipsis() const {
  if (column_ && column_->IsAssigned(cvTitleEndEllipsis)) return endEllipsis_;
  if (auto* g = Grid()) return g->ColumnDefValues()->Title()->EndEllipsis();
  return false;
}

void TColumnTitleGx::SetEndEllipsis(bool value) {
  if (column_->IsAssigned(cvTitleEndEllipsis) && value == endEllipsis_) return;
  endEllipsis_ = value;
  column_->MarkAssigned(cvTitleEndEllipsis);
  column_->ColumnChanged(false);
}

TTextOrientationGx TColumnTitleGx::Orientation() const {
  if (column_ && column_->IsAssigned(cvTitleOrientation)) return orientation_;
  if (auto* g = Grid()) return g->ColumnDefValues()->Title()->Orientation();
  return tohHorizontal;
}

void TColumnTitleGx::SetOrientation(TTextOrientationGx value) {
  if (column_->IsAssigned(cvTitleOrientation) && value == orientation_) return;
  orientation_ = value;
  column_->MarkAssigned(cvTitleOrientation);
  column_->ColumnChanged(false);
}

bool TColumnTitleGx::TitleButton() const {
  if (column_ && column_->IsAssigned(cvTitleButton)) return titleButton_;
  if (auto* g = Grid()) return g->ColumnDefValues()->Title()->TitleButton();
  return false;
}

void TColumnTitleGx::SetTitleButton(bool value) {
  if (column_->IsAssigned(cvTitleButton) && value == titleButton_) return;
  titleButton_ = value;
  column_->MarkAssigned(cvTitleButton);
  column_->ColumnChanged(false);
}

bool TColumnTitleGx::ToolTips() const {
  if (column_ && column_->IsAssigned(cvTitleToolTips)) return toolTips_;
  if (auto* g = Grid()) return g->ColumnDefValues()->Title()->ToolTips();
  return false;
}

void TColumnTitleGx::SetToolTips(bool value) {
  toolTips_ = value;
  column_->MarkAssigned(cvTitleToolTips);
}

void TColumnTitleGx::SetImageIndex(int value) {
  imageIndex_ = value;
  if (auto* g = Grid()) g->LayoutChanged();
}

void TColumnTitleGx::SetSortMarker(TSortMarkerGx value) {
  if (value == sortMarker_) return;
  sortMarker_ = value;
  TCustomDBGridGx* g = Grid();
  if (!g || !column_->Collection() || column_->Collection()->UpdateCount() > 0) return;
  auto& list = g->SortMarkedList();
  if (!g->OptionsGx().Contains(dghMultiSortMarking)) {
    if (value != smNoneGx) {
      for (int i = 0; i < g->Columns()->Count(); ++i) {
        TColumnGx* c = g->Columns()->Items(i);
        if (c != column_) c->Title()->SetSortMarker(smNoneGx);
      }
      sortIndex_ = 1;
      list.assign(1, column_);
    } else {
      sortIndex_ = 0;
      list.clear();
    }
  } else {
    if (value != smNoneGx && sortIndex_ == 0) {
      int marked = 0;
      for (int i = 0; i < g->Columns()->Count(); ++i)
        if (g->Columns()->Items(i)->Title()->SortIndex() != 0) ++marked;
      sortIndex_ = marked + 1;
      list.push_back(column_);
    } else if (value == smNoneGx && sortIndex_ != 0) {
      for (int i = 0; i < g->Columns()->Count(); ++i) {
        TColumnTitleGx* t = g->Columns()->Items(i)->Title();
        if (t->sortIndex_ > sortIndex_) --t->sortIndex_;
      }
      list.erase(std::remove(list.begin(), list.end(), column_), list.end());
      sortIndex_ = 0;
    }
  }
  column_->ColumnChanged(false);
}

void TColumnTitleGx::SetSortIndex(int value) {
  if (value < 0) value = 0;
  if (value == sortIndex_) return;
  TCustomDBGridGx* g = Grid();
  if (!g || !column_->Collection() || column_->Collection()->UpdateCount() > 0) {
    sortIndex_ = value;
    return;
  }
  if (sortMarker_ == smNoneGx) return;
  TColumnGx* other = nullptr;
  for (int i = 0; i < g->Columns()->Count(); ++i) {
    TColumnGx* c = g->Columns()->Items(i);
    if (c != column_ && value != 0 && c->Title()->sortIndex_ == value) other = c;
  }
  if (!other) return;
  other->Title()->sortIndex_ = sortIndex_;
  sortIndex_ = value;
  auto& list = g->SortMarkedList();
  auto a = std::find(list.begin(), list.end(), column_);
  auto b = std::find(list.begin(), list.end(), other);
  if (a != list.end() && b != list.end()) std::iter_swap(a, b);
  column_->ColumnChanged(false);
}

void TColumnTitleGx::SetNextSortMarkerValue(bool keepMulti) {
  if (!keepMulti) {
    if (TCustomDBGridGx* g = Grid())
      for (int i = 0; i < g->Columns()->Count(); ++i) {
        TColumnGx* c = g->Columns()->Items(i);
        if (c != column_) c->Title()->SetSortMarker(smNoneGx);
      }
  }
  switch (sortMarker_) {
    case smNoneGx: SetSortMarker(smDownGx); break;
    case smDownGx: SetSortMarker(smUpGx); break;
    case smUpGx: SetSortMarker(keepMulti ? smNoneGx : smDownGx); break;
  }
}

void TColumnTitleGx::ReleaseSortPlace() {
  TCustomDBGridGx* g = Grid();
  if (!g || sortIndex_ == 0) return;
  for (int i = 0; i < g->Columns()->Count(); ++i) {
    TColumnTitleGx* t = g->Columns()->Items(i)->Title();
    if (t != this && t->sortIndex_ > sortIndex_) --t->sortIndex_;
  }
  sortIndex_ = 0;
}

int TColumnTitleGx::SortMarkerWidth() const {
  if (sortIndex_ == 0) return 0;
  int w = 16;
  TCustomDBGridGx* g = Grid();
  if (g && g->SortMarkedColumns().size() >= 2) {
    const std::string digits = std::to_string(sortIndex_);
    int dw = 0;
    if (TFont* f = DBGridSortIndexFont()) {
      TMeasureCanvas bmp;
      bmp.Canvas()->Font()->Assign(f);
      dw = bmp.Canvas()->TextWidth(digits);
    }
    w += dw;
    const int limit = column_->Width() - 4;
    if (w > limit) {
      w -= 14;
      if (w > limit) w -= dw + 2;
    }
  }
  return w;
}

// ---------------------------------------------------------------- column defaults

void TColumnTitleDefValuesGx::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TColumnTitleDefValuesGx*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src->AlignmentAssigned()) SetAlignment(src->alignment_);
  if (src->ColorAssigned()) SetColor(src->color_);
  SetEndEllipsis(src->endEllipsis_);
  titleButton_ = src->titleButton_;
  toolTips_ = src->toolTips_;
  SetOrientation(src->orientation_);
}

TAlignment TColumnTitleDefValuesGx::Alignment() const { return AlignmentAssigned() ? alignment_ : DefaultAlignment(); }

TAlignment TColumnTitleDefValuesGx::DefaultAlignment() const {
  TCustomDBGridGx* g = owner_ ? owner_->Grid() : nullptr;
  return g && g->UseMultiTitle() ? taCenter : taLeftJustify;
}

void TColumnTitleDefValuesGx::SetAlignment(TAlignment value) {
  alignment_ = value;
  assigned_ |= 2;
  if (owner_ && owner_->Grid()) owner_->Grid()->Invalidate();
}

TColor TColumnTitleDefValuesGx::Color() const { return ColorAssigned() ? color_ : DefaultColor(); }

TColor TColumnTitleDefValuesGx::DefaultColor() const {
  TCustomDBGridGx* g = owner_ ? owner_->Grid() : nullptr;
  return g ? g->FixedColor() : clBtnFace;
}

void TColumnTitleDefValuesGx::SetColor(TColor value) {
  color_ = value;
  assigned_ |= 1;
  if (owner_ && owner_->Grid()) owner_->Grid()->Invalidate();
}

void TColumnTitleDefValuesGx::SetEndEllipsis(bool value) {
  if (value == endEllipsis_) return;
  endEllipsis_ = value;
  if (owner_ && owner_->Grid()) owner_->Grid()->Invalidate();
}

void TColumnTitleDefValuesGx::SetOrientation(TTextOrientationGx value) {
  if (value == orientation_) return;
  orientation_ = value;
  if (owner_ && owner_->Grid()) owner_->Grid()->LayoutChanged();
}

void TColumnFooterDefValuesGx::Assign(TPersistent* source) {
  if (auto* src = dynamic_cast<TColumnFooterDefValuesGx*>(source)) {
    toolTips_ = src->toolTips_;
    return;
  }
  TPersistent::Assign(source);
}

TColumnDefValuesGx::TColumnDefValuesGx(TCustomDBGridGx* grid)
    : grid_(grid),
      title_(std::make_unique<TColumnTitleDefValuesGx>(this)),
      footer_(std::make_unique<TColumnFooterDefValuesGx>()) {}

TColumnDefValuesGx::~TColumnDefValuesGx() = default;

void TColumnDefValuesGx::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TColumnDefValuesGx*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  title_->Assign(src->title_.get());
  SetAlwaysShowEditButton(src->alwaysShowEditButton_);
  SetEndEllipsis(src->endEllipsis_);
  autoDropDown_ = src->autoDropDown_;
  dblClickNextVal_ = src->dblClickNextVal_;
  toolTips_ = src->toolTips_;
  dropDownSizing_ = src->dropDownSizing_;
  dropDownShowTitles_ = src->dropDownShowTitles_;
}

void TColumnDefValuesGx::SetAlwaysShowEditButton(bool value) {
  if (value == alwaysShowEditButton_) return;
  alwaysShowEditButton_ = value;
  if (grid_) grid_->Invalidate();
}

void TColumnDefValuesGx::SetEndEllipsis(bool value) {
  if (value == endEllipsis_) return;
  endEllipsis_ = value;
  if (grid_) grid_->Invalidate();
}

void TColumnDefValuesGx::SetLayout(TTextLayout value) {
  if (value == layout_) return;
  layout_ = value;
  if (grid_) grid_->Invalidate();
}

void TColumnDefValuesGx::SetHighlightRequired(bool value) {
  if (value == highlightRequired_) return;
  highlightRequired_ = value;
  if (grid_) grid_->Invalidate();
}

// ---------------------------------------------------------------- the title tree

THeadTreeNode* TCustomDBGridGx::LeafFor(int columnIndex) const {
  if (columnIndex < 0 || columnIndex >= static_cast<int>(leaves_.size())) return nullptr;
  return leaves_[static_cast<size_t>(columnIndex)];
}

void TCustomDBGridGx::BuildTitleTree() {
  headTree_->FreeAllChild();
  leaves_.assign(static_cast<size_t>(columns_->Count()), nullptr);
  const bool colLines = dbOptions_.Contains(dgColLines);
  const int h = RowCount() > 0 ? GetRowHeights(0) : titleRowHeight_;
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnGx* c = columns_->Items(i);
    const int w = c->Visible() ? c->Width() : (colLines ? -1 : 0);
    THeadTreeNode* n = headTree_->AddChild(headTree_.get(), c->Title()->Caption(), h, w);
    n->Column = c;
    n->SortMarkerWidth = c->Title()->SortMarker() != smNoneGx ? 16 : 0;
    n->WIndent = colLines ? 1 : 0;
    leaves_[static_cast<size_t>(i)] = n;
  }
  const int count = static_cast<int>(leaves_.size());
  bool changed = true;
  while (changed) {
    changed = false;
    for (int i = 0; i < count; ++i) {
      THeadTreeNode* leaf = leaves_[static_cast<size_t>(i)];
      const int pos = DBGridWordPosition(2, leaf->Text);
      if (pos == 0) continue;
      const std::string first = DBGridExtractWord(1, leaf->Text);
      const size_t cut = static_cast<size_t>(pos - 1);
      int j = i;
      // The run of adjacent leaves whose captions start with the same word; they lose that word.
      // Only neighbours in the same ring can share a group node.
      while (j < count - 1 && DBGridExtractWord(1, leaves_[static_cast<size_t>(j + 1)]->Text) == first &&
             leaves_[static_cast<size_t>(j + 1)]->Host == leaf->Host) {
        THeadTreeNode* lj = leaves_[static_cast<size_t>(j)];
        lj->Text.erase(0, std::min(cut, lj->Text.size()));
        ++j;
      }
      THeadTreeNode* end = leaves_[static_cast<size_t>(j)];
      end->Text.erase(0, std::min(cut, end->Text.size()));
      if (leaf->GetLevel() == end->GetLevel()) {
        headTree_->Union(leaf, end, first, kDBGridMultiTitleBand);
        changed = true;
        break;
      }
    }
  }
}

// Each caption is wrapped in its node's width, so a long group caption over narrow columns takes
// as many lines as it needs. Returns the tree's full height (0 without a tree).
int TCustomDBGridGx::MeasureTitleTree() {
  if (!headTree_->Child) return 0;
  TMeasureCanvas measure;
  const int total = MeasureTitleLevel(headTree_->Child, measure.Canvas());
  // The band left over on a level goes to its leaves: group bands keep their measured height.
  struct Spread {
    static void Level(THeadTreeNode* first, int room) {
      THeadTreeNode* n = first;
      do {
        if (n->Child) Level(n->Child, room - n->Height);
        else n->Height = room;
        n = n->Next;
      } while (n != first);
    }
  };
  Spread::Level(headTree_->Child, total);
  return total;
}

int TCustomDBGridGx::MeasureTitleLevel(THeadTreeNode* first, TCanvas* canvas) {
  int largest = 0;
  THeadTreeNode* n = first;
  do {
    n->Height = MeasureTitleNode(n, canvas);
    largest = std::max(largest, n->Height + (n->Child ? MeasureTitleLevel(n->Child, canvas) : 0));
    n = n->Next;
  } while (n != first);
  return largest;
}

int TCustomDBGridGx::MeasureTitleNode(THeadTreeNode* node, TCanvas* canvas) {
  TColumnTitleGx* title = !node->Child && node->Column ? node->Column->Title() : nullptr;
  canvas->Font()->Assign(title ? title->Font() : titleFont_.get());
  const int line = std::max(1, canvas->TextHeight("Wg"));
  if (node->Text.empty()) return line + vTitleMargin_;
  if (title && title->Orientation() == tohVertical) {
    // Standing on end, the caption's length is the band it needs.
    RECT r{0, 0, 0, 0};
    DrawTextA(canvas->Handle(), node->Text.data(), static_cast<int>(node->Text.size()), &r,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return r.right - r.left + 6;
  }
  // A leaf loses its sort marker's room; a raised group its frame, which the group painter keeps
  // clear of on top of the 2 pixels a side.
  const int margin = title ? node->SortMarkerWidth : (optionsGx_.Contains(dghFixed3D) && !Flat() ? 2 : 0);
  const int width = std::max(1, NodeWidth(node) - 4 - margin);
  RECT r{0, 0, width, 0};
  DrawTextA(canvas->Handle(), node->Text.data(), static_cast<int>(node->Text.size()), &r,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return std::max(line, static_cast<int>(r.bottom - r.top)) + vTitleMargin_;
}

int TCustomDBGridGx::TitleBandsAbove(const THeadTreeNode* node) const {
  int top = 0;
  for (const THeadTreeNode* h = node->Host; h && h != headTree_.get(); h = h->Host) top += std::max(0, h->Height);
  return top;
}

// ---------------------------------------------------------------- sizing inside merged titles

void TCustomDBGridGx::CalcTitleSizingState(int x, int y, int& state, int& index, int& sizingPos, int& sizingOffset) {
  state = 0;
  index = -1;
  TGridOptions opts = Options();
  if (InState(csDesigning)) opts = opts + DesignOptionsBoost();
  if (!opts.Contains(goColSizing)) return;
  const int lw = GridLineWidth();
  int titleBottom = 0;
  for (int r = 0; r < GetTitleOffset() && r < RowCount(); ++r) titleBottom += GetRowHeights(r) + lw;
  if (y >= titleBottom) return;
  const int zone = std::max(lw, 7);
  const int p = lw < 7 ? (7 - lw) / 2 : 0;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int cellWidth = info.Horz.GridBoundary;
  int pos = 0;
  for (int i = 0; i < IndicatorOffset(); ++i) pos += GetColWidths(i) + lw;
  bool passed = false;
  // The frozen columns, then the scrolling ones as drawn from the left column on.
  const int firstScrolling = std::max(FixedCols(), LeftCol());
  const int first = IndicatorOffset() < FixedCols() ? IndicatorOffset() : firstScrolling;
  for (int col = first; col < ColCount(); col = col + 1 == FixedCols() ? firstScrolling : col + 1) {
    if (col == firstScrolling) pos -= info.Horz.PixelOffset;
    pos += GetColWidths(col);
    if (pos > cellWidth) {
      index = col;
      passed = true;
      break;
    }
    if (pos - p <= x && x <= pos - p + zone) {
      state = 6;
      sizingPos = pos;
      sizingOffset = pos - x;
      index = col;
      return;
    }
    pos += lw;
  }
  const int client = ClientWidth();
  if (passed && client == cellWidth && client - p <= x && x <= client) {
    state = 6;
    sizingPos = client;
    sizingOffset = client - x;
  }
}

bool TCustomDBGridGx::IsTitleSizingPoint(int x, int y) {
  if (GridState() != gsNormal) return false;
  int state = 0, index = -1, pos = 0, offset = 0;
  CalcTitleSizingState(x, y, state, index, pos, offset);
  return state == 6;
}

// The RTF title of a grid with multi-level titles: the title tree laid out as a matrix of nodes,
// one row per level and one column per exported column. A node spanning several cells is written
// once, in the top-left cell of its block, and the borders inside the block are left out.
#include <cmath>
#include <cstdlib>

#include "grid/dbgrid.h"
#include "grid/gridexport.h"

void TDBGridGxExportAsRTF::WriteMultiTitle(const std::vector<TColumnGx*>& columns) {
  const size_t n = columns.size();
  if (n == 0) return;
  // The nodes over each column from the top; a leaf under fewer groups fills the levels down to
  // the bottom, as it is painted.
  std::vector<std::vector<THeadTreeNode*>> chains(n);
  size_t levels = 1;
  for (size_t c = 0; c < n; ++c) {
    THeadTreeNode* leaf = Grid->LeafFor(columns[c]->Index());
    for (THeadTreeNode* node = leaf; node && node != Grid->HeadTree(); node = node->Host)
      chains[c].insert(chains[c].begin(), node);
    levels = std::max(levels, chains[c].size());
  }
  // grid[r][c], r = 0 the top row (the highest level), r = levels - 1 the leaf row.
  std::vector<std::vector<THeadTreeNode*>> grid(levels, std::vector<THeadTreeNode*>(n, nullptr));
  for (size_t c = 0; c < n; ++c) {
    const auto& chain = chains[c];
    for (size_t r = 0; r < levels; ++r)
      grid[r][c] = chain.empty() ? nullptr : r + 1 < chain.size() ? chain[r] : chain.back();
  }
  const double twips = static_cast<double>(Grid->VTitleMargin()) / 2 / LogPixelsX() * 1440.0 - 20;
  const int spacing = std::abs(static_cast<int>(std::trunc(twips)));
  for (size_t r = 0; r < levels; ++r) {
    const bool leafRow = r + 1 == levels;
    std::vector<RtfCell> cells;
    for (size_t c = 0; c < n; ++c) {
      THeadTreeNode* node = grid[r][c];
      auto same = [&](size_t rr, size_t cc) { return node && grid[rr][cc] == node; };
      const bool fromLeft = c > 0 && same(r, c - 1);
      const bool fromAbove = r > 0 && same(r - 1, c);
      unsigned borders = kAllBorders;
      if (fromLeft) borders &= ~kBorderLeft;
      if (c + 1 < n && same(r, c + 1)) borders &= ~kBorderRight;
      if (fromAbove) borders &= ~kBorderTop;
      if (r + 1 < levels && same(r + 1, c)) borders &= ~kBorderBottom;
      TColumnTitleGx* title = columns[c]->Title();
      RtfCell cell{leafRow ? title->Color() : Grid->FixedColor(), taCenter,
                   leafRow ? title->Font() : Grid->TitleFont(), {}, borders, -2};
      if (!fromLeft && !fromAbove) {
        cell.Text = node ? node->Text : title->Caption();
        cell.Spacing = spacing;
      }
      cells.push_back(std::move(cell));
    }
    WriteRow(columns, cells);
  }
}

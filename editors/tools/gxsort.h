#pragma once
// The quicksort the lists of the suite share: over positions lo..hi, around the element in the
// middle, which is followed through the exchanges; recursion into the smaller part, a loop over
// the larger, so the depth stays logarithmic whatever the order of the input. The scans stay inside the range, so a comparison that breaks its contract cannot lead
// them past it. Equal elements may change their order.
//
// compare(i, p) answers negative, zero or positive for the elements at positions i and p;
// exchange(i, j) swaps two positions.
template <class Compare, class Exchange>
void GxQuickSort(int lo, int hi, const Compare& compare, const Exchange& exchange) {
  while (lo < hi) {
    int i = lo, j = hi;
    int p = lo + (hi - lo) / 2;
    do {
      while (i < hi && compare(i, p) < 0) ++i;
      while (j > lo && compare(j, p) > 0) --j;
      if (i <= j) {
        if (i != j) {
          exchange(i, j);
          if (p == i)
            p = j;
          else if (p == j)
            p = i;
        }
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) GxQuickSort(lo, j, compare, exchange);
      lo = i;
    } else {
      if (i < hi) GxQuickSort(i, hi, compare, exchange);
      hi = j;
    }
  }
}

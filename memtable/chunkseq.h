#pragma once
// A sequence kept in chunks of at most a few hundred items, with the first position of every
// chunk in one array: reading by position is a binary search over the chunk starts (or none when
// reading on from the last place read), and an insert or removal in the middle moves one chunk's
// items and bumps the starts after it, instead of moving half the sequence. The records list and
// the records view hold their records this way so that a row inserted or deleted in the middle of
// a large table costs about the same as in a small one.
//
// A tracker, when given, hears where each item now sits (its chunk and slot) whenever that
// changes, so that an item can answer its own position: the chunk's start plus its slot.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

// The part of a chunk an item's back reference needs: its ordinal among the chunks.
struct TSeqChunkGx {
  int Ord = 0;
  void* Owner = nullptr;  // the sequence's owner, when it has one
};

struct TNoSeqTrackerGx {
  template <class T>
  static void Place(T&, const TSeqChunkGx*, int) noexcept {}
};

// What a chunk keeps of its last item beside its place in the chunk array, for searches that
// decide between chunks without visiting them: a number that orders as the items do, when the
// item has one (Of answers false when not).
struct TNoSeqSummaryGx {
  template <class T>
  static bool Of(const T&, int64_t&) noexcept {
    return false;
  }
};

template <class T, class Tracker = TNoSeqTrackerGx, class Summary = TNoSeqSummaryGx>
class TChunkSeqGx {
 public:
  static constexpr size_t kMax = 256;

  using value_type = T;
  using size_type = size_t;
  using difference_type = std::ptrdiff_t;
  using reference = const T&;
  using const_reference = const T&;

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = const T&;
    const_iterator() = default;
    const_iterator(const TChunkSeqGx* seq, size_t chunk, size_t slot) : seq_(seq), chunk_(chunk), slot_(slot) {}
    const T& operator*() const { return seq_->chunks_[chunk_]->Items[slot_]; }
    const T* operator->() const { return &**this; }
    const_iterator& operator++() {
      if (++slot_ >= seq_->chunks_[chunk_]->Items.size()) {
        ++chunk_;
        slot_ = 0;
      }
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++*this;
      return old;
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.chunk_ == b.chunk_ && a.slot_ == b.slot_;
    }

   private:
    const TChunkSeqGx* seq_ = nullptr;
    size_t chunk_ = 0, slot_ = 0;
  };
  using iterator = const_iterator;

  TChunkSeqGx() = default;
  TChunkSeqGx(const TChunkSeqGx&) = delete;
  TChunkSeqGx& operator=(const TChunkSeqGx&) = delete;

  // Who the chunks answer as their owner (items that know their chunk find it there).
  void SetOwner(void* owner) noexcept {
    owner_ = owner;
    for (auto& chunk : chunks_) chunk->Owner = owner;
  }

  size_t size() const noexcept { return static_cast<size_t>(size_); }
  bool empty() const noexcept { return size_ == 0; }
  const_iterator begin() const { return const_iterator(this, 0, 0); }
  const_iterator end() const { return const_iterator(this, chunks_.size(), 0); }

  // The caller keeps pos within 0..size-1. Items are reached through the chunk array, not the
  // chunk itself: one memory read less on a large sequence.
  const T& operator[](size_t pos) const {
    const size_t c = ChunkOf(static_cast<int>(pos));
    return views_[c].Data[pos - static_cast<size_t>(starts_[c])];
  }
  // An item changed through here that changes its chunk's summary needs Resummarize(pos).
  T& At(size_t pos) {
    const size_t c = ChunkOf(static_cast<int>(pos));
    return chunks_[c]->Items[pos - static_cast<size_t>(starts_[c])];
  }
  void Resummarize(size_t pos) { Sync(ChunkOf(static_cast<int>(pos))); }
  const T& front() const { return chunks_.front()->Items.front(); }
  const T& back() const { return chunks_.back()->Items.back(); }

  // The chunks themselves, for searches that go chunk by chunk (their items and sizes are also
  // kept in one array, so that such a search reads a chunk's items without visiting the chunk).
  size_t ChunkCount() const noexcept { return chunks_.size(); }
  const T* ChunkData(size_t c) const noexcept { return views_[c].Data; }
  int ChunkSize(size_t c) const noexcept { return views_[c].Size; }
  int ChunkStart(size_t c) const noexcept { return starts_[c]; }
  // The summary of the chunk's last item; false when it has none.
  bool ChunkLast(size_t c, int64_t& lead) const noexcept {
    lead = views_[c].Lead;
    return views_[c].HasLead;
  }

  // The position of the item at that slot of that chunk.
  int PositionOf(const TSeqChunkGx* chunk, int slot) const noexcept { return starts_[static_cast<size_t>(chunk->Ord)] + slot; }

  void push_back(T value) {
    if (chunks_.empty() || chunks_.back()->Items.size() >= kMax) AddChunk(chunks_.size());
    Chunk& last = *chunks_.back();
    last.Items.push_back(std::move(value));
    Tracker::Place(last.Items.back(), &last, static_cast<int>(last.Items.size()) - 1);
    ++size_;
    Sync(chunks_.size() - 1);
  }

  // pos in 0..size.
  void insert(size_t pos, T value) {
    if (static_cast<int>(pos) >= size_) {
      push_back(std::move(value));
      return;
    }
    size_t c = ChunkOf(static_cast<int>(pos));
    Chunk* chunk = chunks_[c];
    size_t slot = pos - static_cast<size_t>(starts_[c]);
    chunk->Items.insert(chunk->Items.begin() + static_cast<std::ptrdiff_t>(slot), std::move(value));
    ++size_;
    for (size_t k = c + 1; k < starts_.size(); ++k) ++starts_[k];
    Sync(c);
    if (chunk->Items.size() > kMax) {
      Split(c);
      if (slot >= chunk->Items.size()) return;  // the new item went to the later half, placed there
    }
    for (size_t i = slot; i < chunk->Items.size(); ++i) Tracker::Place(chunk->Items[i], chunk, static_cast<int>(i));
  }

  // pos in 0..size-1; answers the item taken out.
  T erase(size_t pos) {
    size_t c = ChunkOf(static_cast<int>(pos));
    Chunk* chunk = chunks_[c];
    size_t slot = pos - static_cast<size_t>(starts_[c]);
    T value = std::move(chunk->Items[slot]);
    chunk->Items.erase(chunk->Items.begin() + static_cast<std::ptrdiff_t>(slot));
    --size_;
    for (size_t k = c + 1; k < starts_.size(); ++k) --starts_[k];
    Sync(c);
    if (chunk->Items.empty()) {
      RemoveChunk(c);
    } else {
      for (size_t i = slot; i < chunk->Items.size(); ++i) Tracker::Place(chunk->Items[i], chunk, static_cast<int>(i));
      // Two small neighbours become one, so that deletes do not leave a trail of tiny chunks.
      if (c + 1 < chunks_.size() && chunk->Items.size() + chunks_[c + 1]->Items.size() <= kMax / 2) Merge(c);
      else if (c > 0 && chunk->Items.size() + chunks_[c - 1]->Items.size() <= kMax / 2) Merge(c - 1);
    }
    return value;
  }

  void clear() noexcept {
    chunks_.clear();
    blocks_.clear();
    spare_.clear();
    allocated_ = 0;
    starts_.clear();
    views_.clear();
    size_ = 0;
    hint_ = 0;
  }

  // Takes over the items in this order.
  void assign(std::vector<T>&& items) {
    clear();
    for (T& item : items) push_back(std::move(item));
  }
  std::vector<T> ToVector() const {
    std::vector<T> out;
    out.reserve(size());
    for (const auto& chunk : chunks_) out.insert(out.end(), chunk->Items.begin(), chunk->Items.end());
    return out;
  }
  operator std::vector<T>() const { return ToVector(); }

  // Applies f to every item in order, by reference.
  template <class F>
  void ForEach(F&& f) {
    for (auto& chunk : chunks_)
      for (T& item : chunk->Items) f(item);
  }

  friend bool operator==(const TChunkSeqGx& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
  }
  friend bool operator==(const TChunkSeqGx& a, const TChunkSeqGx& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
  }

 private:
  struct Chunk : TSeqChunkGx {
    std::vector<T> Items;
  };
  struct ChunkView {
    T* Data = nullptr;
    int Size = 0;
    bool HasLead = false;
    int64_t Lead = 0;
  };

  void Sync(size_t c) noexcept {
    std::vector<T>& items = chunks_[c]->Items;
    ChunkView& v = views_[c];
    v.Data = items.data();
    v.Size = static_cast<int>(items.size());
    v.Lead = 0;
    v.HasLead = !items.empty() && Summary::Of(items.back(), v.Lead);
  }

  // The chunk holding pos: the one read last or the next one when it holds it (reading in order),
  // else by binary search over the starts.
  size_t ChunkOf(int pos) const noexcept {
    const size_t n = chunks_.size();
    if (hint_ < n) {
      const int start = starts_[hint_];
      if (pos >= start && pos < start + views_[hint_].Size) return hint_;
      if (hint_ + 1 < n && pos >= starts_[hint_ + 1] && pos < starts_[hint_ + 1] + views_[hint_ + 1].Size)
        return ++hint_;
    }
    auto it = std::upper_bound(starts_.begin(), starts_.end(), pos);
    hint_ = it == starts_.begin() ? 0 : static_cast<size_t>(it - starts_.begin()) - 1;
    return hint_;
  }

  void AddChunk(size_t at) {
    const int start = at < starts_.size() ? starts_[at] : size_;
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(at), TakeChunk());
    chunks_[at]->Items.reserve(kMax / 2);
    starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(at), start);
    views_.insert(views_.begin() + static_cast<std::ptrdiff_t>(at), ChunkView{});
    Sync(at);
    Renumber(at);
  }

  void Renumber(size_t from) noexcept {
    for (size_t k = from; k < chunks_.size(); ++k) chunks_[k]->Ord = static_cast<int>(k);
  }

  // The later half of chunk c becomes the chunk after it.
  void Split(size_t c) {
    Chunk* chunk = chunks_[c];
    const size_t half = chunk->Items.size() / 2;
    Chunk* tail = TakeChunk();
    tail->Items.reserve(kMax);
    tail->Items.assign(std::make_move_iterator(chunk->Items.begin() + static_cast<std::ptrdiff_t>(half)),
                       std::make_move_iterator(chunk->Items.end()));
    chunk->Items.resize(half);
    Chunk* t = tail;
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(c) + 1, tail);
    starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(c) + 1, starts_[c] + static_cast<int>(half));
    views_.insert(views_.begin() + static_cast<std::ptrdiff_t>(c) + 1, ChunkView{});
    Sync(c);
    Sync(c + 1);
    Renumber(c + 1);
    for (size_t i = 0; i < t->Items.size(); ++i) Tracker::Place(t->Items[i], t, static_cast<int>(i));
  }

  // Chunk c+1 joins chunk c.
  void Merge(size_t c) {
    Chunk* into = chunks_[c];
    Chunk* from = chunks_[c + 1];
    const size_t base = into->Items.size();
    for (T& item : from->Items) into->Items.push_back(std::move(item));
    for (size_t i = base; i < into->Items.size(); ++i) Tracker::Place(into->Items[i], into, static_cast<int>(i));
    Sync(c);
    RemoveChunk(c + 1);
  }

  void RemoveChunk(size_t c) {
    GiveChunk(chunks_[c]);
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(c));
    starts_.erase(starts_.begin() + static_cast<std::ptrdiff_t>(c));
    views_.erase(views_.begin() + static_cast<std::ptrdiff_t>(c));
    Renumber(c);
    hint_ = 0;
  }

  // Chunks come from blocks of their own, so that they lie together: an item's chunk (which its
  // position is read from) is then found in the cache rather than anywhere in memory.
  Chunk* TakeChunk() {
    if (spare_.empty()) {
      const size_t n = std::max<size_t>(16, allocated_);
      blocks_.push_back(std::make_unique<Chunk[]>(n));
      allocated_ += n;
      spare_.reserve(allocated_);  // chunks given back never need more room
      Chunk* block = blocks_.back().get();
      for (size_t i = n; i-- > 0;) spare_.push_back(block + i);
    }
    Chunk* c = spare_.back();
    spare_.pop_back();
    c->Owner = owner_;
    return c;
  }
  void GiveChunk(Chunk* c) noexcept {
    std::vector<T>().swap(c->Items);
    c->Ord = 0;
    spare_.push_back(c);
  }

  std::vector<Chunk*> chunks_;
  std::vector<std::unique_ptr<Chunk[]>> blocks_;
  std::vector<Chunk*> spare_;
  size_t allocated_ = 0;
  std::vector<int> starts_;  // position of each chunk's first item
  std::vector<ChunkView> views_;  // each chunk's items and count
  int size_ = 0;
  mutable size_t hint_ = 0;  // the chunk read last
  void* owner_ = nullptr;
};

// The corridor's search's frontier: a least-first heap of nodes, each in
// it once, its key changed in place. (With a key pushed anew at each
// change instead, more than half of what the heap gave back was out of
// date, and the heap twice as big.) Four children to an entry: an entry's
// children share a cache line, and the heap is half as deep as a binary
// one. Internal to src/sea.
#pragma once

#include <cstddef>
#include <vector>

namespace sailings {
namespace sea {

class NodeHeap {
 public:
  struct Entry {
    double key;
    int node;
  };
  // `slot`: by node, where it stands in the heap, -1 where it is not (the
  // caller sets a node's to -1 before it is first pushed).
  void Reset(int* slot) { slot_ = slot, entries_.clear(); }
  bool Empty() const { return entries_.empty(); }
  // Puts node x in with key `key`, or changes its key to that.
  void Push(int x, double key) {
    int i = slot_[x];
    if (i < 0) {
      i = static_cast<int>(entries_.size());
      entries_.push_back({key, x});
      slot_[x] = i;
      Up(i);
    } else if (key < entries_[i].key) {
      entries_[i].key = key;
      Up(i);
    } else {
      entries_[i].key = key;
      Down(i);
    }
  }
  // Takes out the entry of least key.
  Entry Pop() {
    const Entry top = entries_.front();
    slot_[top.node] = -1;
    const Entry last = entries_.back();
    entries_.pop_back();
    if (!entries_.empty()) {
      entries_[0] = last, slot_[last.node] = 0;
      Down(0);
    }
    return top;
  }

 private:
  void Up(int i) {
    const Entry e = entries_[i];
    while (i > 0) {
      const int parent = (i - 1) / 4;
      if (!(e.key < entries_[parent].key)) break;
      entries_[i] = entries_[parent], slot_[entries_[i].node] = i;
      i = parent;
    }
    entries_[i] = e, slot_[e.node] = i;
  }
  void Down(int i) {
    const Entry e = entries_[i];
    const int n = static_cast<int>(entries_.size());
    for (;;) {
      const int first = 4 * i + 1;
      if (first >= n) break;
      int least = first;
      for (int c = first + 1; c < first + 4 && c < n; ++c)
        if (entries_[c].key < entries_[least].key) least = c;
      if (!(entries_[least].key < e.key)) break;
      entries_[i] = entries_[least], slot_[entries_[i].node] = i;
      i = least;
    }
    entries_[i] = e, slot_[e.node] = i;
  }

  std::vector<Entry> entries_;
  int* slot_ = nullptr;
};

}  // namespace sea
}  // namespace sailings

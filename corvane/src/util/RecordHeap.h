#pragma once

#include <cstddef>
#include <cstring>
#include <new>

namespace corvane {

// A binary max-heap in an array (children of i at 2i + 1 and 2i + 2) whose records equal in
// order leave in a fixed order: the one the common standard-library heap gives. A pop moves the
// hole left by the top down to a leaf, always to the greater child and to the right one of two
// equal children, then lets the last record rise from there; a push lets the new record rise
// past every parent that goes after it. The records sit so that two siblings share a cache
// line and the four grandchildren of a record fill one, which the way down loads a level ahead.
template <class Record, class Before>
class RecordHeap {
 public:
  RecordHeap() = default;
  RecordHeap(const RecordHeap&) = delete;
  RecordHeap& operator=(const RecordHeap&) = delete;
  ~RecordHeap() { release(); }

  bool empty() const { return size_ == 0; }
  size_t size() const { return size_; }
  const Record& top() const { return records_[0]; }
  const Record& operator[](size_t i) const { return records_[i]; }

  void push(const Record& record) {
    if (size_ == capacity_) grow();
    rise(size_++, record);
  }

  // Keeps the room for the next flood.
  void clear() { size_ = 0; }

  // Requires a record.
  Record pop() {
    const Record top = records_[0];
    if (--size_ > 0) sink(records_[size_]);
    return top;
  }

 private:
  void rise(size_t hole, const Record& record) {
    while (hole > 0) {
      const size_t parent = (hole - 1) / 2;
      if (!before_(records_[parent], record)) break;
      records_[hole] = records_[parent];
      hole = parent;
    }
    records_[hole] = record;
  }

  // Refills the hole at the top from the size_ records left, then places `last` (the record
  // that stood at index size_).
  void sink(const Record& last) {
    const size_t length = size_;
    size_t hole = 0;
    size_t child = 0;
    while (child < (length - 1) / 2) {
      child = 2 * (child + 1);
      if (4 * child + 3 < length) __builtin_prefetch(&records_[4 * child + 3]);
      if (before_(records_[child], records_[child - 1])) --child;
      records_[hole] = records_[child];
      hole = child;
    }
    if ((length & 1) == 0 && child == (length - 2) / 2) {
      child = 2 * (child + 1);
      records_[hole] = records_[child - 1];
      hole = child - 1;
    }
    rise(hole, last);
  }

  void grow() {
    const size_t capacity = capacity_ == 0 ? 1024 : 2 * capacity_;
    // Record 3 starts a 64-byte line (for 16-byte records: see above).
    void* block = ::operator new((capacity + 4) * sizeof(Record), std::align_val_t(64));
    Record* records = reinterpret_cast<Record*>(static_cast<char*>(block) + 64) - 3;
    if (size_ > 0) std::memcpy(static_cast<void*>(records), records_, size_ * sizeof(Record));
    release();
    block_ = block;
    records_ = records;
    capacity_ = capacity;
  }
  void release() {
    if (block_) ::operator delete(block_, std::align_val_t(64));
    block_ = nullptr;
  }

  Before before_;
  void* block_ = nullptr;
  Record* records_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace corvane

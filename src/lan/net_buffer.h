// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entries one enumeration call returns. The buffer owns them and frees
// them when it goes out of scope, on every path; moving it hands them on.

#include <cstddef>
#include <utility>
#include <vector>

namespace vantor::lan {

template <class T>
class NetBuffer {
 public:
  NetBuffer() = default;
  explicit NetBuffer(std::vector<T> entries) : entries_(std::move(entries)) {}
  NetBuffer(const NetBuffer&) = delete;
  NetBuffer& operator=(const NetBuffer&) = delete;
  NetBuffer(NetBuffer&& other) noexcept : entries_(std::move(other.entries_)) { other.entries_.clear(); }
  NetBuffer& operator=(NetBuffer&& other) noexcept {
    entries_ = std::move(other.entries_);
    other.entries_.clear();
    return *this;
  }

  // Releases the entries (the platform's buffer free).
  void Free() { std::vector<T>().swap(entries_); }
  void Reset(std::vector<T> entries) { entries_ = std::move(entries); }
  // Releases the entries but hands their storage, empty, to a backend that
  // fills it again: a loop that alternates two buffers then allocates them
  // only once, instead of once a batch.
  std::vector<T> Recycle() {
    std::vector<T> storage = std::move(entries_);
    entries_.clear();
    storage.clear();
    return storage;
  }

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const T& operator[](std::size_t i) const { return entries_[i]; }
  const T& back() const { return entries_.back(); }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

 private:
  std::vector<T> entries_;
};

}  // namespace vantor::lan

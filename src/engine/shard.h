#pragma once
// One part of a job split over several processes: shard K of N handles the
// list entries whose index i has i mod N = K. Names, error order and every
// other index-dependent result still use the index in the whole list.

namespace kuvo {

struct Shard {
  int index = 0;
  int count = 0; // 0: the whole list in one process

  bool active() const { return count > 0; }
  bool owns(int listIndex) const { return !active() || listIndex % count == index; }
  // How many of total list entries this shard handles.
  int share(int total) const { return !active() ? total : total > index ? (total - index + count - 1) / count : 0; }
};

} // namespace kuvo

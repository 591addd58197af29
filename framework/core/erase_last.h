#pragma once
// Takes one entry out of a list that holds it at most once. The search runs
// from the end, where owners take entries away as they free them, so that
// emptying a list that way costs one step an entry.
#include <algorithm>
#include <vector>

namespace snx {

template <class T>
void EraseLast(std::vector<T*>& list, const T* item) {
  auto found = std::find(list.rbegin(), list.rend(), item);
  if (found != list.rend()) list.erase(std::next(found).base());
}

}  // namespace snx

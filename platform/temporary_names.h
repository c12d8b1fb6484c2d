// The temporary names of the replaces under way in this process, so that two
// at once never share one, also where two file names lead to the same file.
#pragma once

#include <mutex>
#include <set>
#include <string>

namespace platform {

namespace detail {
struct TemporaryNamesInUse {
  std::mutex mutex;
  std::set<std::string> names;
};
inline TemporaryNamesInUse& NamesInUse() {
  static TemporaryNamesInUse inUse;
  return inUse;
}
}  // namespace detail

// Takes the temporary name for `target`: `target` `marker` `pid`, or, while a
// replace of the same file is under way, `target`.2 `marker` `pid` and so on.
// Every such name ends in the marker and the process's id, as a leftover
// found by a later run must.
inline std::string TakeTemporaryName(const std::string& target, const std::string& marker,
                                     const std::string& pid) {
  detail::TemporaryNamesInUse& inUse = detail::NamesInUse();
  const std::lock_guard lock(inUse.mutex);
  std::string name = target + marker + pid;
  for (int n = 2; inUse.names.count(name) != 0; ++n) {
    name = target + "." + std::to_string(n) + marker + pid;
  }
  inUse.names.insert(name);
  return name;
}

// Gives back a name TakeTemporaryName took.
inline void GiveBackTemporaryName(const std::string& name) {
  detail::TemporaryNamesInUse& inUse = detail::NamesInUse();
  const std::lock_guard lock(inUse.mutex);
  inUse.names.erase(name);
}

}  // namespace platform

#include "support/path_names.h"

std::filesystem::path PathOfName(std::string_view name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

std::string GenericNameOf(const std::filesystem::path& path) {
  const std::u8string name = path.generic_u8string();
  return std::string(name.begin(), name.end());
}

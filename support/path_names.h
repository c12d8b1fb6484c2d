// Names of files are UTF-8 texts. The standard library reads a plain string
// as a name in the platform's code page, so paths are made through these.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The path that the UTF-8 name `name` stands for.
std::filesystem::path PathOfName(std::string_view name);
// The UTF-8 name of `path`, with "/" between its parts.
std::string GenericNameOf(const std::filesystem::path& path);

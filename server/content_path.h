#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace sonaveil_server {

enum class PathVerdict { kFound, kMissing, kRefused };

struct ResolvedPath {
  PathVerdict verdict = PathVerdict::kMissing;
  std::filesystem::path file;  // set when found: a regular file inside the root
};

// Maps a decoded request path ("/music/a001/x.wma") to a regular file under root, which must
// be canonical. Parent steps, hidden names, backslashes and NUL bytes are refused, and so is
// any file whose real location (after symbolic links) lies outside root. A directory stands
// for its index.html.
ResolvedPath ResolveContentPath(const std::filesystem::path& root, std::string_view requestPath);

}  // namespace sonaveil_server

#include "server/content_path.h"

#include <system_error>

namespace sonaveil_server {

namespace fs = std::filesystem;

namespace {

bool Inside(const fs::path& root, const fs::path& candidate) {
  auto r = root.begin();
  auto c = candidate.begin();
  for (; r != root.end(); ++r, ++c) {
    if (c == candidate.end() || *r != *c) return false;
  }
  return true;
}

}  // namespace

ResolvedPath ResolveContentPath(const fs::path& root, std::string_view requestPath) {
  if (requestPath.empty() || requestPath.front() != '/') return {PathVerdict::kRefused, {}};
  fs::path joined = root;
  size_t start = 1;
  while (start <= requestPath.size()) {
    size_t end = requestPath.find('/', start);
    if (end == std::string_view::npos) end = requestPath.size();
    const std::string_view segment = requestPath.substr(start, end - start);
    start = end + 1;
    if (segment.empty()) continue;
    // "..", "." and hidden files alike: nothing the site publishes starts with a dot.
    if (segment.front() == '.') return {PathVerdict::kRefused, {}};
    if (segment.find_first_of(std::string_view("\\\0:", 3)) != std::string_view::npos)
      return {PathVerdict::kRefused, {}};
    joined /= fs::path(std::string(segment));
  }

  std::error_code error;
  fs::path real = fs::canonical(joined, error);
  if (error) return {PathVerdict::kMissing, {}};
  if (!Inside(root, real)) return {PathVerdict::kRefused, {}};
  if (fs::is_directory(real, error)) {
    real = fs::canonical(real / "index.html", error);
    if (error) return {PathVerdict::kMissing, {}};
    if (!Inside(root, real)) return {PathVerdict::kRefused, {}};
  }
  if (!fs::is_regular_file(real, error)) return {PathVerdict::kMissing, {}};
  return {PathVerdict::kFound, real};
}

}  // namespace sonaveil_server

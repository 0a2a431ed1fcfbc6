// The floor under any in-place run that replaces pages safely: every page below DIR is read
// and written back unchanged through tessel-html's own write path (a temporary file in the
// page's folder, then a rename over the page), with no processing at all. A tool that
// takes less time on the same tree rewrites its pages in place instead.
//
// Usage: tessel_write_floor DIR
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "io/safe_replace.h"
#include "io/text_file.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: tessel_write_floor DIR\n"), 2;
  // The list comes first: renaming while a directory is read could show a page twice.
  std::error_code ec;
  std::vector<std::string> pages;
  for (auto it = fs::recursive_directory_iterator(argv[1], ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file() && !it->path().filename().string().starts_with("."))
      pages.push_back(it->path().string());
  }
  if (ec) return std::fprintf(stderr, "%s: %s\n", argv[1], ec.message().c_str()), 1;
  std::string bytes, err;
  for (const std::string& path : pages) {
    if (!tessel::ReadWholeFile(path, bytes, &err) || !tessel::WriteFileAtomic(path, bytes, &err)) {
      return std::fprintf(stderr, "%s\n", err.c_str()), 1;
    }
  }
  std::printf("%zu pages rewritten\n", pages.size());
  return 0;
}

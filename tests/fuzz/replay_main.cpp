// Replays fuzz inputs through the fuzz target without the fuzzing engine, so
// that the seed corpus (and any input kept from a fuzz run) is a regular test
// in every build. Arguments are files or directories of files.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
  std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    if (std::filesystem::is_directory(argv[i], ec)) {
      for (const auto& entry : std::filesystem::directory_iterator(argv[i], ec))
        if (entry.is_regular_file(ec)) files.push_back(entry.path());
      if (ec) {
        std::fprintf(stderr, "cannot list %s\n", argv[i]);
        return 1;
      }
    } else {
      files.emplace_back(argv[i]);
    }
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 1;
  }
  for (const auto& f : files) {
    if (!replay(f)) {
      std::fprintf(stderr, "cannot read %s\n", f.c_str());
      return 1;
    }
  }
  std::fprintf(stderr, "%zu inputs replayed, no finding\n", files.size());
  return 0;
}

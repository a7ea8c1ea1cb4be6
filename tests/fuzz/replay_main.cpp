// Replays a fuzz target's corpus in the normal build: every file below the given folders
// goes through the target once. Inputs that once crashed stay fixed this way.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> corpusFiles(int argc, char** argv)
{
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i)
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i]))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> contentOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv)
{
    const auto files = corpusFiles(argc, argv);
    // An empty corpus would replay nothing and still pass.
    if (files.empty()) {
        std::fprintf(stderr, "no corpus files found\n");
        return 1;
    }
    for (const auto& file : files) {
        std::printf("replaying %s\n", file.filename().c_str());
        std::fflush(stdout);
        const auto bytes = contentOf(file);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", files.size());
    return 0;
}

// Runs a fuzz entry over every file of its seed folders, so an ordinary build checks the corpus,
// and names the slowest file under 1 KB, which a hostile file must not make slow.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    int files = 0;
    double slowestMs = 0;
    std::string slowest = "none";
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i])) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const auto start = std::chrono::steady_clock::now();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            if (bytes.size() < 1024 && ms > slowestMs) {
                slowestMs = ms;
                slowest = entry.path().string();
            }
            ++files;
        }
    }
    std::printf("%d seed files replayed; slowest under 1 KB: %.1f ms (%s)\n", files, slowestMs, slowest.c_str());
    return files > 0 ? 0 : 1;
}

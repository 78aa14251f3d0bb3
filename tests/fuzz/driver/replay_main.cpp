// Stand-in for libFuzzer in the ordinary build: replays every file of the seed corpus, then a fixed
// number of inputs generated from a fixed seed (random bytes and mutations of the seeds), so that CTest
// exercises each reader of outside bytes on every run, under the sanitizers, in the same way each time.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// A target's set-up before its first input, as libFuzzer calls it, where the target has one.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {
constexpr int kGeneratedInputs = 2000;
constexpr std::size_t kMaxLength = 4096;
// Seeds longer than this (the largest maps) are replayed but not mutated: a few thousand runs of them
// would cost minutes under the sanitizers. The real fuzzer mutates them.
constexpr std::size_t kLongestMutatedSeed = 16384;

void run(const std::vector<std::uint8_t>& bytes) {
    // An empty vector has no data pointer; libFuzzer never passes null either.
    static const std::uint8_t none = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
}
} // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::vector<std::uint8_t>> seeds;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path dir(argv[i]);
        if (!std::filesystem::is_directory(dir)) continue;
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto& f : files) {
            std::ifstream in(f, std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    const std::size_t replayed = seeds.size();
    for (const auto& s : seeds)
        run(s);
    std::erase_if(seeds, [](const std::vector<std::uint8_t>& s) { return s.size() > kLongestMutatedSeed; });

    std::mt19937 rng(20261206u);
    for (int n = 0; n < kGeneratedInputs; ++n) {
        std::vector<std::uint8_t> bytes;
        if (!seeds.empty() && (n % 3) != 0) {
            bytes = seeds[rng() % seeds.size()];
            const int edits = 1 + static_cast<int>(rng() % 8);
            for (int e = 0; e < edits; ++e) {
                switch (rng() % 4) {
                case 0: // flip a byte
                    if (!bytes.empty()) bytes[rng() % bytes.size()] = static_cast<std::uint8_t>(rng());
                    break;
                case 1: // truncate
                    if (!bytes.empty()) bytes.resize(rng() % bytes.size());
                    break;
                case 2: // insert a byte
                    if (bytes.size() < kMaxLength)
                        bytes.insert(bytes.begin() +
                                         static_cast<long>(bytes.empty() ? 0 : rng() % bytes.size()),
                                     static_cast<std::uint8_t>(rng()));
                    break;
                default: // an extreme value
                    if (!bytes.empty()) bytes[rng() % bytes.size()] = (rng() & 1) ? 0xFF : 0x00;
                    break;
                }
            }
        } else {
            bytes.resize(rng() % 256);
            for (auto& b : bytes)
                b = static_cast<std::uint8_t>(rng());
        }
        run(bytes);
    }
    std::printf("replayed %zu seeds (%zu mutated) and %d generated inputs\n", replayed, seeds.size(),
                kGeneratedInputs);
    return 0;
}

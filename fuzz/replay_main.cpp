// Replays fuzz inputs without libFuzzer: `fuzz_replay <target> <path>...`
// sends every file named, or every file inside a named folder, through the
// target's entry point once.
#include "replay_targets.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

static void runFile(const FuzzTarget &target, const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    target.input(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
}

int main(int argc, char **argv)
{
    const FuzzTarget *target = nullptr;
    for (const FuzzTarget *t = kFuzzTargets; argc > 1 && t->name; ++t)
        if (std::strcmp(t->name, argv[1]) == 0)
            target = t;
    if (!target) {
        std::fprintf(stderr, "usage: fuzz_replay <target> <file or folder>...\ntargets:");
        for (const FuzzTarget *t = kFuzzTargets; t->name; ++t)
            std::fprintf(stderr, " %s", t->name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Dialog pages of templates make widgets: a widget application.
    QApplication app(argc, argv);
    int count = 0;
    for (int i = 2; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (const auto &e : std::filesystem::recursive_directory_iterator(p))
                if (e.is_regular_file()) {
                    runFile(*target, e.path());
                    ++count;
                }
        } else if (std::filesystem::exists(p)) {
            runFile(*target, p);
            ++count;
        }
    }
    std::printf("replayed %d inputs\n", count);
    return 0;
}

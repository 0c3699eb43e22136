// Replays fuzz inputs without libFuzzer: every file named on the command line,
// or every file inside a named folder, goes through LLVMFuzzerTestOneInput once.
#include <QApplication>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static int runFile(const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    return 1;
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Dialog pages of templates make widgets: a widget application.
    QApplication app(argc, argv);
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (const auto &e : std::filesystem::recursive_directory_iterator(p))
                if (e.is_regular_file())
                    count += runFile(e.path());
        } else if (std::filesystem::exists(p)) {
            count += runFile(p);
        }
    }
    std::printf("replayed %d inputs\n", count);
    return 0;
}

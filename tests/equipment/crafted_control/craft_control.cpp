// Writes the crafted copies of a CD control as built (crafted_control.h),
// one file per shape, NAME.dll, into a folder: for scripts that start the
// programs beside them. Test equipment, never shipped.
//   craft_control CONTROL FOLDER

#include "crafted_control.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: craft_control CONTROL FOLDER\n");
        return 2;
    }
    try {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "craft_control: %s cannot be read\n", argv[1]);
            return 1;
        }
        const ImageBytes control{std::istreambuf_iterator<char>(in), {}};
        const std::filesystem::path folder = argv[2];
        std::filesystem::create_directories(folder);
        for (const CraftedControl& crafted : CraftedControls(control)) {
            const std::filesystem::path file = folder / (crafted.name + ".dll");
            std::ofstream out(file, std::ios::binary);
            out.write(reinterpret_cast<const char*>(crafted.bytes.data()),
                      static_cast<std::streamsize>(crafted.bytes.size()));
            if (!out.flush()) {
                std::fprintf(stderr, "craft_control: %s cannot be written\n", file.string().c_str());
                return 1;
            }
            std::printf("%s: %s\n", file.filename().string().c_str(), crafted.what.c_str());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "craft_control: %s: %s\n", argv[1], error.what());
        return 1;
    }
    return 0;
}

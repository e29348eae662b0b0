// Writes varnoli.1, varnoli-cli.1 and the bash completion into a folder.
#include "help_files.h"

#include <fstream>
#include <iostream>
#include <string>

namespace {

bool write(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (file)
        return true;
    std::cerr << "varnoli-help-files: cannot write " << path << '\n';
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: varnoli-help-files FOLDER\n";
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const bool written = write(folder + "varnoli.1", windowManualPage()) &&
                         write(folder + "varnoli-cli.1", cliManualPage()) &&
                         write(folder + "varnoli-cli.bash", bashCompletion());
    return written ? 0 : 1;
}

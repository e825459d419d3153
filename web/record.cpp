// dscdma-web-record: the drawing commands of the web page's updates, recorded natively with fixed
// text metrics, for comparison with what the WebAssembly build records for the same sets.
//   dscdma-web-record LANGUAGE_FOLDER < SETS
// SETS and the output are as web::RecordSets has them; LANGUAGE_FOLDER holds dscdma.en.itl and
// dscdma.de.itl.

#include "web/webshell.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

std::string ReadAll(std::istream& in)
{
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ReadFile(const std::string& path, std::string& content)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    content = ReadAll(file);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: dscdma-web-record LANGUAGE_FOLDER < SETS\n";
        return 2;
    }
    const std::string folder = argv[1];
    std::string english, german;
    if (!ReadFile(folder + "/dscdma.en.itl", english) || !ReadFile(folder + "/dscdma.de.itl", german)) {
        std::cerr << "dscdma-web-record: no dscdma.en.itl and dscdma.de.itl in " << folder << "\n";
        return 1;
    }
    std::cout << web::RecordSets(ReadAll(std::cin), english, german);
    return std::cout ? 0 : 1;
}

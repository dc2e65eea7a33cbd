// The sample photos of EXIFKIT_CORPUS, for tests that read them all.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace exifkit::test {

// Every file below the corpus folder, sorted; none when there is no corpus.
inline std::vector<std::string> corpusfiles()
{
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(EXIFKIT_CORPUS, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file())
            files.push_back(it->path().string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace exifkit::test

// The sample photos the benchmarks read.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace exifkit::bench {

inline bool isjpeg(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".jpg" || ext == ".jpeg";
}

// Every JPEG file below root, sorted.
inline std::vector<std::string> allphotos(const std::filesystem::path& root)
{
    namespace fs = std::filesystem;
    std::vector<std::string> photos;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && isjpeg(it->path()))
            photos.push_back(it->path().string());
    std::sort(photos.begin(), photos.end());
    return photos;
}

// The photos of cameras and phones: without the damaged files (invalid/,
// corrupted.jpg), the test files (tests/), exiv2-suite/, which holds
// mostly files that once broke other readers, and formats/, whose files of
// other formats are timed on their own and whose hostile/ holds crash
// reproducers named .jpg that are not JPEG files.
inline std::vector<std::string> cameraphotos(const std::filesystem::path& root)
{
    std::vector<std::string> photos;
    for (const std::string& path : allphotos(root)) {
        const std::string rel = std::filesystem::relative(path, root).generic_string();
        if (rel.rfind("invalid/", 0) && rel.rfind("tests/", 0) && rel.rfind("exiv2-suite/", 0) &&
            rel.rfind("formats/", 0) && rel != "corrupted.jpg")
            photos.push_back(path);
    }
    return photos;
}

inline std::vector<unsigned char> readfile(const std::string& path)
{
    std::vector<unsigned char> data;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        unsigned char chunk[65536];
        while (std::size_t n = std::fread(chunk, 1, sizeof chunk, f))
            data.insert(data.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return data;
}

}  // namespace exifkit::bench

// The formats beyond JPEG, side by side: the sample files of each format
// (formats/camera of the corpus) read by exifkit and exiv2 from their paths,
// and by exifkit and exifr (in Node, bench/node) from memory; then what
// reading costs in bytes and read calls for a large TIFF, an iPhone HEIC and
// a synthetic 50 MB raw file whose metadata sit at both ends.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exiv2/exiv2.hpp>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "corpus.h"
#include "exifkit/exifkit.h"
#include "support/rawfile.h"

namespace {

namespace fs = std::filesystem;

struct Sample {
    std::string path;
    std::string format;
    std::vector<unsigned char> bytes;
};

// A file read with pread, counting the calls and the bytes.
class CountingFile final : public exifkit::Source {
public:
    explicit CountingFile(const std::string& path) : fd_(open(path.c_str(), O_RDONLY)) {}
    ~CountingFile() override
    {
        if (fd_ >= 0)
            close(fd_);
    }
    std::optional<std::uint64_t> size() const override
    {
        const off_t end = lseek(fd_, 0, SEEK_END);
        return end >= 0 ? std::optional<std::uint64_t>(static_cast<std::uint64_t>(end)) : std::nullopt;
    }
    std::int64_t read(std::uint64_t offset, void* out, std::size_t length) override
    {
        const ssize_t got = pread(fd_, out, length, static_cast<off_t>(offset));
        ++calls;
        if (got < 0)
            return FAILED;
        bytes += static_cast<std::uint64_t>(got);
        return got;
    }
    std::uint64_t calls = 0, bytes = 0;

private:
    int fd_;
};

template <class Read>
double microseconds(int rounds, Read read)
{
    read();
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; r++)
        read();
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    return took.count() / rounds;
}

std::size_t exiv2read(const std::string& path)
{
    try {
        auto image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        std::size_t sum = 0;
        for (const Exiv2::Exifdatum& datum : image->exifData())
            sum += datum.print().size();
        return sum;  // nothing: a file exiv2 does not read
    } catch (const std::exception&) {
        return 0;
    }
}

// exifr's mean time per file, from `node bench/node/exifr.mjs`; empty when
// Node or exifr is missing.
std::map<std::string, double> exifrtimes(const std::vector<Sample>& samples, int rounds)
{
    std::map<std::string, double> times;
    const fs::path script = fs::path(EXIFKIT_SOURCE) / "bench/node/exifr.mjs";
    if (!fs::exists(fs::path(EXIFKIT_SOURCE) / "node_modules/exifr"))
        return times;
    std::string command = "node '" + script.string() + "' " + std::to_string(rounds);
    for (const Sample& s : samples)
        command += " '" + s.path + "'";
    std::FILE* out = popen(command.c_str(), "r");
    if (!out)
        return times;
    char line[4096];
    while (std::fgets(line, sizeof line, out)) {
        char* tab = std::strchr(line, '\t');
        if (tab) {
            *tab = '\0';
            times[line] = std::atof(tab + 1);
        }
    }
    pclose(out);
    return times;
}

// A 50 MB raw file of zero image data, its IFD0 at the start and its Exif
// directory at the end.
std::string makebigraw()
{
    const std::string path = (fs::temp_directory_path() / "exifkit-bench-50mb.tif").string();
    const std::vector<unsigned char> b = exifkit::test::bigraw(50u << 20);
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(b.data(), 1, b.size(), f);
        std::fclose(f);
    }
    return path;
}

}  // namespace

int formatsreport(int rounds, const std::string& corpus)
{
    std::vector<Sample> samples;
    const fs::path folder = fs::path(corpus) / "formats/camera";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file())
            samples.push_back({e.path().string(), "", exifkit::bench::readfile(e.path().string())});
    std::sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return a.path < b.path; });
    for (Sample& s : samples)
        s.format = std::string(exifkit::readMetadata(s.bytes.data(), s.bytes.size()).format);
    if (samples.empty())
        return 0;
    const int many = std::max(rounds * 20, 20);
    const std::map<std::string, double> exifr = exifrtimes(samples, many);

    struct Totals {
        int files = 0, exiv2files = 0, exifrfiles = 0;
        double ours = 0, exiv2 = 0, oursexiv2 = 0, memory = 0, exifr = 0, oursexifr = 0;
    };
    std::map<std::string, Totals> byformat;
    std::size_t sink = 0;
    exifkit::Metadata kept;
    for (const Sample& s : samples) {
        Totals& t = byformat[s.format.empty() ? "(none)" : s.format];
        const double ours = microseconds(many, [&] { sink += static_cast<std::size_t>(exifkit::readEXIF(s.path.c_str())); });
        const double memory = microseconds(many, [&] {
            exifkit::readMetadata(s.bytes.data(), s.bytes.size(), kept);
            sink += kept.groups.size();
        });
        t.files++;
        t.ours += ours;
        t.memory += memory;
        if (exiv2read(s.path)) {
            t.exiv2files++;
            t.exiv2 += microseconds(many, [&] { sink += exiv2read(s.path); });
            t.oursexiv2 += ours;
        }
        if (const auto it = exifr.find(s.path); it != exifr.end()) {
            t.exifrfiles++;
            t.exifr += it->second;
            t.oursexifr += memory;
        }
    }
    std::printf("\nOther formats: formats/camera, mean µs per file (exiv2 and exifr: over the files they read)\n\n");
    std::printf("| format | files | exifkit (path) | exiv2 | exiv2 / exifkit | exifkit (memory) | exifr | exifr / exifkit |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const auto& [format, t] : byformat) {
        std::printf("| %s | %d | %.1f |", format.c_str(), t.files, t.ours / t.files);
        if (t.exiv2files)
            std::printf(" %.1f (%d) | %.1f |", t.exiv2 / t.exiv2files, t.exiv2files, t.exiv2 / t.oursexiv2);
        else
            std::printf(" — | — |");
        std::printf(" %.1f |", t.memory / t.files);
        if (t.exifrfiles)
            std::printf(" %.1f (%d) | %.1f |\n", t.exifr / t.exifrfiles, t.exifrfiles, t.exifr / t.oursexifr);
        else
            std::printf(" — | — |\n");
    }

    std::printf("\nWhat a read costs: bytes read and read calls\n\n| file | size | bytes read | share | read calls |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    const std::string bigraw = makebigraw();
    for (const std::string& path : {(folder / "exiv2-ReaganLargeTiff.tiff").string(),
                                    (folder / "exifr-heic-iphone.heic").string(),
                                    (folder / "exifr-heic-iphone7.heic").string(), bigraw}) {
        CountingFile file(path);
        const std::uint64_t size = file.size().value_or(0);
        if (!size)
            continue;
        const exifkit::Metadata m = exifkit::readMetadata(file);
        sink += m.groups.size();
        std::printf("| %s | %llu | %llu | %.1f%% | %llu |\n", fs::path(path).filename().c_str(),
                    static_cast<unsigned long long>(size), static_cast<unsigned long long>(file.bytes),
                    100.0 * static_cast<double>(file.bytes) / static_cast<double>(size),
                    static_cast<unsigned long long>(file.calls));
    }
    fs::remove(bigraw, ec);
    return sink ? 0 : 1;
}

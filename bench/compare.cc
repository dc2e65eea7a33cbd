// Side-by-side timing of exifkit, libexif, exiv2 and the I/O floor over the
// camera photos of the corpus (damaged files, tests/, the regression files
// of exiv2-suite/ and formats/ left out); then the other formats (bench/formats.cc).
//
//   compare [ROUNDS] [CORPUS]
//
// Each round times every reader over the whole file list, the readers taking
// turns in a rotating order so that none always runs first. A reader reads
// the list once untimed before its timed pass, so that each is measured warm
// (as when reading a whole photo library) rather than after another reader
// has filled the caches with its own code and data. The table gives the
// median over the rounds of the mean time per file.
//   exifkit  readEXIF with a handler that discards
//   libexif  exif_data_new_from_file and exif_entry_get_value of every entry
//   exiv2    ImageFactory::open, readMetadata and print of every datum
//   I/O floor    open, read the bytes exifkit needs (through the start of
//                scan), close, with the system calls themselves
//   stdio floor  the same through an unbuffered standard-library stream, the
//                cheapest way a reader that uses only the C++ library can go
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exiv2/exiv2.hpp>
#include <functional>
#include <libexif/exif-data.h>
#include <string>
#include <vector>

#include "corpus.h"
#include "exifkit/exifkit.h"

namespace {

struct Discard : exifkit::InfoHandler {
    std::size_t bytes = 0;
    void beginOfInfoType(int) override {}
    void handleInfoWithName(const char* name, const char* value) override
    {
        bytes += static_cast<unsigned char>(name[0]) + static_cast<unsigned char>(value[0]);
    }
};

struct Photo {
    std::string path;
    std::size_t head;  // bytes up to the end of the start-of-scan marker
};

// How far exifkit reads into the file: through the start-of-scan marker (or
// the end of the file when there is none).
std::size_t headlength(const std::string& path)
{
    const std::vector<unsigned char> data = exifkit::bench::readfile(path);
    std::size_t at = 2;
    while (at + 4 <= data.size()) {
        if (data[at] != 0xFF) {
            ++at;
            continue;
        }
        const unsigned char code = data[at + 1];
        if (code == 0xFF) {
            ++at;
            continue;
        }
        if (code == 0xDA || code == 0xD9)
            return at + 2;
        at += 2 + (static_cast<std::size_t>(data[at + 2]) << 8 | data[at + 3]);
    }
    return data.size();
}

std::size_t readexifkit(const std::string& path)
{
    static Discard discard;
    exifkit::setEXIFInfoHandler(&discard);
    return static_cast<std::size_t>(exifkit::readEXIF(path.c_str())) + discard.bytes;
}

void addentry(ExifEntry* entry, void* sum)
{
    char value[1024];
    if (exif_entry_get_value(entry, value, sizeof value))
        *static_cast<std::size_t*>(sum) += static_cast<unsigned char>(value[0]);
}

void addcontent(ExifContent* content, void* sum)
{
    exif_content_foreach_entry(content, addentry, sum);
}

std::size_t readlibexif(const std::string& path)
{
    std::size_t sum = 0;
    if (ExifData* data = exif_data_new_from_file(path.c_str())) {
        exif_data_foreach_content(data, addcontent, &sum);
        exif_data_unref(data);
    }
    return sum;
}

std::size_t readexiv2(const std::string& path)
{
    std::size_t sum = 0;
    try {
        auto image = Exiv2::ImageFactory::open(path);
        image->readMetadata();
        for (const Exiv2::Exifdatum& datum : image->exifData())
            sum += datum.print().size();
    } catch (const std::exception&) {
        // A file exiv2 refuses still costs what it took.
    }
    return sum;
}

std::size_t readfloor(const Photo& photo, std::vector<char>& buffer)
{
    const int fd = open(photo.path.c_str(), O_RDONLY);
    if (fd < 0)
        return 0;
    buffer.resize(std::max(buffer.size(), photo.head));
    const ssize_t got = read(fd, buffer.data(), photo.head);
    close(fd);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

std::size_t readstdio(const Photo& photo, std::vector<char>& buffer)
{
    std::FILE* f = std::fopen(photo.path.c_str(), "rb");
    if (!f)
        return 0;
    std::setvbuf(f, nullptr, _IONBF, 0);
    buffer.resize(std::max(buffer.size(), photo.head));
    const std::size_t got = std::fread(buffer.data(), 1, photo.head, f);
    std::fclose(f);
    return got;
}

struct Reader {
    const char* name;
    std::function<std::size_t(const Photo&)> read;
    std::vector<double> perfile;  // microseconds, one per round
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

// bench/formats.cc: the other formats against exiv2 and exifr, and the cost of reading.
int formatsreport(int rounds, const std::string& corpus);

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string corpus = argc > 2 ? argv[2] : EXIFKIT_CORPUS;
    std::vector<Photo> photos;
    for (const std::string& path : exifkit::bench::cameraphotos(corpus))
        photos.push_back({path, headlength(path)});
    if (photos.empty()) {
        std::fprintf(stderr, "compare: no photos under %s\n", corpus.c_str());
        return 1;
    }
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    std::vector<char> buffer;
    std::vector<Reader> readers = {
        {"exifkit", [](const Photo& p) { return readexifkit(p.path); }, {}},
        {"I/O floor", [&buffer](const Photo& p) { return readfloor(p, buffer); }, {}},
        {"libexif", [](const Photo& p) { return readlibexif(p.path); }, {}},
        {"stdio floor", [&buffer](const Photo& p) { return readstdio(p, buffer); }, {}},
        {"exiv2", [](const Photo& p) { return readexiv2(p.path); }, {}},
    };

    std::size_t sink = 0;
    for (int round = 0; round < rounds; ++round)
        for (std::size_t k = 0; k < readers.size(); ++k) {
            Reader& r = readers[(k + static_cast<std::size_t>(round)) % readers.size()];
            for (const Photo& p : photos)
                sink += r.read(p);
            const auto start = std::chrono::steady_clock::now();
            for (const Photo& p : photos)
                sink += r.read(p);
            const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
            r.perfile.push_back(took.count() / static_cast<double>(photos.size()));
        }

    const double ours = median(readers[0].perfile);
    std::printf("%zu photos, %d rounds, median of the per-file means\n\n", photos.size(), rounds);
    std::printf("| reader | µs per file | × exifkit |\n|---|---:|---:|\n");
    for (const Reader& r : readers)
        std::printf("| %s | %.2f | %.2f |\n", r.name, median(r.perfile), median(r.perfile) / ours);
    auto of = [&readers](const char* name) {
        for (const Reader& r : readers)
            if (std::string(r.name) == name)
                return median(r.perfile);
        return 0.0;
    };
    std::printf("\nlibexif / exifkit: %.1f (goal at least 4)\n", of("libexif") / ours);
    std::printf("exiv2 / exifkit: %.1f (goal at least 25)\n", of("exiv2") / ours);
    std::printf("exifkit / I/O floor: %.2f (goal at most 1.5)\n", ours / of("I/O floor"));
    std::printf("exifkit / stdio floor: %.2f\n", ours / of("stdio floor"));
    const int others = formatsreport(rounds, corpus);
    return sink == 0 || others ? 1 : 0;
}

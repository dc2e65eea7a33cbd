// Benchmarks over the sample photos (EXIFKIT_CORPUS, its subfolders included;
// tests/data when that folder holds none):
//   exifparse  parsing every Exif block of the photos, cut out once at start;
//              items are blocks, "per_block" the mean time of one.
//   readEXIF   reading every photo end to end with a handler that discards;
//              items are files, "per_file" the mean time of one.
//   readMetadata        the same through the value API, into one value read
//              into again and again; /fresh: a new value per photo.
//   hostile/*  parsing one adversarial block (tests/support/hostile.h); "per_entry"
//              the time per directory entry, to set beside exifparse's.
//   notes/*    parsing the Exif block of one photo per maker-note layout;
//              "per_property" the time per property of the parse, so that
//              the makers' readers can be set beside each other.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "corpus.h"
#include "support/hostile.h"
#include "exifkit/exifkit.h"
#include "exifkit/records.h"

namespace {

namespace fs = std::filesystem;

constexpr int MARKER_APP1 = 0xE1;

bool is_exif_block(const std::vector<unsigned char>& block)
{
    return block.size() >= 6 && std::memcmp(block.data(), "Exif\0\0", 6) == 0;
}

// Appends the Exif blocks of the photo's APP1 segments to blocks.
void cut_exif_blocks(const std::string& photo, std::vector<std::vector<unsigned char>>& blocks)
{
    std::FILE* in = std::fopen(photo.c_str(), "rb");
    if (!in)
        return;
    try {
        int marker = 0;
        unsigned int length = 0;
        for (int first = 1; exifkit::jpegscan(in, &marker, &length, first); first = 0) {
            std::vector<unsigned char> block(length);
            if (std::fread(block.data(), 1, length, in) != length)
                break;
            if (marker == MARKER_APP1 && is_exif_block(block))
                blocks.push_back(std::move(block));
        }
    } catch (const exifkit::ExifException&) {
        // A malformed header: keep the blocks found before it.
    }
    std::fclose(in);
}

class DiscardingHandler : public exifkit::InfoHandler {
public:
    void beginOfInfoType(int) override {}
    void handleInfoWithName(const char* name, const char* value) override
    {
        benchmark::DoNotOptimize(name);
        benchmark::DoNotOptimize(value);
    }
};

// Blocks are copied into exact-size heap buffers, as readEXIF hands them over.
struct Block {
    std::unique_ptr<unsigned char[]> data;
    std::uint32_t size;
};

std::vector<Block> to_heap(const std::vector<std::vector<unsigned char>>& blocks)
{
    std::vector<Block> out;
    for (const auto& b : blocks) {
        Block copy{std::make_unique<unsigned char[]>(b.size()), static_cast<std::uint32_t>(b.size())};
        std::memcpy(copy.data.get(), b.data(), b.size());
        out.push_back(std::move(copy));
    }
    return out;
}

void per_item_counters(benchmark::State& state, std::size_t items, const char* name)
{
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * items));
    state.counters[name] = benchmark::Counter(static_cast<double>(items),
                                              benchmark::Counter::kIsIterationInvariantRate |
                                                  benchmark::Counter::kInvert);
}

void parseall(const std::vector<Block>& blocks)
{
    for (const Block& b : blocks) {
        try {
            exifkit::exif_info_ptr info(exifkit::exifparse(b.data.get(), b.size));
            benchmark::DoNotOptimize(info.get());
        } catch (const exifkit::ExifException&) {
            // Counted like any other block.
        }
    }
}

// Directory entries the reader makes properties of, over all blocks.
std::size_t entriesof(const std::vector<Block>& blocks)
{
    std::size_t n = 0;
    for (const Block& b : blocks) {
        exifkit::exif_info_ptr info(exifkit::exifscan(b.data.get(), b.size, 1));
        for (const exifkit::exif_prop* p = info ? info->props : nullptr; p; p = p->next)
            ++n;
    }
    return n;
}

void bench_exifparse(benchmark::State& state, const std::vector<Block>* blocks)
{
    for (auto _ : state)
        parseall(*blocks);
    per_item_counters(state, blocks->size(), "per_block");
    state.counters["per_entry"] = benchmark::Counter(static_cast<double>(entriesof(*blocks)),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

// One adversarial block; "per_entry" is comparable with that of exifparse.
void bench_hostile(benchmark::State& state, const std::vector<Block>* block, std::size_t entries)
{
    for (auto _ : state)
        parseall(*block);
    per_item_counters(state, entries, "per_entry");
}

void bench_readexif(benchmark::State& state, const std::vector<std::string>* photos)
{
    DiscardingHandler handler;
    exifkit::setEXIFInfoHandler(&handler);
    for (auto _ : state)
        for (const std::string& photo : *photos)
            benchmark::DoNotOptimize(exifkit::readEXIF(photo.c_str()));
    exifkit::setEXIFInfoHandler(nullptr);
    per_item_counters(state, photos->size(), "per_file");
}

void bench_readmetadata(benchmark::State& state, const std::vector<std::string>* photos)
{
    exifkit::Metadata kept;
    for (auto _ : state)
        for (const std::string& photo : *photos) {
            exifkit::readMetadata(photo.c_str(), kept);
            benchmark::DoNotOptimize(kept.result);
        }
    per_item_counters(state, photos->size(), "per_file");
}

void bench_readmetadata_fresh(benchmark::State& state, const std::vector<std::string>* photos)
{
    for (auto _ : state)
        for (const std::string& photo : *photos) {
            const exifkit::Metadata m = exifkit::readMetadata(photo.c_str());
            benchmark::DoNotOptimize(m.result);
        }
    per_item_counters(state, photos->size(), "per_file");
}

// One photo per maker-note layout, from the sample photos.
struct notesample {
    const char* name;
    const char* photo;  // under EXIFKIT_CORPUS
};
constexpr notesample NOTE_SAMPLES[] = {
    {"canon",    "Canon_40D.jpg"},
    {"nikon",    "Nikon_D70.jpg"},
    {"apple",    "hdr/iphone_hdr_YES.jpg"},
    {"sony",     "exiv2-suite/exiv2-sony-dsc-w7.jpg"},
    {"olympus2", "tests/42_IndexError.jpg"},
    {"pentax",   "exiv2-suite/exiv2-bug884a.jpg"},
};

void bench_note(benchmark::State& state, const std::vector<Block>* block)
{
    for (auto _ : state)
        parseall(*block);
    per_item_counters(state, entriesof(*block), "per_property");
}

void registernotes()
{
    for (const notesample& sample : NOTE_SAMPLES) {
        std::vector<std::vector<unsigned char>> cut;
        cut_exif_blocks(std::string(EXIFKIT_CORPUS) + "/" + sample.photo, cut);
        if (cut.empty())
            continue;
        cut.resize(1);
        // Benchmarks keep a pointer to their block until the program ends.
        static std::vector<std::vector<Block>> kept(std::size(NOTE_SAMPLES));
        std::vector<Block>& block = kept[static_cast<std::size_t>(&sample - NOTE_SAMPLES)];
        block = to_heap(cut);
        benchmark::RegisterBenchmark((std::string("notes/") + sample.name).c_str(), bench_note, &block)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::string source = EXIFKIT_CORPUS;
    std::vector<std::string> photos = exifkit::bench::allphotos(source);
    if (photos.empty()) {
        source = EXIFKIT_TEST_DATA;
        photos = exifkit::bench::allphotos(source);
    }
    std::vector<std::vector<unsigned char>> cut;
    for (const std::string& photo : photos)
        cut_exif_blocks(photo, cut);
    static const std::vector<Block> blocks = to_heap(cut);
    static const std::vector<std::string> files = photos;

    benchmark::AddCustomContext("photos", source);
    benchmark::AddCustomContext("photo_count", std::to_string(files.size()));
    benchmark::AddCustomContext("exif_block_count", std::to_string(blocks.size()));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (files.empty()) {
        std::fprintf(stderr, "no photos in %s\n", source.c_str());
        return 1;
    }
    benchmark::RegisterBenchmark("exifparse", bench_exifparse, &blocks)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("readEXIF", bench_readexif, &files)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("readMetadata", bench_readmetadata, &files)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("readMetadata/fresh", bench_readmetadata_fresh, &files)
        ->Unit(benchmark::kMicrosecond);
    static std::vector<std::vector<Block>> hostile;
    const std::vector<exifkit::bench::hostileblock> built = exifkit::bench::hostileblocks();
    hostile.reserve(built.size());
    for (const auto& h : built) {
        hostile.push_back(to_heap({h.data}));
        benchmark::RegisterBenchmark(("hostile/" + h.name).c_str(), bench_hostile, &hostile.back(), h.entries)
            ->Unit(benchmark::kMicrosecond);
    }
    registernotes();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Many reads at once: the corpus read on several threads, through readers of
// their own and through the value API, gives exactly what a serial read gives.
// Also built with ThreadSanitizer by `make test`.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/delivery.h"

namespace exifkit::test {
namespace {

// Records a read through the callback interfaces, in the value API's terms.
struct Recorder : InfoHandler, WarningSink {
    Metadata m;
    void beginOfInfoType(int level) override { m.groups.push_back(Group{level, {}}); }
    void handleInfoWithName(const char* name, const char* value) override
    {
        m.groups.back().properties.push_back(textproperty(name, value, m.groups.back().level));
    }
    void warning(const char* message, const char* detail) override
    {
        m.warnings.push_back(Warning{message, detail ? std::optional<std::string>(detail) : std::nullopt});
    }
    void error(const char* reason) override { m.error = reason; }
};

Metadata throughreader(Reader& reader, const std::string& path)
{
    Recorder rec;
    reader.setHandler(&rec);
    reader.setWarningSink(&rec);
    rec.m.result = reader.read(path.c_str());
    Frame f{};
    if (reader.frame(&f.precision, &f.components, &f.height, &f.width))
        rec.m.frame = f;
    if (rec.m.result == EXIF_CANT_OPEN)
        rec.m.oserror = readMetadata(path.c_str()).oserror;
    return rec.m;
}

TEST(Threads, ConcurrentReadsMatchSerialOnes)
{
    const strings files = corpusfiles();
    if (files.empty())
        GTEST_SKIP() << "no corpus at " << EXIFKIT_CORPUS;
    // Tracing unpacks some maker arrays that are otherwise left alone, so
    // traced reads are compared with traced ones.
    std::FILE* devnull = std::fopen("/dev/null", "w");
    ASSERT_NE(devnull, nullptr);
    std::vector<Metadata> serial[2];
    for (const std::string& f : files) {
        serial[0].push_back(readMetadata(f.c_str()));
        serial[1].push_back(readMetadata(f.c_str(), devnull));
    }

    constexpr int THREADS = 4, ROUNDS = 2;
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t)
        threads.emplace_back([&, t] {
            const bool traced = t % 2 == 0;
            Reader reader;
            reader.setTrace(traced, devnull);
            for (int round = 0; round < ROUNDS; ++round)
                for (std::size_t i = 0; i < files.size(); ++i) {
                    const std::size_t at = (i + static_cast<std::size_t>(t) * 7) % files.size();
                    const bool valueapi = (t / 2 + round) % 2;
                    const Metadata& want = serial[traced][at];
                    if (valueapi ? !(readMetadata(files[at].c_str(), traced ? devnull : nullptr) == want)
                                 : !(throughreader(reader, files[at]) == textsof(want)))
                        ++mismatches;
                }
        });
    for (std::thread& t : threads)
        t.join();
    std::fclose(devnull);
    EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
}  // namespace exifkit::test

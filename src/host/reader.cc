// The Reader object and the value API.
#include "exifkit/reader.h"

#include <new>
#include <utility>

#include "host/read.h"

namespace exifkit {

Reader::Reader() noexcept
{
    state_.trace = &trace_;
}

void Reader::setTrace(bool on, std::FILE* stream) noexcept
{
    trace_ = on ? 1 : 0;
    state_.tracestream = stream;
}

int Reader::read(const char* path)
{
    int oserror = 0;
    return detail::readpath(state_, path, &oserror);
}

int Reader::read(std::FILE* stream)
{
    return detail::readstream(state_, stream);
}

int Reader::read(const void* data, std::size_t size)
{
    return detail::readmemory(state_, data, size);
}

int Reader::frame(int* precision, int* components, int* height, int* width) const noexcept
{
    *precision = state_.frame.precision;
    *components = state_.frame.components;
    *height = state_.frame.height;
    *width = state_.frame.width;
    return state_.frame.seen;
}

namespace {

// Collects what one read delivers and reports into a Metadata value.
class collector final : public InfoHandler, public WarningSink {
public:
    explicit collector(Metadata& out) noexcept : out_(out) {}

    void beginOfInfoType(int level) override { out_.groups.push_back(Group{level, {}}); }
    void handleInfoWithName(const char* name, const char* value) override
    {
        out_.groups.back().properties.push_back(Property{name ? name : "", value ? value : ""});
    }
    void warning(const char* message, const char* detail) override
    {
        Warning w{message ? message : "", std::nullopt};
        if (detail)
            w.detail = detail;
        out_.warnings.push_back(std::move(w));
    }
    void error(const char* reason) override { out_.error = reason ? reason : ""; }

private:
    Metadata& out_;
};

template <class Read>
Metadata collect(Read read, std::FILE* trace) noexcept
{
    Metadata out;
    try {
        collector into(out);
        detail::readstate st;
        const int on = trace != nullptr;
        st.handler = &into;
        st.sink = &into;
        st.trace = &on;
        st.tracestream = trace;
        out.result = read(st, &out.oserror);
        if (st.frame.seen)
            out.frame = Frame{st.frame.precision, st.frame.components, st.frame.height, st.frame.width};
    } catch (const std::bad_alloc&) {
        out = Metadata{};
        try {
            out.error = "Error: Cannot allocate memory";
        } catch (const std::bad_alloc&) {
            // Not even the reason fits: the result code says enough.
        }
    }
    return out;
}

}  // namespace

Metadata readMetadata(const char* path, std::FILE* trace) noexcept
{
    return collect([path](detail::readstate& st, int* oserror) { return detail::readpath(st, path, oserror); },
                   trace);
}

Metadata readMetadata(std::FILE* stream, std::FILE* trace) noexcept
{
    return collect([stream](detail::readstate& st, int*) { return detail::readstream(st, stream); }, trace);
}

Metadata readMetadata(const void* data, std::size_t size, std::FILE* trace) noexcept
{
    return collect([data, size](detail::readstate& st, int*) { return detail::readmemory(st, data, size); },
                   trace);
}

}  // namespace exifkit

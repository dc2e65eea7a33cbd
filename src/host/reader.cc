// The Reader object and the value API.
#include "exifkit/reader.h"

#include <cerrno>
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
    oserror_ = 0;
    const int result = detail::readpath(state_, path, &oserror_);
    if (oserror_)
        errno = oserror_;  // for the caller, as the failed open or read left it
    return result;
}

int Reader::read(std::FILE* stream)
{
    oserror_ = 0;
    const int result = detail::readstream(state_, stream, &oserror_);
    if (oserror_)
        errno = oserror_;
    return result;
}

int Reader::read(const void* data, std::size_t size)
{
    oserror_ = 0;
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

// Collects what one read delivers and reports into a Metadata value. The
// value's groups, properties and warnings are overwritten in place and cut
// to size at the end, so that a value read into again and again keeps the
// memory of its strings and vectors.
class collector final : public InfoHandler, public WarningSink {
public:
    explicit collector(Metadata& out) noexcept : out_(out)
    {
        out_.result = EXIF_NONE;
        out_.oserror = 0;
        out_.error.reset();
        out_.frame.reset();
    }

    void beginOfInfoType(int level) override
    {
        if (groups_ < out_.groups.size())
            out_.groups[groups_].level = level;
        else
            out_.groups.push_back(Group{level, {}});
        if (groups_ < used_.size())
            used_[groups_] = 0;
        else
            used_.push_back(0);
        ++groups_;
    }
    void handleInfoWithName(const char* name, const char* value) override
    {
        std::vector<Property>& props = out_.groups[groups_ - 1].properties;
        std::size_t& used = used_[groups_ - 1];
        // Property names come from the constant tables (see Property).
        if (used < props.size()) {
            props[used].name = name ? name : "";
            props[used].value = value ? value : "";
        } else {
            props.push_back(Property{name ? name : "", value ? value : ""});
        }
        ++used;
    }
    void warning(const char* message, const char* detail) override
    {
        if (warnings_ == out_.warnings.size())
            out_.warnings.emplace_back();
        Warning& w = out_.warnings[warnings_++];
        w.message = message ? message : "";
        if (detail)
            w.detail = detail;
        else
            w.detail.reset();
    }
    void error(const char* reason) override { out_.error = reason ? reason : ""; }

    // Cuts what an earlier read left beyond this one's.
    void finish()
    {
        out_.warnings.resize(warnings_);
        out_.groups.resize(groups_);
        for (std::size_t g = 0; g < groups_; g++)
            out_.groups[g].properties.resize(used_[g]);
    }

private:
    Metadata& out_;
    std::size_t groups_ = 0;
    std::size_t warnings_ = 0;
    std::vector<std::size_t> used_;  // properties of each group so far
};

template <class Read>
void collect(Read read, Metadata& out, std::FILE* trace) noexcept
{
    try {
        collector into(out);
        detail::readstate st;
        const int on = trace != nullptr;
        st.handler = &into;
        st.sink = &into;
        st.trace = &on;
        st.tracestream = trace;
        out.result = read(st, &out.oserror);
        into.finish();
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
}

template <class Read>
Metadata collect(Read read, std::FILE* trace) noexcept
{
    Metadata out;
    collect(read, out, trace);
    return out;
}

auto frompath(const char* path)
{
    return [path](detail::readstate& st, int* oserror) { return detail::readpath(st, path, oserror); };
}

auto fromstream(std::FILE* stream)
{
    return [stream](detail::readstate& st, int* oserror) { return detail::readstream(st, stream, oserror); };
}

auto frommemory(const void* data, std::size_t size)
{
    return [data, size](detail::readstate& st, int*) { return detail::readmemory(st, data, size); };
}

}  // namespace

Metadata readMetadata(const char* path, std::FILE* trace) noexcept
{
    return collect(frompath(path), trace);
}

Metadata readMetadata(std::FILE* stream, std::FILE* trace) noexcept
{
    return collect(fromstream(stream), trace);
}

Metadata readMetadata(const void* data, std::size_t size, std::FILE* trace) noexcept
{
    return collect(frommemory(data, size), trace);
}

void readMetadata(const char* path, Metadata& out, std::FILE* trace) noexcept
{
    collect(frompath(path), out, trace);
}

void readMetadata(std::FILE* stream, Metadata& out, std::FILE* trace) noexcept
{
    collect(fromstream(stream), out, trace);
}

void readMetadata(const void* data, std::size_t size, Metadata& out, std::FILE* trace) noexcept
{
    collect(frommemory(data, size), out, trace);
}

}  // namespace exifkit

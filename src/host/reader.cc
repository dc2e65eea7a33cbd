// The Reader object and the value API.
#include "exifkit/reader.h"

#include <cerrno>
#include <new>
#include <utility>

#include "host/read.h"
#include "host/summary.h"
#include "host/typed.h"

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
class collector final : public InfoHandler, public WarningSink, public detail::propertysink {
public:
    explicit collector(Metadata& out) noexcept : out_(out)
    {
        out_.result = EXIF_NONE;
        out_.oserror = 0;
        out_.error.reset();
        out_.frame.reset();
        out_.missing.reset();
        sources_.clear();
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
        Property& p = next(name ? name : "", value ? value : "");
        p.key = p.directory = p.parent = {};
        p.tag = p.type = 0;
        p.count = 0;
        p.value.clear();
    }
    void block(const exif_info&) override {}
    void expect(std::size_t count) override { out_.groups[groups_ - 1].properties.reserve(used_[groups_ - 1] + count); }
    void property(detail::context& ctx, const exif_prop& prop, std::string_view name, std::string_view text) override
    {
        Property& p = next(name, text);
        const detail::dirclass kind = describer_.describe(ctx, prop, p);
        sources_.offer(kind, p, static_cast<std::uint32_t>(groups_ - 1),
                       static_cast<std::uint32_t>(used_[groups_ - 1] - 1));
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

    // Cuts what an earlier read left beyond this one's; then the summary
    // and the index, once the frame is known.
    void finish()
    {
        out_.warnings.resize(warnings_);
        out_.groups.resize(groups_);
        for (std::size_t g = 0; g < groups_; g++)
            out_.groups[g].properties.resize(used_[g]);
    }
    void summarize() const
    {
        sources_.summarize(out_);
        out_.reindex();
    }

private:
    // The next property of the current group, its texts and group set.
    Property& next(std::string_view name, std::string_view text)
    {
        std::vector<Property>& props = out_.groups[groups_ - 1].properties;
        std::size_t& used = used_[groups_ - 1];
        if (used == props.size())
            props.emplace_back();
        Property& p = props[used++];
        // Property names come from the constant tables (see Property).
        p.name = name;
        p.text = text;
        p.group = out_.groups[groups_ - 1].level;
        return p;
    }

    Metadata& out_;
    std::size_t groups_ = 0;
    std::size_t warnings_ = 0;
    std::vector<std::size_t> used_;  // properties of each group so far
    detail::describer describer_;
    detail::summarysources sources_;
};

// Keeps the thumbnail of the first Exif block that has one.
class thumbgrabber final : public detail::propertysink {
public:
    explicit thumbgrabber(std::vector<std::uint8_t>& out) noexcept : out_(out) {}

    void block(const exif_info& info) override
    {
        if (found_)
            return;
        const auto bytes = detail::thumbnailof(info);
        if (bytes) {
            out_.assign(bytes->begin(), bytes->end());
            found_ = true;
        }
    }
    void expect(std::size_t) override {}
    void property(detail::context&, const exif_prop&, std::string_view, std::string_view) override {}

private:
    std::vector<std::uint8_t>& out_;
    bool found_ = false;
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
        st.properties = &into;
        st.trace = &on;
        st.tracestream = trace;
        out.result = read(st, &out.oserror);
        into.finish();
        if (st.frame.seen)
            out.frame = Frame{st.frame.precision, st.frame.components, st.frame.height, st.frame.width};
        out.format = st.format ? std::string_view(st.format) : std::string_view();
        into.summarize();
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

// A host's source: also says which range it lacked.
auto fromsource(Source& source, Metadata& out)
{
    return [&source, &out](detail::readstate& st, int* oserror) {
        std::optional<detail::byterange> missing;
        const int result = detail::readhostsource(st, source, oserror, &missing);
        if (missing)
            out.missing = ByteRange{missing->offset, missing->length};
        return result;
    };
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

Metadata readMetadata(Source& source, std::FILE* trace) noexcept
{
    Metadata out;
    collect(fromsource(source, out), out, trace);
    return out;
}

void readMetadata(Source& source, Metadata& out, std::FILE* trace) noexcept
{
    collect(fromsource(source, out), out, trace);
}

namespace {

template <class Read>
std::vector<std::uint8_t> grabthumbnail(Read read, int* oserror) noexcept
{
    std::vector<std::uint8_t> bytes;
    int failure = 0;
    try {
        thumbgrabber grab(bytes);
        detail::readstate st;
        st.properties = &grab;
        read(st, &failure);
    } catch (const std::bad_alloc&) {
        bytes.clear();
    }
    if (oserror)
        *oserror = failure;
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> thumbnail(const char* path, int* oserror) noexcept
{
    return grabthumbnail(frompath(path), oserror);
}

std::vector<std::uint8_t> thumbnail(std::FILE* stream, int* oserror) noexcept
{
    return grabthumbnail(fromstream(stream), oserror);
}

std::vector<std::uint8_t> thumbnail(const void* data, std::size_t size) noexcept
{
    return grabthumbnail(frommemory(data, size), nullptr);
}

std::vector<std::uint8_t> thumbnail(Source& source, std::optional<ByteRange>* missing) noexcept
{
    std::optional<detail::byterange> lacked;
    auto bytes = grabthumbnail(
        [&source, &lacked](detail::readstate& st, int* oserror) {
            return detail::readhostsource(st, source, oserror, &lacked);
        },
        nullptr);
    if (missing)
        *missing = lacked ? std::optional<ByteRange>(ByteRange{lacked->offset, lacked->length}) : std::nullopt;
    return bytes;
}

}  // namespace exifkit

// exifkit._native: the reading and the building of Python objects. The
// package's Python layer (python/exifkit) wraps it in the classes scripts use.
//
// The reads themselves run without the interpreter lock; the Python objects
// of a result are built on first use, in one pass, so that a batch read on
// several threads pays for the objects only where they are looked at.
#include <pybind11/pybind11.h>

#include <datetime.h>
#include <structmember.h>
#include <structseq.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "exifkit/exifkit.h"

namespace py = pybind11;

namespace exifkit::python {
namespace {

// ---- owned references ---------------------------------------------------------

// A new reference, released at the end of its scope unless handed on.
py::object steal(PyObject* o)
{
    if (!o)
        throw py::error_already_set();
    return py::reinterpret_steal<py::object>(o);
}

// ---- the record types -------------------------------------------------------

// Named tuples made in C: their fields read as fast as a tuple's items, they
// compare and pickle as tuples do, and their repr names every field.
struct recordtype {
    const char* name;
    const char* doc;
    std::vector<PyStructSequence_Field> fields;
};

PyTypeObject* maketype(recordtype& r)
{
    r.fields.push_back({nullptr, nullptr});
    PyStructSequence_Desc desc{r.name, r.doc, r.fields.data(), static_cast<int>(r.fields.size() - 1)};
    auto* type = PyStructSequence_NewType(&desc);
    if (!type)
        throw py::error_already_set();
    return type;
}

struct types {
    PyTypeObject* property = nullptr;
    PyTypeObject* warning = nullptr;
    PyTypeObject* frame = nullptr;
    PyTypeObject* summary = nullptr;
    PyTypeObject* gps = nullptr;
    PyTypeObject* truncated = nullptr;
    PyObject* fraction = nullptr;   // fractions.Fraction
    // Where a Fraction keeps its two parts (its __slots__), when found.
    Py_ssize_t numeratorslot = 0;
    Py_ssize_t denominatorslot = 0;
    bool fastfractions = false;
};

// Lives as long as the interpreter: the module is never unloaded.
types T;

// Field order is the order of the structured JSON's members.
void maketypes()
{
    recordtype property{"exifkit.Property",
                        "One delivered property: where it came from, its description and text, and its stored value.",
                        {{"directory", "IFD0, IFD1, Exif, GPS, Interop, or the maker note (Canon, Nikon...)"},
                         {"tag", "the tag number, or a sub-value's position in its array"},
                         {"key", "the tag's machine name: ExposureTime"},
                         {"name", "the description: Exposure Time"},
                         {"text", "the readable text: 1/125 sec"},
                         {"value", "the stored value: int, float, Fraction, str, bytes, a tuple of numbers, "
                                   "Truncated over its cap, None when there is none"},
                         {"group", "the level of the group it is delivered with (1, 2, 4 or 8)"},
                         {"type", "the TIFF type (a sub-value: its array's); 0 for a derived text"},
                         {"count", "the stored count (1 for a sub-value)"},
                         {"parent", "the key of the array a sub-value comes from, else None"}}};
    recordtype warning{"exifkit.Warning", "A warning of a read.",
                       {{"message", "what was wrong"}, {"detail", "the property concerned or the system's error, else None"}}};
    recordtype frame{"exifkit.Frame", "The image's size (JPEG: its frame header; other formats: width and height).",
                     {{"precision", "bits per sample (0 when not a JPEG)"},
                      {"components", "colour components (0 when not a JPEG)"},
                      {"height", "pixels"},
                      {"width", "pixels"}}};
    recordtype summary{"exifkit.Summary",
                       "The answers asked for first, from whichever directory holds them; None where the file has none.",
                       {{"make", nullptr},
                        {"model", nullptr},
                        {"lens", nullptr},
                        {"software", nullptr},
                        {"datetime_original", "datetime, aware when the file gives an offset"},
                        {"datetime_digitized", nullptr},
                        {"datetime_modified", nullptr},
                        {"exposure_time", "seconds, a Fraction"},
                        {"f_number", nullptr},
                        {"iso", nullptr},
                        {"focal_length", "millimetres"},
                        {"focal_length_35mm", "millimetres"},
                        {"orientation", "1-8"},
                        {"width", "pixels"},
                        {"height", "pixels"},
                        {"gps", "a GPS record, or None"}}};
    recordtype gps{"exifkit.GPS", "Where a photo was taken, in the units a map uses.",
                   {{"latitude", "decimal degrees, south negative"},
                    {"longitude", "decimal degrees, west negative"},
                    {"altitude", "metres, below sea level negative"},
                    {"timestamp", "the GPS time, an aware datetime in UTC"},
                    {"direction", "degrees the camera faced"}}};
    recordtype truncated{"exifkit.Truncated",
                         "A stored value over its cap (MAX_BYTES bytes, MAX_ELEMENTS numbers): only its length is "
                         "kept. A maker note or an embedded image is read as properties, or through thumbnail(), "
                         "never copied.",
                         {{"length", "bytes, or numbers of an array"}}};
    T.property = maketype(property);
    T.truncated = maketype(truncated);
    T.warning = maketype(warning);
    T.frame = maketype(frame);
    T.summary = maketype(summary);
    T.gps = maketype(gps);
}

// Fills a new record from the objects made by the callables, in field order.
template <class... Makers>
PyObject* record(PyTypeObject* type, Makers&&... makers)
{
    auto r = steal(PyStructSequence_New(type));
    Py_ssize_t i = 0;
    auto put = [&](PyObject* o) {
        if (!o)
            throw py::error_already_set();
        PyStructSequence_SET_ITEM(r.ptr(), i++, o);
    };
    (put(makers()), ...);
    return r.release().ptr();
}

// ---- strings --------------------------------------------------------------------

// The library's names, keys and directory names point into its constant
// tables: each becomes one Python string, made once and shared by every
// property that names it. A small table by address answers most lookups;
// the map behind it holds every string made.
class constantstrings {
public:
    // Read as ISO 8859-1, as the library's texts are; its keys and directory
    // names are ASCII, which reads the same either way.
    PyObject* get(std::string_view s)
    {
        const auto address = reinterpret_cast<std::uintptr_t>(s.data());
        slot& near = recent_[(address ^ (address >> 12) ^ s.size()) % SLOTS];
        if (near.data != s.data() || near.size != s.size())
            near = slot{s.data(), s.size(), made(s)};
        Py_INCREF(near.text);
        return near.text;
    }

private:
    struct slot {
        const char* data = nullptr;
        std::size_t size = 0;
        PyObject* text = nullptr;
    };
    struct keyhash {
        std::size_t operator()(const std::pair<const char*, std::size_t>& k) const noexcept
        {
            return std::hash<const char*>()(k.first) ^ (k.second * 0x9E3779B97F4A7C15ull);
        }
    };
    using map = std::unordered_map<std::pair<const char*, std::size_t>, PyObject*, keyhash>;
    static constexpr std::size_t SLOTS = 4096;

    PyObject* made(std::string_view s)
    {
        auto [at, added] = made_.try_emplace({s.data(), s.size()}, nullptr);
        if (added) {
            PyObject* o = PyUnicode_DecodeLatin1(s.data(), static_cast<Py_ssize_t>(s.size()), nullptr);
            if (!o) {
                made_.erase(at);
                throw py::error_already_set();
            }
            PyUnicode_InternInPlace(&o);
            at->second = o;
        }
        return at->second;
    }

    std::vector<slot> recent_ = std::vector<slot>(SLOTS);
    map made_;
};

// Tag numbers above the small integers Python shares: made once each.
class tagnumbers {
public:
    PyObject* get(std::uint16_t tag)
    {
        PyObject*& o = made_[tag];
        if (!o && !(o = PyLong_FromLong(tag)))
            throw py::error_already_set();
        Py_INCREF(o);
        return o;
    }

private:
    std::vector<PyObject*> made_ = std::vector<PyObject*>(65536);
};

// Touched only under the interpreter lock.
constantstrings CONSTANTS;
tagnumbers TAGS;

PyObject* latin1text(std::string_view s)
{
    PyObject* o = PyUnicode_DecodeLatin1(s.data(), static_cast<Py_ssize_t>(s.size()), nullptr);
    if (!o)
        throw py::error_already_set();
    return o;
}

PyObject* noneobject()
{
    Py_INCREF(Py_None);
    return Py_None;
}

PyObject* textornone(const std::optional<std::string>& s)
{
    return s ? latin1text(*s) : noneobject();
}

// ---- numbers --------------------------------------------------------------------

PyObject* slowfraction(std::int64_t n, std::int64_t d)
{
    return PyObject_CallFunction(T.fraction, "LL", static_cast<long long>(n), static_cast<long long>(d));
}

// The offset of a __slots__ member of a class, or 0.
Py_ssize_t slotoffset(PyObject* type, const char* name)
{
    PyObject* d = PyDict_GetItemString(reinterpret_cast<PyTypeObject*>(type)->tp_dict, name);
    if (!d || !Py_IS_TYPE(d, &PyMemberDescr_Type))
        return 0;
    return reinterpret_cast<PyMemberDescrObject*>(d)->d_member->offset;
}

// A Fraction in lowest terms, made without running Fraction's constructor
// (Python code, dearer than all the rest of a property): allocated and its
// two slots filled. A zero denominator has no Fraction: it gives NaN, as
// Value::number() does.
PyObject* fraction(std::int64_t n, std::int64_t d)
{
    if (d == 0)
        return PyFloat_FromDouble(std::numeric_limits<double>::quiet_NaN());
    constexpr auto LOWEST = std::numeric_limits<std::int64_t>::min();
    if (!T.fastfractions || n == LOWEST || d == LOWEST)
        return slowfraction(n, d);
    const std::int64_t g = std::gcd(n, d);
    n /= g;
    d /= g;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    auto* type = reinterpret_cast<PyTypeObject*>(T.fraction);
    auto made = steal(type->tp_alloc(type, 0));
    auto* at = reinterpret_cast<char*>(made.ptr());
    *reinterpret_cast<PyObject**>(at + T.numeratorslot) = steal(PyLong_FromLongLong(n)).release().ptr();
    *reinterpret_cast<PyObject**>(at + T.denominatorslot) = steal(PyLong_FromLongLong(d)).release().ptr();
    return made.release().ptr();
}

// Whether Fractions made by hand are true ones; if this Python's Fraction
// keeps its parts otherwise, the constructor is used instead.
bool checkfastfractions()
{
    T.numeratorslot = slotoffset(T.fraction, "_numerator");
    T.denominatorslot = slotoffset(T.fraction, "_denominator");
    T.fastfractions = T.numeratorslot > 0 && T.denominatorslot > 0 && T.numeratorslot != T.denominatorslot;
    if (!T.fastfractions)
        return false;
    try {
        auto made = steal(fraction(6, -8));
        auto real = steal(slowfraction(-3, 4));
        const int same = PyObject_RichCompareBool(made.ptr(), real.ptr(), Py_EQ);
        if (same < 0)
            throw py::error_already_set();
        T.fastfractions = same == 1 && py::hash(made) == py::hash(real) && py::str(made).cast<std::string>() == "-3/4";
    } catch (const py::error_already_set&) {
        PyErr_Clear();
        T.fastfractions = false;
    }
    return T.fastfractions;
}

PyObject* element(const Value& v, std::size_t i)
{
    switch (v.kind()) {
    case Value::Kind::Integer: return PyLong_FromLongLong(v.integer(i));
    case Value::Kind::Rational: {
        const Rational r = v.rational(i);
        return fraction(r.numerator, r.denominator);
    }
    default: return PyFloat_FromDouble(v.real(i));
    }
}

PyObject* valueobject(const Value& v)
{
    if (!v.has())
        return noneobject();
    if (v.truncated())
        return record(T.truncated, [&] { return PyLong_FromSize_t(v.size()); });
    switch (v.kind()) {
    case Value::Kind::Text: {
        const std::string_view t = v.text();
        return PyUnicode_DecodeUTF8(t.data(), static_cast<Py_ssize_t>(t.size()), "replace");
    }
    case Value::Kind::Bytes: {
        const auto b = v.bytes();
        return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(b.data()), static_cast<Py_ssize_t>(b.size()));
    }
    default: break;
    }
    if (!v.isArray())
        return element(v, 0);
    auto tuple = steal(PyTuple_New(static_cast<Py_ssize_t>(v.size())));
    for (std::size_t i = 0; i < v.size(); ++i) {
        PyObject* e = element(v, i);
        if (!e)
            throw py::error_already_set();
        PyTuple_SET_ITEM(tuple.ptr(), static_cast<Py_ssize_t>(i), e);
    }
    return tuple.release().ptr();
}

// ---- records ---------------------------------------------------------------------

PyObject* propertyobject(const Property& p)
{
    return record(
        T.property, [&] { return CONSTANTS.get(p.directory); }, [&] { return TAGS.get(p.tag); },
        [&] { return CONSTANTS.get(p.key); }, [&] { return CONSTANTS.get(p.name); },
        [&] { return latin1text(p.text); }, [&] { return valueobject(p.value); },
        [&] { return PyLong_FromLong(p.group); }, [&] { return PyLong_FromLong(p.type); },
        [&] { return PyLong_FromUnsignedLong(p.count); },
        [&] { return p.parent.empty() ? noneobject() : CONSTANTS.get(p.parent); });
}

// An aware datetime when the file gives an offset, a naive one when not;
// None for fields Python's datetime refuses (the library checks them, so
// this is a last guard rather than a path).
PyObject* datetimeobject(const std::optional<DateTime>& t)
{
    if (!t)
        return noneobject();
    py::object zone = py::none();
    if (t->offset) {
        if (*t->offset == 0) {
            zone = py::reinterpret_borrow<py::object>(PyDateTime_TimeZone_UTC);
        } else if (std::abs(*t->offset) < 24 * 60) {
            auto delta = steal(PyDelta_FromDSU(0, *t->offset * 60, 0));
            zone = steal(PyTimeZone_FromOffset(delta.ptr()));
        }
    }
    PyObject* o = PyDateTimeAPI->DateTime_FromDateAndTime(t->year, t->month, t->day, t->hour, t->minute,
                                                          t->second, t->microsecond, zone.ptr(),
                                                          PyDateTimeAPI->DateTimeType);
    if (!o) {
        PyErr_Clear();
        return noneobject();
    }
    return o;
}

template <class Number>
PyObject* floatornone(const std::optional<Number>& v)
{
    return v ? PyFloat_FromDouble(static_cast<double>(*v)) : noneobject();
}

template <class Integer>
PyObject* intornone(const std::optional<Integer>& v)
{
    return v ? PyLong_FromLongLong(static_cast<long long>(*v)) : noneobject();
}

PyObject* gpsobject(const std::optional<Position>& g)
{
    if (!g)
        return noneobject();
    return record(
        T.gps, [&] { return floatornone(g->latitude); }, [&] { return floatornone(g->longitude); },
        [&] { return floatornone(g->altitude); }, [&] { return datetimeobject(g->timestamp); },
        [&] { return floatornone(g->direction); });
}

PyObject* summaryobject(const Summary& s)
{
    auto text = [](const std::optional<std::string>& v) {
        return v ? PyUnicode_DecodeUTF8(v->data(), static_cast<Py_ssize_t>(v->size()), "replace") : noneobject();
    };
    return record(
        T.summary, [&] { return text(s.make); }, [&] { return text(s.model); }, [&] { return text(s.lens); },
        [&] { return text(s.software); }, [&] { return datetimeobject(s.datetime_original); },
        [&] { return datetimeobject(s.datetime_digitized); }, [&] { return datetimeobject(s.datetime_modified); },
        [&] {
            return s.exposure_time ? fraction(s.exposure_time->numerator, s.exposure_time->denominator)
                                   : noneobject();
        },
        [&] { return floatornone(s.f_number); }, [&] { return intornone(s.iso); },
        [&] { return floatornone(s.focal_length); }, [&] { return floatornone(s.focal_length_35mm); },
        [&] { return intornone(s.orientation); }, [&] { return intornone(s.width); },
        [&] { return intornone(s.height); }, [&] { return gpsobject(s.gps); });
}

// ---- a read's result ---------------------------------------------------------------

// The library's result of one read; the Python objects are made on first use.
class result {
public:
    explicit result(Metadata m) : m_(std::move(m)) {}

    const Metadata& metadata() const noexcept { return m_; }

    py::tuple properties()
    {
        if (!properties_) {
            std::size_t n = 0;
            for (const Group& g : m_.groups)
                n += g.properties.size();
            auto t = steal(PyTuple_New(static_cast<Py_ssize_t>(n)));
            Py_ssize_t i = 0;
            for (const Group& g : m_.groups)
                for (const Property& p : g.properties)
                    PyTuple_SET_ITEM(t.ptr(), i++, propertyobject(p));
            properties_ = py::reinterpret_borrow<py::tuple>(t);
        }
        return *properties_;
    }

    py::object summary()
    {
        if (!summary_)
            summary_ = steal(summaryobject(m_.summary));
        return *summary_;
    }

    py::tuple warnings() const
    {
        auto t = steal(PyTuple_New(static_cast<Py_ssize_t>(m_.warnings.size())));
        Py_ssize_t i = 0;
        for (const Warning& w : m_.warnings)
            PyTuple_SET_ITEM(t.ptr(), i++,
                             record(
                                 T.warning, [&] { return latin1text(w.message); },
                                 [&] { return textornone(w.detail); }));
        return py::reinterpret_borrow<py::tuple>(t);
    }

    py::object frame() const
    {
        if (!m_.frame)
            return py::none();
        const Frame& f = *m_.frame;
        return steal(record(
            T.frame, [&] { return PyLong_FromLong(f.precision); }, [&] { return PyLong_FromLong(f.components); },
            [&] { return PyLong_FromLong(f.height); }, [&] { return PyLong_FromLong(f.width); }));
    }

    py::object format() const
    {
        return m_.format.empty() ? py::object(py::none()) : steal(CONSTANTS.get(m_.format));
    }

    py::object error() const { return steal(textornone(m_.error)); }

    // The position in properties() of the first property with the key
    // (in the directory, when one is given), or -1.
    Py_ssize_t find(std::string_view key) const { return position(m_.find(key)); }
    Py_ssize_t findin(std::string_view directory, std::string_view key) const
    {
        return position(m_.find(directory, key));
    }

    // The distinct keys, in delivery order.
    py::list keys()
    {
        py::tuple all = properties();
        py::list out;
        Py_ssize_t i = 0;
        for (const Group& g : m_.groups)
            for (const Property& p : g.properties) {
                if (position(m_.find(p.key)) == i)
                    out.append(py::reinterpret_borrow<py::object>(
                        PyStructSequence_GET_ITEM(all[static_cast<std::size_t>(i)].ptr(), 2)));
                ++i;
            }
        return out;
    }

    // The structured JSON line, `file` being the path's bytes or None.
    py::str json(const py::object& file) const
    {
        std::string out;
        if (file.is_none())
            appendJSON(out, m_);
        else
            appendJSON(out, m_, std::string_view(PyBytes_AS_STRING(file.ptr()), PyBytes_GET_SIZE(file.ptr())));
        return steal(PyUnicode_DecodeUTF8(out.data(), static_cast<Py_ssize_t>(out.size()), "strict"));
    }

private:
    Py_ssize_t position(const Property* p) const noexcept
    {
        if (!p)
            return -1;
        Py_ssize_t before = 0;
        for (const Group& g : m_.groups) {
            const auto& v = g.properties;
            if (!v.empty() && p >= v.data() && p < v.data() + v.size())
                return before + (p - v.data());
            before += static_cast<Py_ssize_t>(v.size());
        }
        return -1;
    }

    Metadata m_;
    std::optional<py::tuple> properties_;
    std::optional<py::object> summary_;
};

// ---- sources --------------------------------------------------------------------

// The bytes of a bytes-like object, held until the read is done.
class heldbuffer {
public:
    explicit heldbuffer(const py::handle& o)
    {
        if (PyObject_GetBuffer(o.ptr(), &view_, PyBUF_SIMPLE) < 0)
            throw py::error_already_set();
    }
    heldbuffer(const heldbuffer&) = delete;
    heldbuffer& operator=(const heldbuffer&) = delete;
    ~heldbuffer() { PyBuffer_Release(&view_); }

    const void* data() const noexcept { return view_.buf; }
    std::size_t size() const noexcept { return static_cast<std::size_t>(view_.len); }

private:
    Py_buffer view_{};
};

// A binary file object, read from where it stands. A seekable one is read
// in the ranges the library asks for and left where it stood; one that is
// not (a pipe, a socket) is read forward and what it gave is kept, up to a
// cap, so that the library may go back.
class filesource : public Source {
public:
    // What a file object that cannot seek may cost in memory: the library
    // keeps no more of a pipe itself.
    static constexpr std::size_t KEEP = std::size_t{64} << 20;
    static constexpr std::size_t CHUNK = std::size_t{64} << 10;

    explicit filesource(py::object file) : file_(std::move(file))
    {
        seekable_ = py::hasattr(file_, "seekable") && file_.attr("seekable")().cast<bool>();
        if (seekable_) {
            start_ = file_.attr("tell")().cast<std::int64_t>();
            const auto end = file_.attr("seek")(0, 2).cast<std::int64_t>();
            size_ = static_cast<std::uint64_t>(std::max<std::int64_t>(end - start_, 0));
        }
        readinto_ = py::hasattr(file_, "readinto");
    }

    // Puts a seekable file back where it stood, and raises what reading it raised.
    void finish()
    {
        if (seekable_)
            file_.attr("seek")(start_);
        if (failure_) {
            failure_->restore();
            throw py::error_already_set();
        }
    }

    std::optional<std::uint64_t> size() const override { return size_; }

    std::int64_t read(std::uint64_t offset, void* out, std::size_t length) override
    {
        if (failure_)
            return FAILED;
        try {
            return seekable_ ? readat(offset, out, length) : readforward(offset, out, length);
        } catch (py::error_already_set& e) {
            failure_.emplace(std::move(e));
            errno = EIO;
            return FAILED;
        }
    }

private:
    // Up to `length` bytes into out; fewer only at the end of the file.
    std::size_t readsome(char* out, std::size_t length)
    {
        std::size_t got = 0;
        while (got < length) {
            std::size_t n;
            if (readinto_) {
                auto view = steal(PyMemoryView_FromMemory(out + got, static_cast<Py_ssize_t>(length - got), PyBUF_WRITE));
                py::object r = file_.attr("readinto")(view);
                n = r.is_none() ? 0 : r.cast<std::size_t>();
            } else {
                py::bytes chunk = file_.attr("read")(length - got);
                const std::string_view s = chunk;
                n = std::min(s.size(), length - got);
                std::copy_n(s.data(), n, out + got);
            }
            if (n == 0)
                break;
            got += n;
        }
        return got;
    }

    std::int64_t readat(std::uint64_t offset, void* out, std::size_t length)
    {
        if (offset >= size_.value_or(0))
            return 0;
        file_.attr("seek")(static_cast<std::int64_t>(offset) + start_);
        return static_cast<std::int64_t>(readsome(static_cast<char*>(out), length));
    }

    std::int64_t readforward(std::uint64_t offset, void* out, std::size_t length)
    {
        const std::uint64_t want = offset + length;
        while (!ended_ && kept_.size() < want && kept_.size() < KEEP) {
            const std::size_t at = kept_.size();
            const std::size_t n = std::min<std::uint64_t>(std::max<std::uint64_t>(want - at, CHUNK), KEEP - at);
            kept_.resize(at + n);
            const std::size_t got = readsome(kept_.data() + at, n);
            kept_.resize(at + got);
            ended_ = got < n;
        }
        if (ended_)
            size_ = kept_.size();
        if (offset >= kept_.size())
            return ended_ ? 0 : MISSING;
        if (!ended_ && want > kept_.size())
            return MISSING;
        const std::size_t n = std::min<std::uint64_t>(length, kept_.size() - offset);
        std::copy_n(kept_.data() + offset, n, static_cast<char*>(out));
        return static_cast<std::int64_t>(n);
    }

    py::object file_;
    bool seekable_ = false;
    bool readinto_ = false;
    std::int64_t start_ = 0;
    std::optional<std::uint64_t> size_;
    std::string kept_;
    bool ended_ = false;
    std::optional<py::error_already_set> failure_;
};

// A path as the file system takes it.
std::string fsbytes(const py::handle& path)
{
    const py::bytes b = PyUnicode_Check(path.ptr()) ? py::bytes(steal(PyUnicode_EncodeFSDefault(path.ptr())))
                                                    : py::reinterpret_borrow<py::bytes>(path);
    std::string s = b;
    if (s.find('\0') != std::string::npos)
        throw py::value_error("embedded null byte in path");
    return s;
}

result readpathobject(const py::handle& path)
{
    const std::string p = fsbytes(path);
    Metadata m;
    {
        py::gil_scoped_release unlocked;
        readMetadata(p.c_str(), m);
    }
    return result(std::move(m));
}

result readbuffer(const py::handle& data)
{
    heldbuffer held(data);
    Metadata m;
    {
        py::gil_scoped_release unlocked;
        readMetadata(held.data(), held.size(), m);
    }
    return result(std::move(m));
}

result readfile(const py::object& file)
{
    filesource source(file);
    Metadata m;
    readMetadata(source, m);
    source.finish();
    return result(std::move(m));
}

// (the thumbnail's bytes or None, the errno of a path that could not be read)
py::tuple thumbnailof(const py::handle& source, bool ispath)
{
    std::vector<std::uint8_t> bytes;
    int oserror = 0;
    if (ispath) {
        const std::string p = fsbytes(source);
        py::gil_scoped_release unlocked;
        bytes = thumbnail(p.c_str(), &oserror);
    } else {
        heldbuffer held(source);
        py::gil_scoped_release unlocked;
        bytes = thumbnail(held.data(), held.size());
    }
    py::object data = py::none();
    if (!bytes.empty())
        data = py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return py::make_tuple(data, oserror);
}

// ---- batches --------------------------------------------------------------------

// Reads chunks of paths and buffers on worker threads and hands each chunk's
// results back whole, in submission order. Threads meet once per chunk, not
// once per file: on a machine where waking a thread is dear that decides
// whether two threads read faster than one. The caller keeps the number of
// chunks in flight bounded.
class batch {
public:
    explicit batch(unsigned workers)
    {
        workers = std::max(workers, 1u);
        threads_.reserve(workers);
        for (unsigned i = 0; i < workers; ++i)
            threads_.emplace_back([this] { work(); });
    }
    batch(const batch&) = delete;
    batch& operator=(const batch&) = delete;

    ~batch()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        queued_.notify_all();
        // The workers never take the interpreter lock, so they finish with it
        // held here; the buffers left are released under it.
        for (std::thread& t : threads_)
            t.join();
        jobs_.clear();
    }

    // A chunk of (source, is it a path) pairs: a path as bytes, or a bytes-like object.
    void submit(const py::list& chunk)
    {
        std::vector<std::unique_ptr<job>> made;
        made.reserve(chunk.size());
        for (const py::handle item : chunk) {
            const auto pair = py::reinterpret_borrow<py::tuple>(item);
            auto& j = *made.emplace_back(std::make_unique<job>());
            if (pair[1].cast<bool>())
                j.path = fsbytes(pair[0]);
            else
                j.buffer = std::make_unique<heldbuffer>(pair[0]);
        }
        if (made.empty())
            return;
        {
            std::lock_guard lock(mutex_);
            for (auto& j : made)
                jobs_.push_back(std::move(j));
            chunks_.push_back(made.size());
        }
        queued_.notify_all();
    }

    // The oldest chunk's results: (result, errno) pairs, errno 0 unless a
    // path could not be opened or read.
    py::list take()
    {
        std::vector<std::unique_ptr<job>> finished;
        {
            py::gil_scoped_release unlocked;
            std::unique_lock lock(mutex_);
            if (chunks_.empty())
                throw std::logic_error("nothing submitted");
            const std::size_t n = chunks_.front();
            done_.wait(lock, [&] { return finishedfront_ >= n; });
            for (std::size_t i = 0; i < n; ++i) {
                finished.push_back(std::move(jobs_.front()));
                jobs_.pop_front();
            }
            chunks_.pop_front();
            taken_ += n;
            finishedfront_ = countfinished(0);
        }
        py::list out;
        for (auto& j : finished) {
            const int oserror = j->m.result == EXIF_CANT_OPEN ? j->m.oserror : 0;
            out.append(py::make_tuple(result(std::move(j->m)), oserror));
        }
        return out;
    }

private:
    struct job {
        std::string path;
        std::unique_ptr<heldbuffer> buffer;  // released by the thread that takes it, under the interpreter lock
        Metadata m;
        bool done = false;
    };

    // How many of the oldest chunk's jobs are read, knowing that the first
    // `n` are; called under the mutex.
    std::size_t countfinished(std::size_t n) const
    {
        if (chunks_.empty())
            return 0;
        while (n < chunks_.front() && jobs_[n]->done)
            ++n;
        return n;
    }

    void work()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            queued_.wait(lock, [this] { return stopping_ || started_ < taken_ + jobs_.size(); });
            if (stopping_)
                return;
            const std::size_t at = started_++ - taken_;
            job& j = *jobs_[at];
            lock.unlock();
            if (j.buffer)
                readMetadata(j.buffer->data(), j.buffer->size(), j.m);
            else
                readMetadata(j.path.c_str(), j.m);
            lock.lock();
            j.done = true;
            finishedfront_ = countfinished(finishedfront_);
            if (!chunks_.empty() && finishedfront_ >= chunks_.front())
                done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable queued_, done_;
    std::deque<std::unique_ptr<job>> jobs_;  // submitted and not yet taken
    std::deque<std::size_t> chunks_;         // the sizes of the chunks in jobs_, oldest first
    std::size_t started_ = 0;                // jobs handed to a worker, counted from the first ever
    std::size_t taken_ = 0;                  // jobs handed back, counted likewise
    std::size_t finishedfront_ = 0;          // the oldest chunk's read jobs, from its start
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

// A result built by hand: the line the command prints for an input it could not open.
py::str refusal(const py::object& file, int code, const std::string& error)
{
    Metadata m;
    m.result = code;
    m.error = error;
    return result(std::move(m)).json(file);
}

}  // namespace
}  // namespace exifkit::python

PYBIND11_MODULE(_native, mod)
{
    using namespace exifkit::python;
    using exifkit::python::result;
    mod.doc() = "exifkit's reading core; scripts use the exifkit package instead.";
    PyDateTime_IMPORT;
    if (!PyDateTimeAPI)
        throw py::error_already_set();
    maketypes();
    T.fraction = py::object(py::module_::import("fractions").attr("Fraction")).release().ptr();
    checkfastfractions();

    for (PyTypeObject* t : {T.property, T.warning, T.frame, T.summary, T.gps, T.truncated}) {
        std::string_view name = t->tp_name;
        name.remove_prefix(name.rfind('.') + 1);
        mod.attr(std::string(name).c_str()) = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(t));
    }
    mod.attr("__version__") = EXIFKIT_VERSION;
    mod.attr("EXIF_OK") = exifkit::EXIF_OK;
    mod.attr("EXIF_CANT_OPEN") = exifkit::EXIF_CANT_OPEN;
    mod.attr("EXIF_NONE") = exifkit::EXIF_NONE;
    mod.attr("MAX_BYTES") = exifkit::Value::MAX_BYTES;
    mod.attr("MAX_ELEMENTS") = exifkit::Value::MAX_ELEMENTS;

    mod.attr("_fast_fractions") = T.fastfractions;

    py::class_<result>(mod, "Result")
        .def_property_readonly("result", [](const result& r) { return r.metadata().result; })
        .def_property_readonly("oserror", [](const result& r) { return r.metadata().oserror; })
        .def_property_readonly("format", &result::format)
        .def_property_readonly("error", &result::error)
        .def_property_readonly("warnings", &result::warnings)
        .def_property_readonly("frame", &result::frame)
        .def_property_readonly("summary", &result::summary)
        .def_property_readonly("properties", &result::properties)
        .def_property_readonly("missing", [](const result& r) -> py::object {
            const auto& m = r.metadata().missing;
            return m ? py::object(py::make_tuple(m->offset, m->length)) : py::object(py::none());
        })
        .def("find", &result::find)
        .def("find", &result::findin)
        .def("keys", &result::keys)
        .def("json", &result::json);

    mod.def("read_path", &readpathobject, "Reads a file by path (str or bytes).");
    mod.def("read_buffer", &readbuffer, "Reads the bytes of a bytes-like object.");
    mod.def("read_file", &readfile, "Reads a binary file object from where it stands.");
    mod.def("thumbnail", &thumbnailof, "The embedded thumbnail of a path or bytes-like object, or None.");
    mod.def("refusal", &refusal, "The JSON line of an input that could not be opened.");

    py::class_<batch>(mod, "Batch")
        .def(py::init<unsigned>())
        .def("submit", &batch::submit)
        .def("take", &batch::take);
}

// exifkit._native: the reading and the building of Python objects. The
// package's Python layer (python/exifkit) wraps it in the classes scripts use.
//
// The reads themselves run without the interpreter lock; the Python objects
// of a result are built on first use, in one pass, so that a batch read on
// several threads pays for the objects only where they are looked at.
// Sizes of "#" argument formats are Py_ssize_t.
#define PY_SSIZE_T_CLEAN
#include <pybind11/pybind11.h>

#include <datetime.h>
// PyMemberDef, to find where a Fraction keeps its parts.
#include <structmember.h>
#include <structseq.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
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

// A field made on first use: `slot` keeps what `make` returns, and a new
// reference to it is returned; null with the error set when making failed.
template <class Make>
PyObject* cached(PyObject*& slot, Make make)
{
    if (!slot) {
        try {
            slot = make();
        } catch (py::error_already_set& e) {
            e.restore();
            return nullptr;
        }
        if (!slot)
            return nullptr;
    }
    Py_INCREF(slot);
    return slot;
}

// ---- properties ----------------------------------------------------------------

// A property as Python sees it: its fields are made on first use from the
// library's record, which the read's shared result keeps alive, so that a
// script that looks at two fields of a property pays for two objects. A
// property made in Python (unpickled) holds its fields from the start.
//
// It holds only immutable values (strings, numbers, Fractions, tuples of
// numbers), so it cannot be part of a cycle and needs no garbage collection.
struct propertyrecord {
    PyObject_HEAD
    PyObject* owner;  // a holder of the record; null once every field is made, or when made in Python
    const Property* source;
    PyObject* fields[10];
};

// What keeps a read's record alive for its properties: one holder per
// result, shared by its properties with the interpreter's own (cheap)
// reference counts.
struct holderrecord {
    PyObject_HEAD
    std::shared_ptr<const Metadata> meta;
};

PyTypeObject* HOLDER = nullptr;

void holder_dealloc(PyObject* self)
{
    reinterpret_cast<holderrecord*>(self)->meta.~shared_ptr();
    PyTypeObject* type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}

PyObject* newholder(std::shared_ptr<const Metadata> meta)
{
    auto* h = PyObject_New(holderrecord, HOLDER);
    if (!h)
        throw py::error_already_set();
    new (&h->meta) std::shared_ptr<const Metadata>(std::move(meta));
    return reinterpret_cast<PyObject*>(h);
}

void makeholdertype()
{
    static PyType_Slot slots[] = {{Py_tp_dealloc, reinterpret_cast<void*>(holder_dealloc)}, {0, nullptr}};
    static PyType_Spec spec = {"exifkit._native.Holder", sizeof(holderrecord), 0, Py_TPFLAGS_DEFAULT, slots};
    HOLDER = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&spec));
    if (!HOLDER)
        throw py::error_already_set();
}

enum field : int { DIRECTORY, TAG, KEY, NAME, TEXT, VALUE, GROUP, TYPE, COUNT, PARENT, FIELDS };
constexpr const char* FIELDNAMES[FIELDS] = {"directory", "tag",   "key",  "name",  "text",
                                            "value",     "group", "type", "count", "parent"};

PyTypeObject* PROPERTY = nullptr;

PyObject* makefield(const Property& p, int f)
{
    switch (f) {
    case DIRECTORY: return CONSTANTS.get(p.directory);
    case TAG: return TAGS.get(p.tag);
    case KEY: return CONSTANTS.get(p.key);
    case NAME: return CONSTANTS.get(p.name);
    case TEXT: return latin1text(p.text);
    case VALUE: return valueobject(p.value);
    case GROUP: return PyLong_FromLong(p.group);
    case TYPE: return PyLong_FromLong(p.type);
    case COUNT: return PyLong_FromUnsignedLong(p.count);
    default: return p.parent.empty() ? noneobject() : CONSTANTS.get(p.parent);
    }
}

propertyrecord* asrecord(PyObject* self)
{
    return reinterpret_cast<propertyrecord*>(self);
}

// The field, made now if it was not yet; a new reference.
PyObject* fieldof(PyObject* self, int f)
{
    propertyrecord* r = asrecord(self);
    return cached(r->fields[f], [&] { return makefield(*r->source, f); });
}

bool makeallfields(PyObject* self)
{
    for (int f = 0; f < FIELDS; ++f) {
        PyObject* o = fieldof(self, f);
        if (!o)
            return false;
        Py_DECREF(o);
    }
    Py_CLEAR(asrecord(self)->owner);  // every field made: the record is no longer needed
    return true;
}

// A tuple of all the fields, in order; a new reference.
PyObject* fieldtuple(PyObject* self)
{
    if (!makeallfields(self))
        return nullptr;
    PyObject* t = PyTuple_New(FIELDS);
    if (!t)
        return nullptr;
    for (int f = 0; f < FIELDS; ++f) {
        Py_INCREF(asrecord(self)->fields[f]);
        PyTuple_SET_ITEM(t, f, asrecord(self)->fields[f]);
    }
    return t;
}

// A property of the record `source`, which `holder` keeps alive.
PyObject* newproperty(PyObject* holder, const Property* source)
{
    auto* r = PyObject_New(propertyrecord, PROPERTY);
    if (!r)
        throw py::error_already_set();
    Py_INCREF(holder);
    r->owner = holder;
    r->source = source;
    std::fill(std::begin(r->fields), std::end(r->fields), nullptr);
    return reinterpret_cast<PyObject*>(r);
}

void property_dealloc(PyObject* self)
{
    propertyrecord* r = asrecord(self);
    for (PyObject*& o : r->fields)
        Py_CLEAR(o);
    Py_CLEAR(r->owner);
    PyTypeObject* type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);  // a heap type's instances hold a reference to it
}

// Property(directory, tag, key, name, text, value, group, type, count, parent)
PyObject* property_new(PyTypeObject* type, PyObject* args, PyObject* kwargs)
{
    static const char* keywords[] = {"directory", "tag",   "key",  "name",  "text",   "value",
                                     "group",     "type", "count", "parent", nullptr};
    PyObject* values[FIELDS] = {};
    values[PARENT] = Py_None;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOOOOOOOO|O:Property", const_cast<char**>(keywords),
                                     &values[0], &values[1], &values[2], &values[3], &values[4], &values[5],
                                     &values[6], &values[7], &values[8], &values[9]))
        return nullptr;
    auto* r = PyObject_New(propertyrecord, type);
    if (!r)
        return nullptr;
    r->owner = nullptr;
    r->source = nullptr;
    for (int f = 0; f < FIELDS; ++f) {
        Py_INCREF(values[f]);
        r->fields[f] = values[f];
    }
    return reinterpret_cast<PyObject*>(r);
}

PyObject* property_get(PyObject* self, void* closure)
{
    return fieldof(self, static_cast<int>(reinterpret_cast<std::intptr_t>(closure)));
}

PyObject* property_repr(PyObject* self)
{
    PyObject* t = fieldtuple(self);
    if (!t)
        return nullptr;
    std::string text = "exifkit.Property(";
    for (int f = 0; f < FIELDS; ++f) {
        PyObject* r = PyObject_Repr(PyTuple_GET_ITEM(t, f));
        if (!r) {
            Py_DECREF(t);
            return nullptr;
        }
        Py_ssize_t n = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(r, &n);
        if (f)
            text += ", ";
        text += FIELDNAMES[f];
        text += '=';
        if (utf8)
            text.append(utf8, static_cast<std::size_t>(n));
        Py_DECREF(r);
        if (!utf8) {
            Py_DECREF(t);
            return nullptr;
        }
    }
    Py_DECREF(t);
    text += ')';
    return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "strict");
}

PyObject* property_richcompare(PyObject* self, PyObject* other, int op)
{
    if (!PyObject_TypeCheck(other, PROPERTY) || (op != Py_EQ && op != Py_NE))
        Py_RETURN_NOTIMPLEMENTED;
    PyObject* a = fieldtuple(self);
    PyObject* b = a ? fieldtuple(other) : nullptr;
    PyObject* result = b ? PyObject_RichCompare(a, b, op) : nullptr;
    Py_XDECREF(a);
    Py_XDECREF(b);
    return result;
}

Py_hash_t property_hash(PyObject* self)
{
    PyObject* t = fieldtuple(self);
    if (!t)
        return -1;
    const Py_hash_t h = PyObject_Hash(t);
    Py_DECREF(t);
    return h;
}

PyObject* property_reduce(PyObject* self, PyObject*)
{
    PyObject* t = fieldtuple(self);
    if (!t)
        return nullptr;
    return Py_BuildValue("(ON)", reinterpret_cast<PyObject*>(Py_TYPE(self)), t);
}

PyObject* property_astuple(PyObject* self, PyObject*)
{
    return fieldtuple(self);
}

void makepropertytype(py::module_& mod)
{
    static PyGetSetDef getters[FIELDS + 1] = {};
    static const char* docs[FIELDS] = {
        "IFD0, IFD1, Exif, GPS, Interop, or the maker note (Canon, Nikon...)",
        "the tag number, or a sub-value's position in its array",
        "the tag's machine name: ExposureTime",
        "the description: Exposure Time",
        "the readable text: 1/125 sec",
        "the stored value: int, float, Fraction, str, bytes, a tuple of numbers, Truncated over its cap, "
        "None when there is none",
        "the level of the group it is delivered with (1, 2, 4 or 8)",
        "the TIFF type (a sub-value: its array's); 0 for a derived text",
        "the stored count (1 for a sub-value)",
        "the key of the array a sub-value comes from, else None"};
    for (int f = 0; f < FIELDS; ++f)
        getters[f] = PyGetSetDef{FIELDNAMES[f], property_get, nullptr, docs[f],
                                 reinterpret_cast<void*>(static_cast<std::intptr_t>(f))};
    static PyMethodDef methods[] = {
        {"__reduce__", property_reduce, METH_NOARGS, nullptr},
        {"astuple", property_astuple, METH_NOARGS, "The fields as a tuple, in order."},
        {nullptr, nullptr, 0, nullptr}};
    static PyType_Slot slots[] = {
        {Py_tp_dealloc, reinterpret_cast<void*>(property_dealloc)},
        {Py_tp_new, reinterpret_cast<void*>(property_new)},
        {Py_tp_getset, getters},
        {Py_tp_methods, methods},
        {Py_tp_repr, reinterpret_cast<void*>(property_repr)},
        {Py_tp_richcompare, reinterpret_cast<void*>(property_richcompare)},
        {Py_tp_hash, reinterpret_cast<void*>(property_hash)},
        {Py_tp_doc, const_cast<char*>("Property(directory, tag, key, name, text, value, group, type, count, "
                                      "parent=None)\n--\n\nOne delivered property: where it came from, its "
                                      "description and text, and its stored value.")},
        {0, nullptr}};
    static PyType_Spec spec = {"exifkit.Property", sizeof(propertyrecord), 0, Py_TPFLAGS_DEFAULT, slots};
    PROPERTY = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&spec));
    if (!PROPERTY)
        throw py::error_already_set();
    auto names = steal(PyTuple_New(FIELDS));
    for (int f = 0; f < FIELDS; ++f)
        PyTuple_SET_ITEM(names.ptr(), f, PyUnicode_FromString(FIELDNAMES[f]));
    if (PyObject_SetAttrString(reinterpret_cast<PyObject*>(PROPERTY), "_fields", names.ptr()) < 0)
        throw py::error_already_set();
    mod.attr("Property") = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(PROPERTY));
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

// ---- spare results ----------------------------------------------------------------

// Results whose Python objects are gone, kept to read into again: a read
// into a used Metadata keeps the memory of its strings and vectors, so
// that file after file is read with next to no allocation, and a result
// made on a worker thread and dropped on the main one is reused rather than
// freed across threads.
class sparepool {
public:
    // Spares enough for the results in flight of a few batches.
    static constexpr std::size_t KEEP = 256;
    // A result of more properties than this (a crafted file's) is let go
    // rather than kept at its size.
    static constexpr std::size_t LARGE = 4096;

    std::unique_ptr<Metadata> take()
    {
        {
            std::lock_guard lock(mutex_);
            if (!spare_.empty()) {
                auto m = std::move(spare_.back());
                spare_.pop_back();
                return m;
            }
        }
        return std::make_unique<Metadata>();
    }

    void give(Metadata* m) noexcept
    {
        std::unique_ptr<Metadata> owned(m);
        std::size_t properties = 0;
        for (const Group& g : m->groups)
            properties += g.properties.capacity();
        if (properties > LARGE)
            return;
        std::lock_guard lock(mutex_);
        if (spare_.size() < KEEP)
            spare_.push_back(std::move(owned));
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<Metadata>> spare_;
};

// Never destroyed: results may be let go while the interpreter shuts down.
sparepool& SPARES = *new sparepool;

std::shared_ptr<const Metadata> shared(std::unique_ptr<Metadata> m)
{
    return std::shared_ptr<const Metadata>(m.release(), [](const Metadata* done) {
        SPARES.give(const_cast<Metadata*>(done));
    });
}

// ---- results ---------------------------------------------------------------------

// The result of one read: exifkit.Metadata is a Python subclass of this
// type. Its fields are made from the library's record on first use; a
// result restored from a pickle has no record and holds them all.
struct resultrecord {
    PyObject_HEAD
    std::shared_ptr<const Metadata> meta;  // shared with the properties made from it
    PyObject* slots[12];
};

enum slot : int {
    S_FILE,  // the path's bytes, or None
    S_PROPERTIES,
    S_SUMMARY,
    S_WARNINGS,
    S_FRAME,
    S_FORMAT,
    S_RESULT,
    S_OSERROR,
    S_ERROR,
    S_JSON,   // the structured JSON line, when made (or restored)
    S_INDEX,  // the Python layer's lookup index of a restored result
    S_DATA,   // the Python layer's parsed JSON of a restored result
    SLOTCOUNT
};

PyTypeObject* RESULT = nullptr;        // the C type
PyTypeObject* RESULTMADE = nullptr;    // what reads make: exifkit.Metadata once registered

resultrecord* asresult(PyObject* self)
{
    return reinterpret_cast<resultrecord*>(self);
}

PyObject* newresult(PyTypeObject* type)
{
    PyObject* self = type->tp_alloc(type, 0);
    if (!self)
        return nullptr;
    new (&asresult(self)->meta) std::shared_ptr<const Metadata>();
    return self;
}

// A result of the record, `file` the path's bytes or None; a new reference.
PyObject* makeresult(std::unique_ptr<Metadata> m, PyObject* file)
{
    PyObject* self = newresult(RESULTMADE);
    if (!self)
        throw py::error_already_set();
    asresult(self)->meta = shared(std::move(m));
    Py_INCREF(file);
    asresult(self)->slots[S_FILE] = file;
    return self;
}

PyObject* result_new(PyTypeObject* type, PyObject*, PyObject*)
{
    return newresult(type);
}

int result_traverse(PyObject* self, visitproc visit, void* arg)
{
    for (PyObject* o : asresult(self)->slots)
        Py_VISIT(o);
    return 0;
}

int result_clear(PyObject* self)
{
    for (PyObject*& o : asresult(self)->slots)
        Py_CLEAR(o);
    return 0;
}

void result_dealloc(PyObject* self)
{
    PyObject_GC_UnTrack(self);
    result_clear(self);
    asresult(self)->meta.~shared_ptr();
    PyTypeObject* type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}

PyObject* propertiesof(const std::shared_ptr<const Metadata>& meta)
{
    std::size_t n = 0;
    for (const Group& g : meta->groups)
        n += g.properties.size();
    auto t = steal(PyTuple_New(static_cast<Py_ssize_t>(n)));
    auto holder = steal(newholder(meta));
    Py_ssize_t i = 0;
    for (const Group& g : meta->groups)
        for (const Property& p : g.properties)
            PyTuple_SET_ITEM(t.ptr(), i++, newproperty(holder.ptr(), &p));
    return t.release().ptr();
}

PyObject* warningsof(const Metadata& m)
{
    auto t = steal(PyTuple_New(static_cast<Py_ssize_t>(m.warnings.size())));
    Py_ssize_t i = 0;
    for (const Warning& w : m.warnings)
        PyTuple_SET_ITEM(t.ptr(), i++,
                         record(
                             T.warning, [&] { return latin1text(w.message); }, [&] { return textornone(w.detail); }));
    return t.release().ptr();
}

PyObject* frameof(const Metadata& m)
{
    if (!m.frame)
        return noneobject();
    const Frame& f = *m.frame;
    return record(
        T.frame, [&] { return PyLong_FromLong(f.precision); }, [&] { return PyLong_FromLong(f.components); },
        [&] { return PyLong_FromLong(f.height); }, [&] { return PyLong_FromLong(f.width); });
}

PyObject* jsonof(const Metadata& m, PyObject* file)
{
    std::string out;
    if (!file || file == Py_None)
        appendJSON(out, m);
    else
        appendJSON(out, m, std::string_view(PyBytes_AS_STRING(file), PyBytes_GET_SIZE(file)));
    return PyUnicode_DecodeUTF8(out.data(), static_cast<Py_ssize_t>(out.size()), "strict");
}

PyObject* makeslot(resultrecord* r, int which)
{
    const Metadata& m = *r->meta;
    switch (which) {
    case S_PROPERTIES: return propertiesof(r->meta);
    case S_SUMMARY: return summaryobject(m.summary);
    case S_WARNINGS: return warningsof(m);
    case S_FRAME: return frameof(m);
    case S_FORMAT: return m.format.empty() ? noneobject() : CONSTANTS.get(m.format);
    case S_RESULT: return PyLong_FromLong(m.result);
    case S_OSERROR: return PyLong_FromLong(m.oserror);
    case S_ERROR: return textornone(m.error);
    case S_JSON: return jsonof(m, r->slots[S_FILE]);
    default: return noneobject();
    }
}

// The field, made now from the record if it was not yet; None when there
// is neither. A new reference.
PyObject* result_get(PyObject* self, void* closure)
{
    resultrecord* r = asresult(self);
    const int which = static_cast<int>(reinterpret_cast<std::intptr_t>(closure));
    if (!r->slots[which] && !r->meta)
        return noneobject();
    return cached(r->slots[which], [&] { return makeslot(r, which); });
}

// Sets a private field (the Python layer's caches, and a restored result's fields).
int result_set(PyObject* self, PyObject* value, void* closure)
{
    PyObject*& slot = asresult(self)->slots[reinterpret_cast<std::intptr_t>(closure)];
    Py_XINCREF(value);
    Py_XSETREF(slot, value);
    return 0;
}

PyObject* result_missing(PyObject* self, void*)
{
    const resultrecord* r = asresult(self);
    if (!r->meta || !r->meta->missing)
        return noneobject();
    return Py_BuildValue("(KK)", static_cast<unsigned long long>(r->meta->missing->offset),
                         static_cast<unsigned long long>(r->meta->missing->length));
}

// The place in properties of the record's property, or -1.
Py_ssize_t positionof(const Metadata& m, const Property* p)
{
    if (!p)
        return -1;
    Py_ssize_t before = 0;
    for (const Group& g : m.groups) {
        const auto& v = g.properties;
        if (!v.empty() && p >= v.data() && p < v.data() + v.size())
            return before + (p - v.data());
        before += static_cast<Py_ssize_t>(v.size());
    }
    return -1;
}

// _find(key) or _find(directory, key): the place in properties of the first
// property with the key, -1 when there is none; None for a restored result,
// which the Python layer looks up itself.
PyObject* result_find(PyObject* self, PyObject* args)
{
    const resultrecord* r = asresult(self);
    const char *first = nullptr, *second = nullptr;
    Py_ssize_t firstlength = 0, secondlength = 0;
    if (!PyArg_ParseTuple(args, "s#|s#:_find", &first, &firstlength, &second, &secondlength))
        return nullptr;
    if (!r->meta)
        return noneobject();
    const std::string_view a(first, static_cast<std::size_t>(firstlength));
    const Property* p = second ? r->meta->find(a, std::string_view(second, static_cast<std::size_t>(secondlength)))
                               : r->meta->find(a);
    return PyLong_FromSsize_t(positionof(*r->meta, p));
}

// The distinct keys in delivery order, or None for a restored result.
PyObject* result_keys(PyObject* self, PyObject*)
{
    resultrecord* r = asresult(self);
    if (!r->meta)
        return noneobject();
    auto all = steal(result_get(self, reinterpret_cast<void*>(S_PROPERTIES)));
    auto out = steal(PyList_New(0));
    Py_ssize_t i = 0;
    for (const Group& g : r->meta->groups)
        for (const Property& p : g.properties) {
            if (positionof(*r->meta, r->meta->find(p.key)) == i) {
                PyObject* key = fieldof(PyTuple_GET_ITEM(all.ptr(), i), KEY);
                if (!key || PyList_Append(out.ptr(), key) < 0) {
                    Py_XDECREF(key);
                    return nullptr;
                }
                Py_DECREF(key);
            }
            ++i;
        }
    return out.release().ptr();
}

void makeresulttype(py::module_& mod)
{
    static PyGetSetDef getters[] = {
        {"properties", result_get, nullptr, "Every delivered property, in delivery order.",
         reinterpret_cast<void*>(S_PROPERTIES)},
        {"summary", result_get, nullptr,
         "Camera, lens, dates, exposure and position in Python types; None where the file has none.",
         reinterpret_cast<void*>(S_SUMMARY)},
        {"warnings", result_get, nullptr, "The warnings, in the order raised: (message, detail) records.",
         reinterpret_cast<void*>(S_WARNINGS)},
        {"frame", result_get, nullptr, "The image size record (precision, components, height, width), or None.",
         reinterpret_cast<void*>(S_FRAME)},
        {"format", result_get, nullptr,
         "jpeg, tiff, heif, avif, cr3, png, webp, jxl, raf or crw; None when the file is none of them.",
         reinterpret_cast<void*>(S_FORMAT)},
        {"result", result_get, nullptr, "The library's result code: 0 when Exif data were delivered.",
         reinterpret_cast<void*>(S_RESULT)},
        {"oserror", result_get, nullptr, "The errno of a failed open or read, else 0.",
         reinterpret_cast<void*>(S_OSERROR)},
        {"error", result_get, nullptr, "The reason a fatal error ended the read (\"Error: ...\"), or None.",
         reinterpret_cast<void*>(S_ERROR)},
        {"missing", result_missing, nullptr, "The first range a source did not hold, (offset, length), or None.",
         nullptr},
        {"_file", result_get, result_set, nullptr, reinterpret_cast<void*>(S_FILE)},
        {"_json", result_get, result_set, nullptr, reinterpret_cast<void*>(S_JSON)},
        {"_index", result_get, result_set, nullptr, reinterpret_cast<void*>(S_INDEX)},
        {"_data", result_get, result_set, nullptr, reinterpret_cast<void*>(S_DATA)},
        {"_properties", result_get, result_set, nullptr, reinterpret_cast<void*>(S_PROPERTIES)},
        {"_summary", result_get, result_set, nullptr, reinterpret_cast<void*>(S_SUMMARY)},
        {"_warnings", result_get, result_set, nullptr, reinterpret_cast<void*>(S_WARNINGS)},
        {"_frame", result_get, result_set, nullptr, reinterpret_cast<void*>(S_FRAME)},
        {"_format", result_get, result_set, nullptr, reinterpret_cast<void*>(S_FORMAT)},
        {"_result", result_get, result_set, nullptr, reinterpret_cast<void*>(S_RESULT)},
        {"_oserror", result_get, result_set, nullptr, reinterpret_cast<void*>(S_OSERROR)},
        {"_error", result_get, result_set, nullptr, reinterpret_cast<void*>(S_ERROR)},
        {nullptr, nullptr, nullptr, nullptr, nullptr}};
    static PyMethodDef methods[] = {
        {"_find", result_find, METH_VARARGS, nullptr},
        {"_keys", result_keys, METH_NOARGS, nullptr},
        {nullptr, nullptr, 0, nullptr}};
    static PyType_Slot slots[] = {
        {Py_tp_dealloc, reinterpret_cast<void*>(result_dealloc)},
        {Py_tp_new, reinterpret_cast<void*>(result_new)},
        {Py_tp_traverse, reinterpret_cast<void*>(result_traverse)},
        {Py_tp_clear, reinterpret_cast<void*>(result_clear)},
        {Py_tp_getset, getters},
        {Py_tp_methods, methods},
        {Py_tp_doc, const_cast<char*>("The result of one read; scripts get it as exifkit.Metadata.")},
        {0, nullptr}};
    static PyType_Spec spec = {"exifkit._native.Result", sizeof(resultrecord), 0,
                               Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC, slots};
    RESULT = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&spec));
    if (!RESULT)
        throw py::error_already_set();
    RESULTMADE = RESULT;
    Py_INCREF(RESULTMADE);
    mod.attr("Result") = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(RESULT));
}

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

// A path (str, bytes or os.PathLike) as the file system's bytes, which may
// hold no NUL.
py::bytes fsencoded(const py::handle& path)
{
    auto named = steal(PyOS_FSPath(path.ptr()));
    auto bytes = PyBytes_Check(named.ptr()) ? py::reinterpret_borrow<py::bytes>(named)
                                            : py::reinterpret_steal<py::bytes>(PyUnicode_EncodeFSDefault(named.ptr()));
    if (!bytes)
        throw py::error_already_set();
    if (std::string_view(bytes).find('\0') != std::string_view::npos)
        throw py::value_error("embedded null byte in path");
    return bytes;
}

py::object readpathobject(const py::handle& path)
{
    const py::bytes file = fsencoded(path);
    const std::string p = file;
    auto m = SPARES.take();
    {
        py::gil_scoped_release unlocked;
        readMetadata(p.c_str(), *m);
    }
    return steal(makeresult(std::move(m), file.ptr()));
}

py::object readbuffer(const py::handle& data)
{
    heldbuffer held(data);
    auto m = SPARES.take();
    {
        py::gil_scoped_release unlocked;
        readMetadata(held.data(), held.size(), *m);
    }
    return steal(makeresult(std::move(m), Py_None));
}

py::object readfile(const py::object& file)
{
    filesource source(file);
    auto m = SPARES.take();
    readMetadata(source, *m);
    source.finish();
    return steal(makeresult(std::move(m), Py_None));
}

// (the thumbnail's bytes or None, the errno of a path that could not be read)
py::tuple thumbnailof(const py::handle& source, bool ispath)
{
    std::vector<std::uint8_t> bytes;
    int oserror = 0;
    if (ispath) {
        const std::string p = fsencoded(source);
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

// The OSError (FileNotFoundError...) of a path that could not be read, as
// open() raises it: errno, its text, the path as given.
py::object oserrorof(int code, const py::object& path)
{
    if (!code)
        return steal(PyObject_CallFunction(PyExc_OSError, "s", "cannot open file"));
    return steal(PyObject_CallFunction(PyExc_OSError, "isO", code, std::strerror(code), path.ptr()));
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

    // A chunk of sources: paths (str or os.PathLike) and bytes-like objects.
    void submit(const py::list& chunk)
    {
        std::vector<std::unique_ptr<job>> made;
        made.reserve(chunk.size());
        for (const py::handle source : chunk) {
            auto& j = *made.emplace_back(std::make_unique<job>());
            j.source = py::reinterpret_borrow<py::object>(source);
            // Bytes are contents; a str or an os.PathLike names a file.
            if (PyObject_CheckBuffer(source.ptr())) {
                j.buffer = std::make_unique<heldbuffer>(source);
            } else if (PyUnicode_Check(source.ptr()) || PyObject_HasAttrString(source.ptr(), "__fspath__")) {
                const py::bytes file = fsencoded(source);
                j.path = file;
                j.file = file;
            } else {
                throw py::type_error(std::string("read_many reads paths and bytes, not a ") +
                                     Py_TYPE(source.ptr())->tp_name);
            }
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

    // The oldest chunk's (source, result) pairs, the result being the
    // OSError of a path that could not be opened or read.
    py::list take()
    {
        std::vector<std::unique_ptr<job>> finished;
        {
            py::gil_scoped_release unlocked;
            std::unique_lock lock(mutex_);
            if (chunks_.empty())
                throw std::logic_error("nothing submitted");
            // Rather than wait, the caller reads what no worker has started.
            const std::size_t n = chunks_.front();
            while (finishedfront_ < n)
                if (!readnext(lock))
                    done_.wait(lock);
            for (std::size_t i = 0; i < n; ++i) {
                finished.push_back(std::move(jobs_.front()));
                jobs_.pop_front();
            }
            chunks_.pop_front();
            taken_ += n;
            finishedfront_ = countfinished(0);
        }
        auto out = steal(PyList_New(static_cast<Py_ssize_t>(finished.size())));
        Py_ssize_t i = 0;
        for (auto& j : finished) {
            auto made = j->buffer || j->m->result != EXIF_CANT_OPEN ? steal(makeresult(std::move(j->m), j->buffer ? Py_None : j->file.ptr()))
                                                                   : oserrorof(j->m->oserror, j->source);
            PyList_SET_ITEM(out.ptr(), i++, PyTuple_Pack(2, j->source.ptr(), made.ptr()));
        }
        return py::reinterpret_borrow<py::list>(out);
    }

private:
    struct job {
        py::object source;  // as given; these objects are released under the interpreter lock
        py::object file;    // a path's bytes, for the result
        std::string path;
        std::unique_ptr<heldbuffer> buffer;  // released by the thread that takes it, under the interpreter lock
        std::unique_ptr<Metadata> m = SPARES.take();
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

    // Reads the first job no thread has started, if there is one; called
    // and returning with the mutex held.
    bool readnext(std::unique_lock<std::mutex>& lock)
    {
        if (started_ >= taken_ + jobs_.size())
            return false;
        job& j = *jobs_[started_++ - taken_];
        lock.unlock();
        if (j.buffer)
            readMetadata(j.buffer->data(), j.buffer->size(), *j.m);
        else
            readMetadata(j.path.c_str(), *j.m);
        lock.lock();
        j.done = true;
        finishedfront_ = countfinished(finishedfront_);
        if (!chunks_.empty() && finishedfront_ >= chunks_.front())
            done_.notify_one();
        return true;
    }

    void work()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            queued_.wait(lock, [this] { return stopping_ || started_ < taken_ + jobs_.size(); });
            if (stopping_)
                return;
            readnext(lock);
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
    return steal(jsonof(m, file.ptr()));
}

}  // namespace
}  // namespace exifkit::python

PYBIND11_MODULE(_native, mod)
{
    using namespace exifkit::python;
    mod.doc() = "exifkit's reading core; scripts use the exifkit package instead.";
    PyDateTime_IMPORT;
    if (!PyDateTimeAPI)
        throw py::error_already_set();
    maketypes();
    makeholdertype();
    makepropertytype(mod);
    T.fraction = py::object(py::module_::import("fractions").attr("Fraction")).release().ptr();
    checkfastfractions();

    for (PyTypeObject* t : {T.warning, T.frame, T.summary, T.gps, T.truncated}) {
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

    makeresulttype(mod);
    // Reads make instances of the Python layer's subclass once it is registered.
    mod.def("set_result_type", [](py::object type) {
        if (!PyType_Check(type.ptr()) || !PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(type.ptr()), RESULT))
            throw py::type_error("not a subclass of Result");
        Py_XSETREF(RESULTMADE, reinterpret_cast<PyTypeObject*>(type.release().ptr()));
    });

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

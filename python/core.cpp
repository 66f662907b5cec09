// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The Python binding's native part, on CPython's C API: Policy holds the
// external record itself, and the field description (policy_fields.hpp)
// turns it into Python values and back, as it does for the tool's JSON.
// Decoding validates the bytes and decodes them; the attribute tree (groups as
// Group objects, hexadecimal values as integers) is built on first access.
// A write through the tree is read back into the record at once, so a bad
// value raises where it is set.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "policy_reader.hpp"
#include "policy_writer.hpp"
#include "record_layout.hpp"

namespace {

namespace f = eth_if_plcy::fields;
using Ext = eth_if_plcy_ext_t;

struct Raised {};  // a Python exception is set
struct NotAKey {}; // a dict key that is not a string

PyObject *g_invalid_record = nullptr; // eth_if_plcy.InvalidRecord
PyObject *g_bad_policy = nullptr;     // eth_if_plcy.BadPolicy

PyObject *check(PyObject *o) {
    if (o == nullptr) throw Raised{};
    return o;
}

// ---- kinds of object in the attribute tree --------------------------------

// Each kind of object names the keys it may hold and the kind of each value
// (kScalar for a plain value; a list holds values of the key's kind): the
// root, each group, the entries of each compound that has keys (tags,
// ranges, the L2PT object) and an L2PT setting, all from the field description.
constexpr int kScalar = -1, kRoot = 0, kFirstGroup = 1;
constexpr int kFirstCompound = kFirstGroup + static_cast<int>(std::size(f::kGroups));
constexpr int kL2ptEntry = kFirstCompound + static_cast<int>(std::size(f::kCompounds));
constexpr int kKinds = kL2ptEntry + 1;
PyObject *g_keys[kKinds]; // name -> kind (int)

void add_key(int kind, std::string_view name, int child) {
    PyObject *v = check(PyLong_FromLong(child));
    int rc = PyDict_SetItemString(g_keys[kind], std::string(name).c_str(), v);
    Py_DECREF(v);
    if (rc != 0) throw Raised{};
}

void add_path(std::string_view path, int kind) {
    size_t dot = path.find('.');
    if (dot == std::string_view::npos) return add_key(kRoot, path, kind);
    int group = 0;
    while (path.substr(0, dot) != f::kGroups[group])
        group++;
    add_key(kFirstGroup + group, path.substr(dot + 1), kind);
}

void build_keys() {
    for (auto &k : g_keys)
        k = check(PyDict_New());
    for (const f::Scalar &s : f::kScalars)
        add_path(s.path, kScalar);
    for (size_t i = 0; i < std::size(f::kCompounds); i++) {
        const f::Compound &c = f::kCompounds[i];
        bool keyed = c.shape == f::Shape::pairs || c.shape == f::Shape::l2pt;
        int kind = keyed ? kFirstCompound + static_cast<int>(i) : kScalar;
        add_path(c.path, kind);
        if (!keyed) continue;
        int entry = c.shape == f::Shape::pairs ? kind : kL2ptEntry;
        for (const f::Key &k : c.keys)
            add_key(entry, k.name, kScalar);
        if (c.shape == f::Shape::l2pt)
            for (const char *p : f::kL2ptNames)
                add_key(kind, p, kL2ptEntry);
    }
    for (size_t g = 0; g < std::size(f::kGroups); g++)
        add_key(kRoot, f::kGroups[g], kFirstGroup + static_cast<int>(g));
}

// ---- objects -------------------------------------------------------------------

struct PolicyObject {
    PyObject_HEAD Ext ext;
    PyObject *tree; // the root dict of the attribute tree, or null until asked for
};

struct GroupObject {
    PyObject_HEAD PyObject *dict;
    PolicyObject *owner; // strong reference: writes go back into its record
    int kind;
};

// Filled in by the module's initialisation.
PyTypeObject PolicyType = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject GroupType = {PyVarObject_HEAD_INIT(nullptr, 0)};

bool is_group(PyObject *o) {
    return Py_TYPE(o) == &GroupType;
}

// Per-tag range pointers point into the record that holds them.
void store(PolicyObject *p, const Ext &from) {
    std::memcpy(&p->ext, &from, sizeof from);
    for (int i = 0; i < 2; i++)
        if (from.efp.tag_range_list[i] != nullptr) p->ext.efp.tag_range_list[i] = p->ext.efp.ranges;
}

PolicyObject *new_policy(PyTypeObject *type) {
    auto *p = reinterpret_cast<PolicyObject *>(type->tp_alloc(type, 0));
    if (p == nullptr) throw Raised{};
    std::memset(&p->ext, 0, sizeof p->ext);
    p->tree = nullptr;
    return p;
}

// A value as the tree holds it: dicts become Groups of the key's kind, lists
// hold wrapped values; anything else is kept as it is.
PyObject *wrap(PyObject *v, int kind, PolicyObject *owner) {
    if (kind != kScalar && PyDict_Check(v)) {
        PyObject *d = check(PyDict_New());
        auto *g = PyObject_GC_New(GroupObject, &GroupType);
        if (g == nullptr) {
            Py_DECREF(d);
            throw Raised{};
        }
        g->dict = d;
        g->kind = kind;
        Py_INCREF(owner);
        g->owner = owner;
        PyObject_GC_Track(g);
        PyObject *key, *item;
        Py_ssize_t pos = 0;
        while (PyDict_Next(v, &pos, &key, &item)) {
            PyObject *child = PyDict_GetItemWithError(g_keys[kind], key);
            int ck = child ? static_cast<int>(PyLong_AsLong(child)) : kScalar;
            PyObject *w = wrap(item, ck, owner);
            int rc = PyDict_SetItem(d, key, w);
            Py_DECREF(w);
            if (rc != 0) {
                Py_DECREF(g);
                throw Raised{};
            }
        }
        return reinterpret_cast<PyObject *>(g);
    }
    if (kind != kScalar && PyList_Check(v)) {
        Py_ssize_t n = PyList_GET_SIZE(v);
        PyObject *l = check(PyList_New(n));
        for (Py_ssize_t i = 0; i < n; i++) {
            try {
                PyList_SET_ITEM(l, i, wrap(PyList_GET_ITEM(v, i), kind, owner));
            } catch (Raised &) {
                Py_DECREF(l);
                throw;
            }
        }
        return l;
    }
    Py_INCREF(v);
    return v;
}

// ---- the field description over Python values ------------------------------

// Writing: plain dicts and lists; hexadecimal as "0x..." strings for to_dict,
// as integers for the attribute tree. Every Node is a new reference.
struct PyWriteTree {
    using Node = PyObject *;
    bool hex_strings;
    Node object() { return check(PyDict_New()); }
    Node array() { return check(PyList_New(0)); }
    Node integer(uint64_t v) { return check(PyLong_FromUnsignedLongLong(v)); }
    Node string(std::string_view s) {
        return check(PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size())));
    }
    Node null() { Py_RETURN_NONE; }
    Node hex(uint64_t v, int digits) {
        if (!hex_strings) return integer(v);
        char text[24];
        std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(v));
        return check(PyUnicode_FromString(text));
    }
    Node get(Node o, std::string_view key) { // borrowed
        PyObject *k = string(key);
        PyObject *v = PyDict_GetItemWithError(o, k);
        Py_DECREF(k);
        return v;
    }
    void set(Node o, std::string_view key, Node v) {
        PyObject *k = PyUnicode_FromStringAndSize(key.data(), static_cast<Py_ssize_t>(key.size()));
        int rc = k ? PyDict_SetItem(o, k, v) : -1;
        Py_XDECREF(k);
        Py_DECREF(v);
        if (rc != 0) throw Raised{};
    }
    void append(Node a, Node v) {
        int rc = PyList_Append(a, v);
        Py_DECREF(v);
        if (rc != 0) throw Raised{};
    }
};

// Reading: dicts and Groups are objects, lists and tuples arrays; borrowed references.
struct PyReadTree {
    using Node = PyObject *;
    static PyObject *dict_of(Node n) {
        return is_group(n) ? reinterpret_cast<GroupObject *>(n)->dict : n;
    }
    bool is_int(Node n) { return PyLong_Check(n); }
    bool int_value(Node n, int64_t &v) {
        int overflow = 0;
        v = PyLong_AsLongLongAndOverflow(n, &overflow);
        if (overflow != 0) v = overflow > 0 ? INT64_MAX : INT64_MIN;
        return !(v == -1 && PyErr_Occurred());
    }
    bool is_string(Node n) { return PyUnicode_Check(n); }
    std::string_view string(Node n) {
        Py_ssize_t size = 0;
        const char *s = PyUnicode_AsUTF8AndSize(n, &size);
        if (s == nullptr) throw Raised{};
        return {s, static_cast<size_t>(size)};
    }
    bool is_array(Node n) { return PyList_Check(n) || PyTuple_Check(n); }
    size_t size(Node n) { return static_cast<size_t>(PySequence_Fast_GET_SIZE(n)); }
    Node at(Node n, size_t i) { return PySequence_Fast_GET_ITEM(n, static_cast<Py_ssize_t>(i)); }
    bool is_object(Node n) { return PyDict_Check(n) || is_group(n); }
    bool is_null(Node n) { return n == Py_None; }
    // A value for a message, written as JSON would write it where it can be.
    std::string show(Node n) {
        if (PyUnicode_Check(n)) return "\"" + std::string(string(n)) + "\"";
        if (n == Py_True || n == Py_False) return n == Py_True ? "true" : "false";
        PyObject *r = PyLong_Check(n) ? PyObject_Str(n) : PyObject_Repr(n);
        if (r == nullptr) throw Raised{};
        std::string text(string(r));
        Py_DECREF(r);
        return text;
    }
    Node get(Node n, const char *key) {
        PyObject *v = PyDict_GetItemString(dict_of(n), key);
        return v == Py_None ? nullptr : v; // None stands for a key left out
    }
    template <class F>
    void each(Node n, F fn) {
        PyObject *key, *value;
        Py_ssize_t pos = 0;
        while (PyDict_Next(dict_of(n), &pos, &key, &value)) {
            if (!PyUnicode_Check(key)) throw NotAKey{};
            if (value == Py_None) continue;
            fn(string(key), value);
        }
    }
};

PyObject *raise_bad_policy(uint32_t status, const char *reason, const std::string &field) {
    PyObject *e = PyObject_CallFunction(g_bad_policy, "IsOs", status, reason, Py_None,
                                        field.empty() ? nullptr : field.c_str());
    if (e == nullptr) return nullptr;
    PyErr_SetObject(g_bad_policy, e);
    Py_DECREF(e);
    return nullptr;
}

PyObject *raise_invalid(uint32_t status, const char *reason, uint32_t offset) {
    PyObject *e = PyObject_CallFunction(g_invalid_record, "IsI", status, reason, offset);
    if (e == nullptr) return nullptr;
    PyErr_SetObject(g_invalid_record, e);
    Py_DECREF(e);
    return nullptr;
}

// Reads a policy from Python values into ext; false with BadPolicy raised.
bool read_policy(PyObject *root, Ext &ext) {
    PyReadTree tree;
    try {
        f::Reader<PyReadTree> reader(tree, ext);
        if (reader.policy(root)) return true;
        raise_bad_policy(ETH_IF_PLCY_ERR_BAD_POLICY, reader.refusal().message.c_str(),
                         reader.refusal().path);
        return false;
    } catch (const NotAKey &) {
        raise_bad_policy(ETH_IF_PLCY_ERR_BAD_POLICY, "keys must be strings", "");
        return false;
    }
}

PyObject *write_policy(const Ext &ext, bool hex_strings) {
    PyWriteTree tree{hex_strings};
    return f::Writer<PyWriteTree>(tree).policy(ext);
}

// The attribute tree of p, built on first use (a borrowed reference).
PyObject *tree_of(PolicyObject *p) {
    if (p->tree == nullptr) {
        PyObject *plain = write_policy(p->ext, false);
        PyObject *dict = check(PyDict_New());
        PyObject *key, *item;
        Py_ssize_t pos = 0;
        try {
            while (PyDict_Next(plain, &pos, &key, &item)) {
                PyObject *child = PyDict_GetItemWithError(g_keys[kRoot], key);
                int kind = child ? static_cast<int>(PyLong_AsLong(child)) : kScalar;
                PyObject *w = wrap(item, kind, p);
                int rc = PyDict_SetItem(dict, key, w);
                Py_DECREF(w);
                if (rc != 0) throw Raised{};
            }
        } catch (Raised &) {
            Py_DECREF(plain);
            Py_DECREF(dict);
            throw;
        }
        Py_DECREF(plain);
        p->tree = dict;
    }
    return p->tree;
}

// After a write into the tree: read it back into the record. valid_mask
// follows the fields unless it was the field written (LOOPBACK, which has no
// field, is kept).
bool reparse(PolicyObject *p, bool mask_written) {
    PyObject *old_mask = nullptr;
    if (!mask_written) {
        old_mask = PyDict_GetItemString(p->tree, "valid_mask");
        Py_XINCREF(old_mask);
        if (old_mask && PyDict_DelItemString(p->tree, "valid_mask") != 0) throw Raised{};
    }
    Ext ext;
    bool ok = read_policy(p->tree, ext);
    if (!ok) {
        if (old_mask) {
            PyDict_SetItemString(p->tree, "valid_mask", old_mask);
            Py_DECREF(old_mask);
        }
        return false;
    }
    if (!mask_written) ext.valid_mask |= p->ext.valid_mask & ETH_IF_PLCY_LOOPBACK;
    store(p, ext);
    Py_XDECREF(old_mask);
    PyObject *mask = check(PyLong_FromUnsignedLong(ext.valid_mask));
    int rc = PyDict_SetItemString(p->tree, "valid_mask", mask);
    Py_DECREF(mask);
    if (rc != 0) throw Raised{};
    return true;
}

// Sets (or, for None, removes) key in dict, then reads the record back;
// on a refusal the dict is restored.
int write_key(PolicyObject *owner, PyObject *dict, int kind, PyObject *name, PyObject *value) {
    PyObject *child = PyDict_GetItemWithError(g_keys[kind], name);
    if (child == nullptr) {
        if (!PyErr_Occurred())
            PyErr_Format(PyExc_AttributeError, "no policy field \"%U\" here", name);
        return -1;
    }
    try {
        PyObject *old = PyDict_GetItemWithError(dict, name);
        Py_XINCREF(old);
        int rc;
        if (value == nullptr || value == Py_None) {
            rc = old ? PyDict_DelItem(dict, name) : 0;
        } else {
            PyObject *w = wrap(value, static_cast<int>(PyLong_AsLong(child)), owner);
            rc = PyDict_SetItem(dict, name, w);
            Py_DECREF(w);
        }
        bool mask = kind == kRoot && PyUnicode_CompareWithASCIIString(name, "valid_mask") == 0;
        if (rc == 0 && reparse(owner, mask)) {
            Py_XDECREF(old);
            return 0;
        }
        // Refused: put the old value back (keeping the error raised).
        PyObject *type, *val, *tb;
        PyErr_Fetch(&type, &val, &tb);
        if (old) {
            PyDict_SetItem(dict, name, old);
            Py_DECREF(old);
        } else {
            PyDict_DelItem(dict, name);
            PyErr_Clear();
        }
        PyErr_Restore(type, val, tb);
        return -1;
    } catch (Raised &) {
        return -1;
    }
}

PyObject *lookup(PyObject *dict, int kind, PyObject *self, PyObject *name) {
    PyObject *v = PyDict_GetItemWithError(dict, name);
    if (v != nullptr) {
        Py_INCREF(v);
        return v;
    }
    if (PyErr_Occurred()) return nullptr;
    if (PyDict_GetItemWithError(g_keys[kind], name) != nullptr) Py_RETURN_NONE; // an absent field
    if (PyErr_Occurred()) return nullptr;
    return PyObject_GenericGetAttr(self, name);
}

// ---- Group -----------------------------------------------------------------

// A group and its policy refer to each other (the policy's tree holds the
// group): both take part in the cycle collector.
int group_traverse(PyObject *self, visitproc visit, void *arg) {
    auto *g = reinterpret_cast<GroupObject *>(self);
    Py_VISIT(g->dict);
    Py_VISIT(reinterpret_cast<PyObject *>(g->owner));
    return 0;
}

int group_clear(PyObject *self) {
    auto *g = reinterpret_cast<GroupObject *>(self);
    Py_CLEAR(g->dict);
    Py_CLEAR(g->owner);
    return 0;
}

void group_dealloc(PyObject *self) {
    PyObject_GC_UnTrack(self);
    group_clear(self);
    PyObject_GC_Del(self);
}

PyObject *group_getattro(PyObject *self, PyObject *name) {
    auto *g = reinterpret_cast<GroupObject *>(self);
    return lookup(g->dict, g->kind, self, name);
}

int group_setattro(PyObject *self, PyObject *name, PyObject *value) {
    auto *g = reinterpret_cast<GroupObject *>(self);
    return write_key(g->owner, g->dict, g->kind, name, value);
}

PyObject *group_getitem(PyObject *self, PyObject *key) {
    auto *g = reinterpret_cast<GroupObject *>(self);
    PyObject *v = PyDict_GetItemWithError(g->dict, key);
    if (v != nullptr) {
        Py_INCREF(v);
        return v;
    }
    if (PyErr_Occurred()) return nullptr;
    if (PyDict_GetItemWithError(g_keys[g->kind], key) != nullptr) Py_RETURN_NONE;
    if (!PyErr_Occurred()) PyErr_SetObject(PyExc_KeyError, key);
    return nullptr;
}

int group_setitem(PyObject *self, PyObject *key, PyObject *value) {
    if (!PyUnicode_Check(key)) {
        PyErr_SetString(PyExc_TypeError, "policy field names are strings");
        return -1;
    }
    auto *g = reinterpret_cast<GroupObject *>(self);
    return write_key(g->owner, g->dict, g->kind, key, value);
}

PyObject *group_repr(PyObject *self) {
    return PyObject_Repr(reinterpret_cast<GroupObject *>(self)->dict);
}

PyObject *group_richcompare(PyObject *self, PyObject *other, int op) {
    PyObject *a = reinterpret_cast<GroupObject *>(self)->dict;
    PyObject *b = is_group(other) ? reinterpret_cast<GroupObject *>(other)->dict : other;
    return PyObject_RichCompare(a, b, op);
}

PyMappingMethods group_mapping = {nullptr, group_getitem, group_setitem};

// ---- Policy ----------------------------------------------------------------

PolicyObject *as_policy(PyObject *o) {
    return reinterpret_cast<PolicyObject *>(o);
}

void policy_dealloc(PyObject *self) {
    PyObject_GC_UnTrack(self);
    Py_CLEAR(as_policy(self)->tree);
    Py_TYPE(self)->tp_free(self);
}

int policy_traverse(PyObject *self, visitproc visit, void *arg) {
    Py_VISIT(as_policy(self)->tree);
    return 0;
}

int policy_clear(PyObject *self) {
    Py_CLEAR(as_policy(self)->tree);
    return 0;
}

int policy_init(PyObject *self, PyObject *args, PyObject *kwargs) {
    static const char *names[] = {"fields", nullptr};
    PyObject *fields = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:Policy", const_cast<char **>(names),
                                     &fields))
        return -1;
    Py_CLEAR(as_policy(self)->tree);
    if (fields == nullptr || fields == Py_None) {
        std::memset(&as_policy(self)->ext, 0, sizeof(Ext));
        return 0;
    }
    if (!PyDict_Check(fields)) {
        PyErr_Format(PyExc_TypeError, "a policy is made from a dict, not %s",
                     Py_TYPE(fields)->tp_name);
        return -1;
    }
    Ext ext;
    try {
        if (!read_policy(fields, ext)) return -1;
    } catch (Raised &) {
        return -1;
    }
    store(as_policy(self), ext);
    return 0;
}

PyObject *policy_getattro(PyObject *self, PyObject *name) {
    PyObject *known = PyDict_GetItemWithError(g_keys[kRoot], name);
    if (known == nullptr) {
        if (PyErr_Occurred()) return nullptr;
        return PyObject_GenericGetAttr(self, name);
    }
    try {
        return lookup(tree_of(as_policy(self)), kRoot, self, name);
    } catch (Raised &) {
        return nullptr;
    }
}

int policy_setattro(PyObject *self, PyObject *name, PyObject *value) {
    try {
        return write_key(as_policy(self), tree_of(as_policy(self)), kRoot, name, value);
    } catch (Raised &) {
        return -1;
    }
}

PyObject *to_dict(PyObject *self, PyObject *) {
    try {
        return write_policy(as_policy(self)->ext, true);
    } catch (Raised &) {
        return nullptr;
    }
}

PyObject *from_dict(PyObject *type, PyObject *d) {
    if (!PyDict_Check(d)) {
        PyErr_Format(PyExc_TypeError, "Policy.from_dict takes a dict, not %s", Py_TYPE(d)->tp_name);
        return nullptr;
    }
    try {
        PolicyObject *p = new_policy(reinterpret_cast<PyTypeObject *>(type));
        Ext ext;
        if (!read_policy(d, ext)) {
            Py_DECREF(p);
            return nullptr;
        }
        store(p, ext);
        return reinterpret_cast<PyObject *>(p);
    } catch (Raised &) {
        return nullptr;
    }
}

// A bytes-like argument, read in place.
struct Bytes {
    Py_buffer view{};
    bool ok = false;
    explicit Bytes(PyObject *o, const char *what) {
        if (PyObject_GetBuffer(o, &view, PyBUF_SIMPLE) == 0) {
            ok = true;
        } else {
            PyErr_Format(PyExc_TypeError,
                         "%s must be bytes-like (bytes, bytearray, memoryview), not %s", what,
                         Py_TYPE(o)->tp_name);
        }
    }
    ~Bytes() {
        if (ok) PyBuffer_Release(&view);
    }
    Bytes(const Bytes &) = delete;
    Bytes &operator=(const Bytes &) = delete;
    const uint8_t *data() const { return static_cast<const uint8_t *>(view.buf); }
    size_t size() const { return static_cast<size_t>(view.len); }
};

// The record at data (validated), in host order, in buf; null with
// InvalidRecord raised. Its size is in *size. base: the record's offset in a
// dump, or SIZE_MAX for a record on its own.
const eth_if_plcy_t *checked(const uint8_t *data, size_t len, bool net, std::vector<uint8_t> &buf,
                             uint32_t *size, size_t base) {
    const char *reason = nullptr;
    uint32_t offset = 0;
    uint32_t status = eth_if_plcy_validate_explain(data, len, net ? ETH_IF_PLCY_VALIDATE_NET : 0,
                                                   &reason, &offset);
    if (status != 0) {
        if (base == SIZE_MAX) {
            raise_invalid(status, reason, offset);
        } else { // a record of a dump: its own offset, the byte in the reason
            std::string where = std::string(reason) + " (byte " + std::to_string(offset) + ")";
            raise_invalid(status, where.c_str(), static_cast<uint32_t>(base));
        }
        return nullptr;
    }
    if (!net || ETH_EFP_HOST_BIG_ENDIAN) {
        auto *rec = reinterpret_cast<const eth_if_plcy_t *>(data);
        *size = eth_if_plcy_get_size(rec, 0);
        return rec;
    }
    // A network image is converted in a copy of its own size (validated <= len).
    static_assert(ethplcy::layout::size.off == 2 && ethplcy::layout::size.bytes == 2);
    *size = static_cast<uint32_t>(data[2]) << 8 | data[3];
    buf.assign(data, data + *size);
    auto *rec = reinterpret_cast<eth_if_plcy_t *>(buf.data());
    eth_if_plcy_ntoh(rec);
    return rec;
}

bool flag(PyObject *o, bool &out) {
    int t = PyObject_IsTrue(o);
    if (t < 0) return false;
    out = t != 0;
    return true;
}

// Policy.decode(data, fields=ALL_FIELDS, net=False)
PyObject *decode(PyObject *type, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    static const char *names[] = {"data", "fields", "net"};
    PyObject *vals[3] = {nullptr, nullptr, nullptr};
    Py_ssize_t nk = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    if (nargs > 3) {
        PyErr_SetString(PyExc_TypeError, "Policy.decode takes data, fields and net");
        return nullptr;
    }
    for (Py_ssize_t i = 0; i < nargs; i++)
        vals[i] = args[i];
    for (Py_ssize_t k = 0; k < nk; k++) {
        PyObject *key = PyTuple_GET_ITEM(kwnames, k);
        int i = 0;
        while (i < 3 && PyUnicode_CompareWithASCIIString(key, names[i]) != 0)
            i++;
        if (i == 3 || vals[i] != nullptr) {
            PyErr_Format(PyExc_TypeError, "Policy.decode got an unexpected argument %R", key);
            return nullptr;
        }
        vals[i] = args[nargs + k];
    }
    if (vals[0] == nullptr) {
        PyErr_SetString(PyExc_TypeError, "Policy.decode needs the record's bytes");
        return nullptr;
    }
    uint32_t fields = ETH_IF_PLCY_ALL_FIELDS;
    if (vals[1] != nullptr) {
        unsigned long v = PyLong_Check(vals[1]) ? PyLong_AsUnsignedLong(vals[1]) : ~0ul;
        if (v > ETH_IF_PLCY_ALL_FIELDS) {
            PyErr_Clear();
            PyErr_SetString(PyExc_TypeError,
                            "fields must be a mask of policy field bits (0 to 0xFFFFF)");
            return nullptr;
        }
        fields = static_cast<uint32_t>(v);
    }
    bool net = false;
    if (vals[2] != nullptr && !flag(vals[2], net)) return nullptr;
    Bytes bytes(vals[0], "data");
    if (!bytes.ok) return nullptr;
    std::vector<uint8_t> buf;
    uint32_t size = 0;
    const eth_if_plcy_t *rec = checked(bytes.data(), bytes.size(), net, buf, &size, SIZE_MAX);
    if (rec == nullptr) return nullptr;
    try {
        PolicyObject *p = new_policy(reinterpret_cast<PyTypeObject *>(type));
        uint32_t status = eth_if_plcy_decode(rec, fields, &p->ext, 0);
        if (status != 0) {
            Py_DECREF(p);
            return raise_invalid(status, "decode refused the record", 0);
        }
        return reinterpret_cast<PyObject *>(p);
    } catch (Raised &) {
        return nullptr;
    }
}

// _core.decode_at(data, offset, net) -> (Policy, size): one record of a dump.
PyObject *decode_at(PyObject *, PyObject *args) {
    PyObject *data;
    Py_ssize_t offset;
    int net;
    if (!PyArg_ParseTuple(args, "Onp", &data, &offset, &net)) return nullptr;
    Bytes bytes(data, "data");
    if (!bytes.ok) return nullptr;
    if (offset < 0 || static_cast<size_t>(offset) > bytes.size()) {
        PyErr_SetString(PyExc_IndexError, "offset outside the data");
        return nullptr;
    }
    std::vector<uint8_t> buf;
    uint32_t size = 0;
    const eth_if_plcy_t *rec = checked(bytes.data() + offset, bytes.size() - offset, net != 0, buf,
                                       &size, static_cast<size_t>(offset));
    if (rec == nullptr) return nullptr;
    try {
        PolicyObject *p = new_policy(&PolicyType);
        if (eth_if_plcy_decode(rec, ETH_IF_PLCY_ALL_FIELDS, &p->ext, 0) != 0) {
            Py_DECREF(p);
            return raise_invalid(ETH_IF_PLCY_ERR_INVALID, "decode refused the record",
                                 static_cast<uint32_t>(offset));
        }
        return Py_BuildValue("(NI)", p, size);
    } catch (Raised &) {
        return nullptr;
    }
}

// A method's one optional flag argument.
bool flag_argument(PyObject *args, PyObject *kwargs, const char *format, const char *name,
                   int &out) {
    const char *names[] = {name, nullptr};
    out = 0;
    return PyArg_ParseTupleAndKeywords(args, kwargs, format, const_cast<char **>(names), &out);
}

PyObject *encode(PyObject *self, PyObject *args, PyObject *kwargs) {
    int tag_ranges;
    if (!flag_argument(args, kwargs, "|p:encode", "tag_ranges", tag_ranges)) return nullptr;
    const Ext &ext = as_policy(self)->ext;
    uint32_t options = tag_ranges ? ETH_IF_PLCY_ENCODE_TAG_RANGES : 0;
    const char *reason = nullptr, *field = nullptr;
    uint32_t status = eth_if_plcy_ext_validate_explain(&ext, options, &reason, &field);
    if (status != 0) return raise_bad_policy(status, reason, field ? field : "");
    eth_if_plcy_t *rec = nullptr;
    status = eth_if_plcy_encode(&ext, &rec, options);
    if (status == ETH_IF_PLCY_ERR_NOMEM) return PyErr_NoMemory();
    if (status != 0) return raise_bad_policy(status, eth_if_plcy_status_str(status), "");
    PyObject *out = PyBytes_FromStringAndSize(reinterpret_cast<const char *>(rec),
                                              eth_if_plcy_get_size(rec, 0));
    eth_if_plcy_free(rec, 0);
    return out;
}

PyObject *render_ext(PyObject *self, PyObject *args, PyObject *kwargs) {
    int compact;
    if (!flag_argument(args, kwargs, "|p:render", "compact", compact)) return nullptr;
    uint32_t options = compact ? ETH_IF_PLCY_PRINT_COMPACT : 0;
    const Ext &ext = as_policy(self)->ext;
    std::string text(eth_if_plcy_ext_print_len(&ext, options) + 1, '\0');
    eth_if_plcy_ext_print(&ext, text.data(), text.size(), options);
    return PyUnicode_FromString(text.c_str());
}

PyObject *copy_policy(PyObject *self, PyObject *) {
    try {
        PolicyObject *p = new_policy(Py_TYPE(self));
        store(p, as_policy(self)->ext);
        return reinterpret_cast<PyObject *>(p);
    } catch (Raised &) {
        return nullptr;
    }
}

// Pickled as Policy.from_dict(policy.to_dict()): the JSON shape is the
// policy's stable form across releases.
PyObject *reduce(PyObject *self, PyObject *) {
    PyObject *d = to_dict(self, nullptr);
    if (d == nullptr) return nullptr;
    PyObject *from =
        PyObject_GetAttrString(reinterpret_cast<PyObject *>(Py_TYPE(self)), "from_dict");
    if (from == nullptr) {
        Py_DECREF(d);
        return nullptr;
    }
    return Py_BuildValue("(N(N))", from, d);
}

PyObject *policy_richcompare(PyObject *self, PyObject *other, int op) {
    if ((op != Py_EQ && op != Py_NE) || !PyObject_TypeCheck(other, &PolicyType))
        Py_RETURN_NOTIMPLEMENTED;
    PyObject *a = to_dict(self, nullptr);
    PyObject *b = a ? to_dict(other, nullptr) : nullptr;
    PyObject *r = b ? PyObject_RichCompare(a, b, op) : nullptr;
    Py_XDECREF(a);
    Py_XDECREF(b);
    return r;
}

PyObject *policy_repr(PyObject *self) {
    PyObject *d = to_dict(self, nullptr);
    if (d == nullptr) return nullptr;
    PyObject *r = PyUnicode_FromFormat("Policy.from_dict(%R)", d);
    Py_DECREF(d);
    return r;
}

PyMethodDef policy_methods[] = {
    {"decode", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(decode)),
     METH_FASTCALL | METH_KEYWORDS | METH_CLASS,
     "decode(data, fields=ALL_FIELDS, net=False)\n--\n\nThe policy a record holds (only the "
     "groups in fields); the bytes are checked first (InvalidRecord with the reason and offset)."},
    {"from_dict", from_dict, METH_O | METH_CLASS,
     "from_dict(d)\n--\n\nA policy from the tool's JSON shape (numbers, \"0x...\" strings, "
     "words); BadPolicy names the field of an unknown key or a bad value."},
    {"to_dict", to_dict, METH_NOARGS,
     "to_dict()\n--\n\nThe tool's JSON shape: json.dumps(p.to_dict(), indent=2) is what "
     "ethplcy show --json prints for the policy's record."},
    {"encode", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(encode)),
     METH_VARARGS | METH_KEYWORDS,
     "encode(tag_ranges=False)\n--\n\nThe internal record's bytes; BadPolicy (with the rule "
     "and the field) for a policy eth_if_plcy_ext_validate refuses."},
    {"render", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(render_ext)),
     METH_VARARGS | METH_KEYWORDS,
     "render(compact=False)\n--\n\nThe external record's text print (one line with compact)."},
    {"__copy__", copy_policy, METH_NOARGS, "A copy of the policy."},
    {"__deepcopy__", copy_policy, METH_O, "A copy of the policy (it holds no shared objects)."},
    {"__reduce__", reduce, METH_NOARGS, "Pickles as Policy.from_dict(self.to_dict())."},
    {nullptr, nullptr, 0, nullptr}};

PyObject *policy_new(PyTypeObject *type, PyObject *, PyObject *) {
    try {
        return reinterpret_cast<PyObject *>(new_policy(type));
    } catch (Raised &) {
        return nullptr;
    }
}

// ---- module functions over record bytes ------------------------------------

PyObject *lib_version(PyObject *, PyObject *) {
    return PyUnicode_FromString(eth_if_plcy_lib_version());
}

PyObject *status_str(PyObject *, PyObject *arg) {
    unsigned long s = PyLong_AsUnsignedLongMask(arg);
    if (s == static_cast<unsigned long>(-1) && PyErr_Occurred()) return nullptr;
    return PyUnicode_FromString(eth_if_plcy_status_str(static_cast<uint32_t>(s)));
}

// A record argument, checked and in host order; rec is null with the
// exception raised when it is not one.
struct Loaded {
    Bytes bytes;
    std::vector<uint8_t> buf;
    uint32_t size = 0;
    const eth_if_plcy_t *rec = nullptr;
    Loaded(PyObject *o, const char *what, bool net) : bytes(o, what) {
        if (bytes.ok) rec = checked(bytes.data(), bytes.size(), net, buf, &size, SIZE_MAX);
    }
};

// validate(data, net), convert(data, to_net), render(data, layout, net),
// compare(a, b, net): each checks the bytes first.
PyObject *validate(PyObject *, PyObject *args) {
    PyObject *data;
    int net;
    if (!PyArg_ParseTuple(args, "Op", &data, &net)) return nullptr;
    if (Loaded(data, "data", net != 0).rec == nullptr) return nullptr;
    Py_RETURN_NONE;
}

PyObject *convert(PyObject *, PyObject *args) {
    PyObject *data;
    int to_net;
    if (!PyArg_ParseTuple(args, "Op", &data, &to_net)) return nullptr;
    Loaded in(data, "data", !to_net);
    if (in.rec == nullptr) return nullptr;
    std::vector<uint8_t> out(reinterpret_cast<const uint8_t *>(in.rec),
                             reinterpret_cast<const uint8_t *>(in.rec) + in.size);
    if (to_net) eth_if_plcy_hton(reinterpret_cast<eth_if_plcy_t *>(out.data()));
    return PyBytes_FromStringAndSize(reinterpret_cast<const char *>(out.data()), in.size);
}

PyObject *render(PyObject *, PyObject *args) {
    PyObject *data;
    unsigned int layout;
    int net;
    if (!PyArg_ParseTuple(args, "OIp", &data, &layout, &net)) return nullptr;
    Loaded in(data, "data", net != 0);
    if (in.rec == nullptr) return nullptr;
    std::string text(eth_if_plcy_print_len(in.rec, layout) + 1, '\0');
    eth_if_plcy_print(in.rec, text.data(), text.size(), layout);
    return PyUnicode_FromString(text.c_str());
}

PyObject *compare(PyObject *, PyObject *args) {
    PyObject *a, *b;
    int net;
    if (!PyArg_ParseTuple(args, "OOp", &a, &b, &net)) return nullptr;
    Loaded first(a, "a", net != 0);
    if (first.rec == nullptr) return nullptr;
    Loaded second(b, "b", net != 0);
    if (second.rec == nullptr) return nullptr;
    return PyLong_FromUnsignedLong(
        eth_if_plcy_compare(first.rec, second.rec, ETH_IF_PLCY_ALL_FIELDS, 0));
}

// _set_errors(InvalidRecord, BadPolicy): the package's exception classes.
PyObject *set_errors(PyObject *, PyObject *args) {
    PyObject *invalid, *bad;
    if (!PyArg_ParseTuple(args, "OO", &invalid, &bad)) return nullptr;
    Py_INCREF(invalid);
    Py_INCREF(bad);
    Py_XSETREF(g_invalid_record, invalid);
    Py_XSETREF(g_bad_policy, bad);
    Py_RETURN_NONE;
}

PyMethodDef module_methods[] = {
    {"lib_version", lib_version, METH_NOARGS, "The release of the C library loaded."},
    {"status_str", status_str, METH_O, "The library's text for a status code."},
    {"validate", validate, METH_VARARGS, "validate(data, net): raises InvalidRecord."},
    {"convert", convert, METH_VARARGS, "convert(data, to_net): hton or ntoh of checked bytes."},
    {"render", render, METH_VARARGS, "render(data, layout, net): a record's text print."},
    {"compare", compare, METH_VARARGS, "compare(a, b, net): the differing field bits."},
    {"decode_at", decode_at, METH_VARARGS, "decode_at(data, offset, net) -> (Policy, size)."},
    {"_set_errors", set_errors, METH_VARARGS, "Registers InvalidRecord and BadPolicy."},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef module_def = {PyModuleDef_HEAD_INIT, "_core",
                          "Native part of eth_if_plcy; use the eth_if_plcy package.", -1,
                          module_methods};

} // namespace

PyMODINIT_FUNC PyInit__core() {
    PolicyType.tp_name = "eth_if_plcy.Policy";
    PolicyType.tp_basicsize = sizeof(PolicyObject);
    PolicyType.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
    PolicyType.tp_doc = "Policy(fields=None)\n--\n\nThe external policy record, with the field "
                        "names and nesting of the ethplcy tool's JSON (p.sub.parent, "
                        "p.efp.tag[0].vlan, p.l2pt[\"tovu\"].mode); a field the policy lacks "
                        "reads as None, a name that is no field raises AttributeError.";
    PolicyType.tp_new = policy_new;
    PolicyType.tp_init = policy_init;
    PolicyType.tp_dealloc = policy_dealloc;
    PolicyType.tp_traverse = policy_traverse;
    PolicyType.tp_clear = policy_clear;
    PolicyType.tp_getattro = policy_getattro;
    PolicyType.tp_setattro = policy_setattro;
    PolicyType.tp_richcompare = policy_richcompare;
    PolicyType.tp_repr = policy_repr;
    PolicyType.tp_hash = PyObject_HashNotImplemented;
    PolicyType.tp_methods = policy_methods;

    GroupType.tp_name = "eth_if_plcy.Group";
    GroupType.tp_basicsize = sizeof(GroupObject);
    GroupType.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC;
    GroupType.tp_traverse = group_traverse;
    GroupType.tp_clear = group_clear;
    GroupType.tp_doc = "A group of a policy's fields (efp, sub, a tag, an L2PT protocol): "
                       "attribute and key access, writes go back into the policy.";
    GroupType.tp_dealloc = group_dealloc;
    GroupType.tp_getattro = group_getattro;
    GroupType.tp_setattro = group_setattro;
    GroupType.tp_as_mapping = &group_mapping;
    GroupType.tp_repr = group_repr;
    GroupType.tp_richcompare = group_richcompare;
    GroupType.tp_hash = PyObject_HashNotImplemented;

    if (PyType_Ready(&PolicyType) < 0 || PyType_Ready(&GroupType) < 0) return nullptr;
    try {
        build_keys();
    } catch (Raised &) {
        return nullptr;
    }
    PyObject *m = PyModule_Create(&module_def);
    if (m == nullptr) return nullptr;
    Py_INCREF(&PolicyType);
    Py_INCREF(&GroupType);
    if (PyModule_AddObject(m, "Policy", reinterpret_cast<PyObject *>(&PolicyType)) < 0 ||
        PyModule_AddObject(m, "Group", reinterpret_cast<PyObject *>(&GroupType)) < 0 ||
        PyModule_AddIntConstant(m, "ALL_FIELDS", ETH_IF_PLCY_ALL_FIELDS) < 0) {
        Py_DECREF(m);
        return nullptr;
    }
    return m;
}

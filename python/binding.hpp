// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The native module's shared parts: its state, its objects, and the
// conversions between Python values and a policy (values.cpp).
//
// A Policy holds the external record and nothing else: the record is the
// only truth. What a policy hands out either reads and writes through it
// (views: a group, a list, a list's entry, the L2PT object, one protocol;
// they hold the policy, not its parts) or is a new value (numbers, words,
// MAC strings). A write builds the policy's plain tree from the record,
// puts a plain copy of the value in it and reads the tree back; a refusal
// leaves the record as it was.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "policy_reader.hpp"
#include "names.hpp"
#include "policy_writer.hpp"
#include "signatures.hpp"

namespace pyplcy {

using Ext = eth_if_plcy_ext_t;

struct Raised {}; // a Python exception is set

inline PyObject *check(PyObject *o) {
    if (o == nullptr) throw Raised{};
    return o;
}

// An owned reference, released at scope end.
class Ref {
  public:
    explicit Ref(PyObject *o = nullptr) : o_(o) {}
    ~Ref() { Py_XDECREF(o_); }
    Ref(const Ref &) = delete;
    Ref &operator=(const Ref &) = delete;
    PyObject *get() const { return o_; }
    void reset(PyObject *o) { Py_XSETREF(o_, o); }
    PyObject *release() {
        PyObject *o = o_;
        o_ = nullptr;
        return o;
    }

  private:
    PyObject *o_;
};

struct State {
    PyTypeObject *policy;
    PyTypeObject *group[kGroupCount];
    PyTypeObject *entry[kCompoundCount]; // for the pair lists; null elsewhere
    PyTypeObject *list, *l2pt, *protocol;
    PyObject *error, *invalid_record, *bad_policy, *not_carried;
};

struct PolicyObject {
    PyObject_HEAD Ext ext;
    State *state; // the module's, which outlives the policy through its type
};

enum class ViewKind : uint8_t { group, list, entry, l2pt, protocol };
struct ViewObject {
    PyObject_HEAD PolicyObject *policy; // strong
    ViewKind kind;
    uint8_t what;  // group, or compound number
    uint8_t index; // entry, or L2PT protocol
};

// A step into the plain tree: a key, or (key empty) a list index.
struct Step {
    std::string_view key;
    size_t index = 0;
};
struct Path {
    Step steps[4];
    int n = 0;
    std::string text; // "efp.tag[1].vlan"
    void key(std::string_view k) {
        steps[n++] = {k, 0};
        text += (text.empty() ? "" : ".") + std::string(k);
    }
    void at(size_t i) {
        steps[n++] = {{}, i};
        text += "[" + std::to_string(i) + "]";
    }
};

// Writing: dicts and lists; hexadecimal as "0x..." strings (to_dict) or as
// integers (attributes). Every Node is a new reference.
struct WriteTree {
    using Node = PyObject *;
    bool hex_strings;
    Node object() { return check(PyDict_New()); }
    Node array() { return check(PyList_New(0)); }
    Node integer(uint64_t v) { return check(PyLong_FromUnsignedLongLong(v)); }
    Node string(std::string_view s) {
        return check(PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size())));
    }
    Node null() { Py_RETURN_NONE; }
    Node boolean(bool b) { return Py_NewRef(b ? Py_True : Py_False); }
    Node hex(uint64_t v, int digits) {
        if (!hex_strings) return integer(v);
        char text[24];
        std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(v));
        return check(PyUnicode_FromString(text));
    }
    Node get(Node o, std::string_view key) { // borrowed
        Ref k(string(key));
        return PyDict_GetItemWithError(o, k.get());
    }
    void set(Node o, std::string_view key, Node v) {
        Ref value(v);
        Ref k(string(key));
        if (PyDict_SetItem(o, k.get(), value.get()) != 0) throw Raised{};
    }
    void append(Node a, Node v) {
        Ref value(v);
        if (PyList_Append(a, value.get()) != 0) throw Raised{};
    }
};

// A string's text as JSON writes it inside quotes: '"', '\\', control
// characters and lone surrogates escaped (so a NUL cannot cut a message).
std::string json_text(PyObject *s);

// Reading a plain tree (exact types only, so nothing here runs Python code);
// borrowed references. Bools are not numbers.
struct ReadTree {
    using Node = PyObject *;
    bool is_bool(Node n) { return PyBool_Check(n); }
    bool bool_value(Node n) { return n == Py_True; }
    bool is_int(Node n) { return PyLong_CheckExact(n); }
    bool int_value(Node n, int64_t &v) {
        int overflow = 0;
        v = PyLong_AsLongLongAndOverflow(n, &overflow);
        if (overflow != 0) v = overflow > 0 ? INT64_MAX : INT64_MIN;
        return !(v == -1 && PyErr_Occurred());
    }
    bool is_string(Node n) { return PyUnicode_CheckExact(n); }
    std::string_view string(Node n) {
        Py_ssize_t size = 0;
        const char *s = PyUnicode_AsUTF8AndSize(n, &size);
        if (s != nullptr) return {s, static_cast<size_t>(size)};
        PyErr_Clear(); // a lone surrogate: text no field takes (never valid UTF-8)
        return "\xff";
    }
    bool is_array(Node n) { return PyList_CheckExact(n); }
    size_t size(Node n) { return static_cast<size_t>(PyList_GET_SIZE(n)); }
    Node at(Node n, size_t i) { return PyList_GET_ITEM(n, static_cast<Py_ssize_t>(i)); }
    bool is_object(Node n) { return PyDict_CheckExact(n); }
    bool is_null(Node n) { return n == Py_None; }
    // A value for a message, as JSON would write it where it can be.
    std::string show(Node n) {
        if (PyUnicode_CheckExact(n)) return "\"" + json_text(n) + "\"";
        if (PyBool_Check(n)) return n == Py_True ? "true" : "false";
        if (n == Py_None) return "null";
        if (PyList_CheckExact(n)) return "[...]";
        if (PyDict_CheckExact(n)) return "{...}";
        if (PyLong_CheckExact(n) || PyFloat_CheckExact(n)) {
            Ref r(check(PyObject_Repr(n)));
            return std::string(string(r.get()));
        }
        return std::string("a ") + Py_TYPE(n)->tp_name + " object";
    }
    Node get(Node n, const char *key) {
        Ref k(check(PyUnicode_FromString(key)));
        PyObject *v = PyDict_GetItemWithError(n, k.get());
        if (v == nullptr && PyErr_Occurred()) throw Raised{};
        return v == Py_None ? nullptr : v; // None stands for a key left out
    }
    template <class F>
    void each(Node n, F fn) {
        PyObject *key, *value;
        Py_ssize_t pos = 0;
        while (PyDict_Next(n, &pos, &key, &value))
            if (value != Py_None) fn(string(key), value);
    }
};

// ---- values.cpp ----------------------------------------------------------------

// A copy of a value made only of exact dicts (string keys), lists, ints,
// strings, None and bools (views become their plain values), so that
// reading it runs no Python code. Text UTF-8 cannot encode: TypeError for a
// key, a string the reader refuses for a value. Nesting deeper than depth
// (a policy nests four deep: root, group, list, entry; a cycle ends there
// too) is refused.
inline constexpr int kPolicyDepth = 8, kOpenconfigDepth = 16;
// base: the path the value is written at (for refusals).
PyObject *plain(State *st, PyObject *v, int depth = kPolicyDepth, std::string_view base = {});
// The policy's tree: hexadecimal fields as integers, or "0x..." strings.
// words: names where a field has them (show --json --words).
PyObject *write_policy(const Ext &ext, bool hex_strings, bool words = false);
// Reads a plain tree; false with BadPolicy raised. scope: the field read
// strictly when strict is false.
bool read_policy(State *st, PyObject *root, Ext &ext, bool strict, std::string_view scope = {});
// The node at path in a plain tree (borrowed), or null (no exception) when absent.
PyObject *node_at(PyObject *root, const Path &path, int n);
// A plain tree as Python source, hexadecimal strings as hexadecimal numbers.
PyObject *literal(PyObject *tree);
// A bytes-like argument, read in place; ok false with TypeError raised.
struct Bytes {
    Py_buffer view{};
    bool ok = false;
    explicit Bytes(PyObject *o, const char *what) {
        if (PyObject_GetBuffer(o, &view, PyBUF_SIMPLE) == 0) {
            ok = true;
            return;
        }
        // A buffer that is not one run of bytes (a slice with a step) is copyable.
        bool strided = PyObject_CheckBuffer(o) != 0;
        PyErr_Clear();
        if (strided)
            PyErr_Format(PyExc_TypeError, "%s must be contiguous bytes: pass bytes() of the %s",
                         what, Py_TYPE(o)->tp_name);
        else
            PyErr_Format(PyExc_TypeError,
                         "%s must be bytes-like (bytes, bytearray, memoryview), not %s", what,
                         Py_TYPE(o)->tp_name);
    }
    ~Bytes() {
        if (ok) PyBuffer_Release(&view);
    }
    Bytes(const Bytes &) = delete;
    Bytes &operator=(const Bytes &) = delete;
    const uint8_t *data() const { return static_cast<const uint8_t *>(view.buf); }
    size_t size() const { return static_cast<size_t>(view.len); }
};

// An interface's name (a str, not empty, no NUL, UTF-8); false raised.
bool interface_name(PyObject *o, std::string &out);

PyObject *raise_bad_policy(State *st, uint32_t status, std::string_view reason,
                           std::string_view field);
PyObject *raise_invalid(State *st, uint32_t status, const char *reason, uint32_t offset);
// Copies a record in, pointing its per-tag range lists at its own ranges.
void store(PolicyObject *p, const Ext &from);

// A class of the module, made from its slots (slots end with {0, nullptr};
// name, "eth_if_plcy.X", must outlive the class) and added to the module as
// X; a new reference, or null with the error raised.
PyTypeObject *add_class(PyObject *module, const char *name, int size, unsigned flags,
                        PyType_Slot *slots, PyObject *bases = nullptr);

// ---- module.cpp ----------------------------------------------------------------

extern PyModuleDef module_def;

// A call's arguments by the signature's names: out[i] the i-th (borrowed),
// null where left out; false with a TypeError raised.
bool parse(const sig::Signature &s, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames,
           PyObject **out);
// The same for a call made with a tuple and a dict (tp_init).
bool parse(const sig::Signature &s, PyObject *args, PyObject *kwargs, PyObject **out);
// The signature's docstring, kept for the program's life.
const char *doc_of(const sig::Signature &s);
// A method or function of the module: fn takes (self, args, nargs, kwnames).
using Fast = PyObject *(*)(PyObject *, PyObject *const *, Py_ssize_t, PyObject *);
PyMethodDef method(const sig::Signature &s, Fast fn);
// A bool argument, def when left out; -1 raised. Only True, False, 0 and 1:
// a string's truth (net="false" is true) would hide a script's mistake.
inline int flag(PyObject *o, bool def, const char *name) {
    if (o == nullptr) return def;
    if (PyBool_Check(o)) return o == Py_True;
    if (PyLong_CheckExact(o)) {
        int overflow = 0;
        long v = PyLong_AsLongAndOverflow(o, &overflow);
        if (overflow == 0 && (v == 0 || v == 1)) return static_cast<int>(v);
    }
    PyErr_Format(PyExc_TypeError, "%s is True or False, not %R", name, o);
    return -1;
}

// ---- views.cpp -----------------------------------------------------------------

PyObject *new_view(PolicyObject *p, ViewKind kind, size_t what, size_t index);
// Field i of a policy as Python reads it (None when absent).
PyObject *field_value(PolicyObject *p, size_t i);
PyObject *group_value(PolicyObject *p, size_t g); // a view, present or not
bool group_present(const PolicyObject *p, size_t g);
// Sets (None: removes) what path names, reading the policy back; -1 raised.
int edit(PolicyObject *p, const Path &path, PyObject *value);
Path field_path(size_t i);
int set_field(PolicyObject *p, size_t i, PyObject *value);
bool is_view(State *st, PyObject *o);
PyObject *view_tree(ViewObject *v, bool hex_strings);
int add_view_types(PyObject *module, State *st);

// ---- openconfig.cpp ------------------------------------------------------------

PyObject *to_openconfig(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames);
PyObject *from_openconfig(PyObject *type, PyObject *const *args, Py_ssize_t nargs,
                          PyObject *kwnames);

// ---- notifications.cpp ---------------------------------------------------------

PyObject *notifications(PyObject *m, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames);

// ---- policy.cpp ----------------------------------------------------------------

int add_policy_type(PyObject *module, State *st);
// An empty policy of type (Policy or a subclass), as type.__new__(type) makes it.
PyObject *new_policy(PyTypeObject *type);
// A record's bytes copied out of a caller's buffer (its size by its size
// field, at most len), aligned; everything after reads the copy.
struct RecordCopy {
    RecordCopy(const uint8_t *data, size_t len);
    RecordCopy(const RecordCopy &) = delete;
    RecordCopy &operator=(const RecordCopy &) = delete;
    uint8_t *bytes;
    size_t size;

  private:
    alignas(8) uint8_t small_[256];
    std::vector<uint8_t> big_;
};
PyObject *checked_decode(State *st, PyTypeObject *type, const uint8_t *data, size_t len, bool net,
                         uint32_t fields, size_t base, uint32_t *size);

} // namespace pyplcy

// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Python values and policies: plain copies of what a caller hands in, the
// field description's reader and writer over Python objects, and the
// module's exceptions raised with their fields.
#include <cstring>

#include "binding.hpp"

namespace pyplcy {

namespace {

// Where plain() is in a value: a chain of keys and indices on the stack,
// made into a path only for a refusal.
struct At {
    const At *up;
    PyObject *key; // null: index
    Py_ssize_t index;
    std::string_view base; // the root's own path
};

std::string path_text(const At *at) {
    if (at == nullptr) return "";
    if (at->up == nullptr && at->key == nullptr) return std::string(at->base);
    std::string up = path_text(at->up);
    if (at->key == nullptr) return up + "[" + std::to_string(at->index) + "]";
    std::string key =
        PyUnicode_Check(at->key) ? json_text(at->key) : "(" + ReadTree().show(at->key) + ")";
    return up.empty() ? key : up + "." + key;
}

[[noreturn]] void refuse_at(State *st, const At *at, const char *what) {
    std::string path = path_text(at);
    raise_bad_policy(st, ETH_IF_PLCY_ERR_BAD_POLICY, path.empty() ? what : path + ": " + what,
                     path);
    throw Raised{};
}

// A string copy of a str (subclasses lose their methods). A value UTF-8
// cannot encode is kept: the reader finds no field takes it and shows it
// escaped, as JSON writes it; a key is refused by its path.
PyObject *plain_text(State *st, PyObject *s, const At *key) {
    Ref copy(check(PyUnicode_CheckExact(s) ? Py_NewRef(s) : PyUnicode_FromObject(s)));
    if (key == nullptr || PyUnicode_AsUTF8AndSize(copy.get(), nullptr) != nullptr)
        return copy.release();
    PyErr_Clear();
    refuse_at(st, key, "no such field (a lone surrogate is in no field's name)");
}

PyObject *plain_at(State *st, PyObject *v, int depth, int max, const At *at) {
    if (depth > max) refuse_at(st, at, "nests deeper than its shape allows");
    if (v == Py_None || PyBool_Check(v) || PyLong_CheckExact(v)) return Py_NewRef(v);
    if (PyLong_Check(v)) return check(PyNumber_Index(v)); // an exact copy; runs no Python code
    if (PyUnicode_Check(v)) return plain_text(st, v, nullptr);
    if (is_view(st, v)) return view_tree(reinterpret_cast<ViewObject *>(v), false);
    if (PyDict_Check(v)) {
        // Items first: the copy holds every key and value while they are read.
        Ref items(check(PyDict_Items(v)));
        Ref d(check(PyDict_New()));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); i++) {
            PyObject *kv = PyList_GET_ITEM(items.get(), i);
            PyObject *key = PyTuple_GET_ITEM(kv, 0);
            At here{at, key, 0, {}};
            if (!PyUnicode_Check(key)) refuse_at(st, &here, "no such field (names are strings)");
            Ref k(plain_text(st, key, &here));
            Ref value(plain_at(st, PyTuple_GET_ITEM(kv, 1), depth + 1, max, &here));
            // Two keys that are one name (a str subclass equal to another key).
            PyObject *held = PyDict_SetDefault(d.get(), k.get(), value.get());
            if (held == nullptr) throw Raised{};
            if (held != value.get()) refuse_at(st, &here, "is given twice");
        }
        return d.release();
    }
    if (PyList_Check(v) || PyTuple_Check(v)) {
        Ref items(check(PyList_Check(v) ? PyList_GetSlice(v, 0, PY_SSIZE_T_MAX)
                                        : PyTuple_GetSlice(v, 0, PY_SSIZE_T_MAX)));
        Py_ssize_t n = PyList_Check(items.get()) ? PyList_GET_SIZE(items.get())
                                                 : PyTuple_GET_SIZE(items.get());
        Ref l(check(PyList_New(n)));
        for (Py_ssize_t i = 0; i < n; i++) {
            PyObject *item = PyList_Check(items.get()) ? PyList_GET_ITEM(items.get(), i)
                                                       : PyTuple_GET_ITEM(items.get(), i);
            At here{at, nullptr, i, {}};
            PyList_SET_ITEM(l.get(), i, plain_at(st, item, depth + 1, max, &here));
        }
        return l.release();
    }
    // A number-like object (numpy's integers): its index; anything else is
    // kept for the reader to refuse by its type.
    if (!PyFloat_Check(v) && Py_TYPE(v)->tp_as_number && Py_TYPE(v)->tp_as_number->nb_index)
        return check(PyNumber_Index(v));
    return Py_NewRef(v);
}

void literal_into(std::string &out, PyObject *n) {
    if (PyDict_CheckExact(n) || PyList_CheckExact(n)) {
        bool dict = PyDict_CheckExact(n);
        out += dict ? '{' : '[';
        PyObject *key, *value;
        Py_ssize_t pos = 0, i = 0;
        while (dict ? PyDict_Next(n, &pos, &key, &value) != 0 : i < PyList_GET_SIZE(n)) {
            if (!dict) value = PyList_GET_ITEM(n, i);
            if (i++ > 0) out += ", ";
            if (dict) {
                literal_into(out, key);
                out += ": ";
            }
            literal_into(out, value);
        }
        out += dict ? '}' : ']';
        return;
    }
    if (PyUnicode_CheckExact(n)) {
        const char *s = PyUnicode_AsUTF8(n);
        if (s == nullptr) throw Raised{};
        if (std::strncmp(s, "0x", 2) == 0) { // words never start so
            out += s;
            return;
        }
    }
    Ref r(check(PyObject_Repr(n))); // exact str, int or None: no Python code
    const char *s = PyUnicode_AsUTF8(r.get());
    if (s == nullptr) throw Raised{};
    out += s;
}

} // namespace

PyObject *plain(State *st, PyObject *v, int depth, std::string_view base) {
    At root{nullptr, nullptr, 0, base};
    return plain_at(st, v, 0, depth, base.empty() ? nullptr : &root);
}

std::string json_text(PyObject *s) {
    std::string out;
    Py_ssize_t n = PyUnicode_GET_LENGTH(s);
    int kind = PyUnicode_KIND(s);
    const void *data = PyUnicode_DATA(s);
    for (Py_ssize_t i = 0; i < n; i++) {
        Py_UCS4 c = PyUnicode_READ(kind, data, i);
        char esc[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF)) { // JSON's escape; lone surrogates
            std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
            out += esc;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) { // UTF-8
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

PyObject *write_policy(const Ext &ext, bool hex_strings, bool words) {
    WriteTree tree{hex_strings};
    return f::Writer<WriteTree>(tree, words).policy(ext);
}

bool read_policy(State *st, PyObject *root, Ext &ext, bool strict, std::string_view scope) {
    ReadTree tree;
    f::Reader<ReadTree> reader(tree, ext, strict);
    reader.strict_under(scope);
    if (reader.policy(root)) return true;
    raise_bad_policy(st, ETH_IF_PLCY_ERR_BAD_POLICY, reader.refusal().message,
                     reader.refusal().path);
    return false;
}

PyObject *node_at(PyObject *root, const Path &path, int n) {
    PyObject *node = root;
    for (int i = 0; i < n && node != nullptr; i++) {
        const Step &s = path.steps[i];
        if (!s.key.empty()) {
            if (!PyDict_CheckExact(node)) return nullptr;
            Ref k(check(
                PyUnicode_FromStringAndSize(s.key.data(), static_cast<Py_ssize_t>(s.key.size()))));
            node = PyDict_GetItemWithError(node, k.get());
            if (node == nullptr && PyErr_Occurred()) throw Raised{};
        } else {
            if (!PyList_CheckExact(node) || s.index >= static_cast<size_t>(PyList_GET_SIZE(node)))
                return nullptr;
            node = PyList_GET_ITEM(node, static_cast<Py_ssize_t>(s.index));
        }
    }
    return node;
}

PyObject *literal(PyObject *tree) {
    std::string text;
    literal_into(text, tree);
    return check(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

PyObject *raise_bad_policy(State *st, uint32_t status, std::string_view reason,
                           std::string_view field) {
    // A lone surrogate the reader met is a byte UTF-8 never holds: shown escaped.
    auto text = [](std::string_view t) {
        return PyUnicode_DecodeUTF8(t.data(), static_cast<Py_ssize_t>(t.size()),
                                    "backslashreplace");
    };
    Ref name(field.empty() ? Py_NewRef(Py_None) : text(field));
    Ref why(text(reason));
    if (name.get() == nullptr || why.get() == nullptr) return nullptr;
    Ref e(PyObject_CallFunction(st->bad_policy, "IOOO", status, why.get(), Py_None, name.get()));
    if (e.get() != nullptr) PyErr_SetObject(st->bad_policy, e.get());
    return nullptr;
}

PyObject *raise_invalid(State *st, uint32_t status, const char *reason, uint32_t offset) {
    Ref e(PyObject_CallFunction(st->invalid_record, "IsI", status, reason, offset));
    if (e.get() != nullptr) PyErr_SetObject(st->invalid_record, e.get());
    return nullptr;
}

PyTypeObject *add_class(PyObject *module, const char *name, int size, unsigned flags,
                        PyType_Slot *slots, PyObject *bases) {
    // CPython's description of a heap class (its API's name for it).
    PyType_Spec shape = {name, size, 0, flags, slots};
    PyObject *type = PyType_FromModuleAndSpec(module, &shape, bases);
    auto *cls = reinterpret_cast<PyTypeObject *>(type);
    if (type == nullptr || PyModule_AddType(module, cls) < 0) {
        Py_XDECREF(type);
        return nullptr;
    }
    return cls;
}

void store(PolicyObject *p, const Ext &from) {
    std::memcpy(&p->ext, &from, sizeof from);
    for (int i = 0; i < 2; i++)
        if (from.efp.tag_range_list[i] != nullptr) p->ext.efp.tag_range_list[i] = p->ext.efp.ranges;
}

} // namespace pyplcy

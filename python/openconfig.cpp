// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Policy.to_openconfig and Policy.from_openconfig: the OpenConfig mapping
// over Python values. What one side cannot say is a NotCarried warning (each
// OpenConfig leaf its own, worded as the tool words it); what a policy cannot
// hold is BadPolicy.
#include <cstring>

#include "binding.hpp"
#include "openconfig.hpp"

namespace pyplcy {

namespace oc = eth_if_plcy::oc;

namespace {

// The plain tree with None as a value (JSON's null), as jansson gives it.
struct OcTree : ReadTree {
    template <class F>
    void each(Node n, F fn) {
        PyObject *key, *value;
        Py_ssize_t pos = 0;
        while (PyDict_Next(n, &pos, &key, &value))
            fn(string(key), value);
    }
};

// index: None or a sub-interface index; -1 for None, -2 with an error set.
int64_t index_of(PyObject *index) {
    if (index == nullptr || index == Py_None) return -1;
    unsigned long long v = PyLong_Check(index) && !PyBool_Check(index)
                               ? PyLong_AsUnsignedLongLong(index)
                               : static_cast<unsigned long long>(-1);
    if (v > UINT32_MAX) {
        PyErr_Clear();
        PyErr_SetString(PyExc_ValueError, "index is a sub-interface index, 0 to 4294967295");
        return -2;
    }
    return static_cast<int64_t>(v);
}

int warn(State *st, const char *what, const std::vector<std::string> &notes) {
    if (notes.empty()) return 0;
    std::string text = what;
    for (size_t i = 0; i < notes.size(); i++)
        text += (i ? ", " : " ") + notes[i];
    return PyErr_WarnEx(st->not_carried, text.c_str(), 2);
}

} // namespace

// An interface's name as UTF-8; false raised. A NUL would cut the name the
// mapping sees, a lone surrogate has no UTF-8: both refused, not cut.
bool interface_name(PyObject *o, std::string &out) {
    if (!PyUnicode_Check(o)) {
        PyErr_Format(PyExc_TypeError, "name is the interface's name (a str), not %s",
                     Py_TYPE(o)->tp_name);
        return false;
    }
    Py_ssize_t n = 0;
    const char *s = PyUnicode_AsUTF8AndSize(o, &n);
    if (s == nullptr || n == 0 || std::memchr(s, 0, static_cast<size_t>(n)) != nullptr) {
        PyErr_Clear();
        PyErr_Format(PyExc_ValueError, "name: %R is empty, or holds a NUL or a lone surrogate", o);
        return false;
    }
    out.assign(s, static_cast<size_t>(n));
    return true;
}

PyObject *to_openconfig(PyObject *self, PyObject *const *args, Py_ssize_t nargs,
                        PyObject *kwnames) {
    auto *p = reinterpret_cast<PolicyObject *>(self);
    PyObject *a[2];
    if (!parse(sig::kToOpenconfig, args, nargs, kwnames, a)) return nullptr;
    std::string name;
    if (!interface_name(a[0], name)) return nullptr;
    PyObject *index = a[1];
    int64_t i = index_of(index);
    if (i == -2) return nullptr;
    WriteTree tree{false};
    oc::Writer<WriteTree> writer(tree);
    PyObject *out = nullptr;
    try {
        if (!writer.write(p->ext, name, i, out))
            return raise_bad_policy(p->state, ETH_IF_PLCY_ERR_BAD_POLICY, writer.refusal().c_str(),
                                    "");
    } catch (Raised &) {
        return nullptr;
    }
    Ref result(out);
    if (warn(p->state, "not carried by OpenConfig:", writer.notes()) < 0) return nullptr;
    return result.release();
}

PyObject *from_openconfig(PyObject *cls, PyObject *const *args, Py_ssize_t nargs,
                          PyObject *kwnames) {
    auto *type = reinterpret_cast<PyTypeObject *>(cls);
    PyObject *a[4];
    if (!parse(sig::kFromOpenconfig, args, nargs, kwnames, a)) return nullptr;
    PyObject *data = a[0], *index = a[2];
    std::string name;
    if (a[1] && a[1] != Py_None && !interface_name(a[1], name)) return nullptr;
    int strict = flag(a[3], false, "strict");
    if (strict < 0) return nullptr;
    if (!PyDict_Check(data)) {
        PyErr_Format(PyExc_TypeError, "from_openconfig takes a dict, not %s",
                     Py_TYPE(data)->tp_name);
        return nullptr;
    }
    int64_t i = index_of(index);
    if (i == -2) return nullptr;
    Ref p(new_policy(type));
    if (p.get() == nullptr) return nullptr;
    State *st = reinterpret_cast<PolicyObject *>(p.get())->state;
    try {
        Ref in(plain(st, data, oc::kMaxNesting));
        OcTree read;
        WriteTree write{false};
        oc::Reader<OcTree, WriteTree> reader(read, write, strict != 0);
        PyObject *policy = nullptr;
        bool ok = reader.read(in.get(), name, i, policy);
        Ref held(policy);
        if (!ok)
            return raise_bad_policy(st, ETH_IF_PLCY_ERR_BAD_POLICY, reader.refusal(),
                                    reader.refusal_path());
        for (const std::string &n : reader.notes())
            if (PyErr_WarnEx(st->not_carried, n.c_str(), 2) < 0) return nullptr;
        Ext ext;
        if (!read_policy(st, policy, ext, true)) return nullptr;
        store(reinterpret_cast<PolicyObject *>(p.get()), ext);
    } catch (Raised &) {
        return nullptr;
    }
    return p.release();
}

} // namespace pyplcy

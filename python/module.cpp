// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The module eth_if_plcy._core: multi-phase initialisation, its state (the
// classes and exceptions it makes), the exceptions, and the functions over
// record bytes that the package wraps.
#include <deque>
#include <vector>

#include "binding.hpp"

namespace pyplcy {

bool parse(const sig::Signature &s, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames,
           PyObject **out) {
    for (uint8_t i = 0; i < s.count; i++)
        out[i] = i < nargs ? args[i] : nullptr;
    if (nargs > s.keyword) {
        PyErr_Format(PyExc_TypeError, "%s() takes at most %d positional arguments (%zd given)",
                     s.name, s.keyword, nargs);
        return false;
    }
    Py_ssize_t nk = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < nk; k++) {
        PyObject *key = PyTuple_GET_ITEM(kwnames, k);
        uint8_t i = s.positional;
        while (i < s.count && PyUnicode_CompareWithASCIIString(key, s.params[i].name) != 0)
            i++;
        if (i == s.count || out[i] != nullptr) {
            PyErr_Format(PyExc_TypeError, "%s() got %s argument %R", s.name,
                         i == s.count ? "an unexpected" : "a second", key);
            return false;
        }
        out[i] = args[nargs + k];
    }
    for (uint8_t i = 0; i < s.count; i++)
        if (out[i] == nullptr && s.params[i].dflt == nullptr) {
            PyErr_Format(PyExc_TypeError, "%s() needs its argument '%s'", s.name, s.params[i].name);
            return false;
        }
    return true;
}

bool parse(const sig::Signature &s, PyObject *args, PyObject *kwargs, PyObject **out) {
    Py_ssize_t nargs = PyTuple_GET_SIZE(args), nk = kwargs ? PyDict_GET_SIZE(kwargs) : 0;
    std::vector<PyObject *> all(static_cast<size_t>(nargs + nk));
    for (Py_ssize_t i = 0; i < nargs; i++)
        all[static_cast<size_t>(i)] = PyTuple_GET_ITEM(args, i);
    Ref names(nk ? PyTuple_New(nk) : nullptr);
    if (nk && names.get() == nullptr) return false;
    PyObject *key, *value;
    Py_ssize_t pos = 0, k = 0;
    while (nk && PyDict_Next(kwargs, &pos, &key, &value)) {
        PyTuple_SET_ITEM(names.get(), k, Py_NewRef(key));
        all[static_cast<size_t>(nargs + k++)] = value;
    }
    return parse(s, all.data(), nargs, names.get(), out);
}

const char *doc_of(const sig::Signature &s) {
    static std::deque<std::pair<const sig::Signature *, std::string>> docs;
    for (auto &d : docs)
        if (d.first == &s) return d.second.c_str();
    docs.emplace_back(&s, sig::docstring(s));
    return docs.back().second.c_str();
}

PyMethodDef method(const sig::Signature &s, Fast fn) {
    int flags = METH_FASTCALL | METH_KEYWORDS | (s.kind == sig::Kind::classmethod ? METH_CLASS : 0);
    return {s.name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(fn)), flags,
            doc_of(s)};
}

namespace {

State *state(PyObject *module) {
    return static_cast<State *>(PyModule_GetState(module));
}

// ---- exceptions ------------------------------------------------------------------

// Error(status, reason, offset=None, field=None): the attributes, the
// status's text, and a message that names the field once.
int error_init(PyObject *self, PyObject *args, PyObject *kwargs) {
    PyObject *a[4];
    if (!parse(sig::kError, args, kwargs, a)) return -1;
    PyObject *status = a[0], *reason = a[1], *offset = a[2] ? a[2] : Py_None,
             *field = a[3] ? a[3] : Py_None;
    if (!PyLong_Check(status) || !PyUnicode_Check(reason)) {
        PyErr_SetString(PyExc_TypeError, "Error takes a status (int) and a reason (str)");
        return -1;
    }
    unsigned long code = PyLong_AsUnsignedLongMask(status);
    if (code == static_cast<unsigned long>(-1) && PyErr_Occurred()) return -1;
    Ref text(PyUnicode_FromString(eth_if_plcy_status_str(static_cast<uint32_t>(code))));
    if (text.get() == nullptr) return -1;
    const char *attrs[] = {"status", "reason", "offset", "field", "status_text"};
    PyObject *values[] = {status, reason, offset, field, text.get()};
    for (int i = 0; i < 5; i++)
        if (PyObject_SetAttrString(self, attrs[i], values[i]) < 0) return -1;
    // A reason in the JSON's words names its field itself: "mtu: 70000 is above 65535".
    Ref message;
    int said = 0;
    if (PyUnicode_Check(field) && PyUnicode_GetLength(field) > 0) {
        Ref prefix(PyUnicode_FromFormat("%U:", field));
        said = prefix.get() ? PyUnicode_Tailmatch(reason, prefix.get(), 0, PY_SSIZE_T_MAX, -1) : -1;
        if (said < 0) return -1;
    }
    if (said) {
        message.reset(Py_NewRef(reason));
    } else {
        Ref where(offset != Py_None ? PyUnicode_FromFormat(" at offset %S", offset)
                                    : PyUnicode_FromString(""));
        if (where.get() == nullptr) return -1;
        if (PyUnicode_Check(field) && PyUnicode_GetLength(field) > 0)
            message.reset(
                PyUnicode_FromFormat("%U%U at %U: %U", text.get(), where.get(), field, reason));
        else
            message.reset(PyUnicode_FromFormat("%U%U: %U", text.get(), where.get(), reason));
    }
    if (message.get() == nullptr) return -1;
    Ref one(PyTuple_Pack(1, message.get()));
    return one.get() ? reinterpret_cast<PyTypeObject *>(PyExc_Exception)
                           ->tp_init(self, one.get(), nullptr)
                     : -1;
}

PyObject *error_reduce(PyObject *self, PyObject *) {
    const char *attrs[] = {"status", "reason", "offset", "field"};
    Ref args(PyTuple_New(4));
    if (args.get() == nullptr) return nullptr;
    for (int i = 0; i < 4; i++) {
        PyObject *v = PyObject_GetAttrString(self, attrs[i]);
        if (v == nullptr) return nullptr;
        PyTuple_SET_ITEM(args.get(), i, v);
    }
    return Py_BuildValue("(OO)", Py_TYPE(self), args.get());
}

PyMethodDef error_methods[] = {{"__reduce__", error_reduce, METH_NOARGS,
                                "__reduce__($self, /)\n--\n\nPickles with its four arguments."},
                               {nullptr, nullptr, 0, nullptr}};

PyObject *make_error(PyObject *module, const char *name, const char *doc, PyObject *bases,
                     bool init) {
    std::vector<PyType_Slot> slots = {{Py_tp_doc, const_cast<char *>(doc)}};
    if (init) {
        slots.push_back({Py_tp_init, reinterpret_cast<void *>(error_init)});
        slots.push_back({Py_tp_methods, error_methods});
    }
    slots.push_back({0, nullptr});
    return reinterpret_cast<PyObject *>(
        add_class(module, name, 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots.data(), bases));
}

// ---- functions over record bytes ------------------------------------------------

// A record argument, checked and in host order; rec is null with the
// exception raised when it is not one.
struct Loaded {
    std::vector<uint8_t> buf;
    uint32_t size = 0;
    const eth_if_plcy_t *rec = nullptr;
    Loaded(State *st, PyObject *o, const char *what, bool net) {
        Bytes in(o, what);
        if (!in.ok) return;
        // Copied first, then checked and read: nothing reads the caller's bytes twice.
        RecordCopy copy(in.data(), in.size());
        const char *reason = nullptr;
        uint32_t offset = 0;
        uint32_t status = eth_if_plcy_validate_explain(
            copy.bytes, copy.size, net ? ETH_IF_PLCY_VALIDATE_NET : 0, &reason, &offset);
        if (status != 0) {
            raise_invalid(st, status, reason, offset);
            return;
        }
        buf.assign(copy.bytes, copy.bytes + copy.size);
        if (net) eth_if_plcy_ntoh(reinterpret_cast<eth_if_plcy_t *>(buf.data()));
        rec = reinterpret_cast<const eth_if_plcy_t *>(buf.data());
        size = eth_if_plcy_get_size(rec, 0);
    }
};

PyObject *lib_version(PyObject *, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    if (!parse(sig::kLibVersion, args, nargs, kwnames, nullptr)) return nullptr;
    return PyUnicode_FromString(eth_if_plcy_lib_version());
}

PyObject *status_str(PyObject *, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[1];
    if (!parse(sig::kStatusStr, args, nargs, kwnames, a)) return nullptr;
    unsigned long s = PyLong_AsUnsignedLongMask(a[0]);
    if (s == static_cast<unsigned long>(-1) && PyErr_Occurred()) return nullptr;
    return PyUnicode_FromString(eth_if_plcy_status_str(static_cast<uint32_t>(s)));
}

PyObject *validate(PyObject *m, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[2];
    if (!parse(sig::kValidate, args, nargs, kwnames, a)) return nullptr;
    int net = flag(a[1], false, "net");
    if (net < 0 || Loaded(state(m), a[0], "data", net != 0).rec == nullptr) return nullptr;
    Py_RETURN_NONE;
}

PyObject *convert(PyObject *m, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[2];
    if (!parse(sig::kConvert, args, nargs, kwnames, a)) return nullptr;
    int to_net = flag(a[1], false, "to_net");
    if (to_net < 0) return nullptr;
    Loaded in(state(m), a[0], "data", !to_net);
    if (in.rec == nullptr) return nullptr;
    std::vector<uint8_t> out(in.buf.begin(), in.buf.begin() + in.size);
    if (to_net) eth_if_plcy_hton(reinterpret_cast<eth_if_plcy_t *>(out.data()));
    return PyBytes_FromStringAndSize(reinterpret_cast<const char *>(out.data()), in.size);
}

PyObject *render(PyObject *m, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[3];
    if (!parse(sig::kRender, args, nargs, kwnames, a)) return nullptr;
    unsigned long layout = PyLong_AsUnsignedLong(a[1]);
    int net = flag(a[2], false, "net");
    if ((layout == static_cast<unsigned long>(-1) && PyErr_Occurred()) || net < 0) return nullptr;
    Loaded in(state(m), a[0], "data", net != 0);
    if (in.rec == nullptr) return nullptr;
    uint32_t how = static_cast<uint32_t>(layout);
    std::string text(eth_if_plcy_print_len(in.rec, how) + 1, '\0');
    eth_if_plcy_print(in.rec, text.data(), text.size(), how);
    return PyUnicode_FromString(text.c_str());
}

PyObject *compare(PyObject *m, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[3];
    if (!parse(sig::kCompare, args, nargs, kwnames, a)) return nullptr;
    int net = flag(a[2], false, "net");
    if (net < 0) return nullptr;
    Loaded first(state(m), a[0], "a", net != 0);
    if (first.rec == nullptr) return nullptr;
    Loaded second(state(m), a[1], "b", net != 0);
    if (second.rec == nullptr) return nullptr;
    return PyLong_FromUnsignedLong(
        eth_if_plcy_compare(first.rec, second.rec, ETH_IF_PLCY_ALL_FIELDS, 0));
}

// decode_at(data, offset, net) -> (Policy, size): one record of a dump.
PyObject *decode_at(PyObject *m, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[3];
    if (!parse(sig::kDecodeAt, args, nargs, kwnames, a)) return nullptr;
    Py_ssize_t offset = PyNumber_AsSsize_t(a[1], PyExc_IndexError);
    int net = flag(a[2], false, "net");
    if ((offset == -1 && PyErr_Occurred()) || net < 0) return nullptr;
    Py_buffer view;
    if (PyObject_GetBuffer(a[0], &view, PyBUF_SIMPLE) != 0) return nullptr;
    PyObject *out = nullptr;
    if (offset < 0 || offset > view.len) {
        PyErr_SetString(PyExc_IndexError, "offset outside the data");
    } else {
        uint32_t size = 0;
        State *st = state(m);
        PyObject *p =
            checked_decode(st, st->policy, static_cast<const uint8_t *>(view.buf) + offset,
                           static_cast<size_t>(view.len - offset), net != 0, ETH_IF_PLCY_ALL_FIELDS,
                           static_cast<size_t>(offset), &size);
        if (p != nullptr) out = Py_BuildValue("(NI)", p, size);
    }
    PyBuffer_Release(&view);
    return out;
}

PyMethodDef functions[] = {
    method(sig::kLibVersion, lib_version), method(sig::kStatusStr, status_str),
    method(sig::kValidate, validate),      method(sig::kConvert, convert),
    method(sig::kRender, render),          method(sig::kCompare, compare),
    method(sig::kDecodeAt, decode_at),     method(sig::kNotifications, notifications),
    {nullptr, nullptr, 0, nullptr}};

// ---- the module ------------------------------------------------------------------

int exec(PyObject *m) {
    State *st = state(m);
    if (add_policy_type(m, st) < 0 || add_view_types(m, st) < 0) return -1;
    st->error = make_error(m, "eth_if_plcy.Error", doc_of(sig::kError), PyExc_Exception, true);
    if (st->error == nullptr) return -1;
    Ref invalid_bases(PyTuple_Pack(2, st->error, PyExc_ValueError));
    Ref bad_bases(PyTuple_Pack(2, st->error, PyExc_ValueError));
    if (invalid_bases.get() == nullptr || bad_bases.get() == nullptr) return -1;
    st->invalid_record =
        make_error(m, "eth_if_plcy.InvalidRecord", "Bytes that are not a well-formed record.",
                   invalid_bases.get(), false);
    st->bad_policy =
        make_error(m, "eth_if_plcy.BadPolicy",
                   "A policy no interface carries, one encode cannot represent, or a dict that is "
                   "not a policy (an unknown key, a bad value): field names it.",
                   bad_bases.get(), false);
    if (st->invalid_record == nullptr || st->bad_policy == nullptr) return -1;
    st->not_carried = make_error(m, "eth_if_plcy.NotCarried",
                                 "A warning: a field one side of a conversion cannot say (the "
                                 "policy's in OpenConfig, or OpenConfig's in the policy).",
                                 PyExc_UserWarning, false);
    if (st->not_carried == nullptr) return -1;
    // WORDS: each numeric field's names and their numbers, for the package's docs.
    Ref words(PyDict_New());
    if (words.get() == nullptr) return -1;
    for (const f::Scalar &s : f::kScalars) {
        if (s.domain->words == f::Words::none) continue;
        Ref names(PyDict_New());
        if (names.get() == nullptr || PyDict_SetItemString(words.get(), s.path, names.get()) < 0)
            return -1;
        for (const f::Word &w : f::words_of(s.domain->words)) {
            Ref n(PyLong_FromUnsignedLongLong(w.value));
            if (n.get() == nullptr || PyDict_SetItemString(names.get(), w.word, n.get()) < 0)
                return -1;
        }
    }
    if (PyModule_AddObjectRef(m, "WORDS", words.get()) < 0) return -1;
    return PyModule_AddIntConstant(m, "ALL_FIELDS", ETH_IF_PLCY_ALL_FIELDS);
}

// Every reference the state holds, for the collector and for unloading.
template <class F>
void each_ref(State *st, F fn) {
    auto type = [&](PyTypeObject *&t) {
        PyObject *o = reinterpret_cast<PyObject *>(t);
        fn(o);
        t = reinterpret_cast<PyTypeObject *>(o);
    };
    type(st->policy);
    for (auto &t : st->group)
        type(t);
    for (auto &t : st->entry)
        type(t);
    type(st->list);
    type(st->l2pt);
    type(st->protocol);
    fn(st->error);
    fn(st->invalid_record);
    fn(st->bad_policy);
    fn(st->not_carried);
}

int traverse(PyObject *m, visitproc visit, void *arg) {
    State *st = state(m);
    if (st == nullptr) return 0;
    int rc = 0;
    each_ref(st, [&](PyObject *&o) {
        if (rc == 0 && o != nullptr) rc = visit(o, arg);
    });
    return rc;
}

int clear(PyObject *m) {
    State *st = state(m);
    if (st != nullptr) each_ref(st, [](PyObject *&o) { Py_CLEAR(o); });
    return 0;
}

void free_module(void *m) {
    clear(static_cast<PyObject *>(m));
}

PyModuleDef_Slot slots[] = {{Py_mod_exec, reinterpret_cast<void *>(exec)}, {0, nullptr}};

} // namespace

PyModuleDef module_def = {PyModuleDef_HEAD_INIT,
                          "_core",
                          "Native part of eth_if_plcy; use the eth_if_plcy package.",
                          sizeof(State),
                          functions,
                          slots,
                          traverse,
                          clear,
                          free_module};

} // namespace pyplcy

PyMODINIT_FUNC PyInit__core() {
    return PyModuleDef_Init(&pyplcy::module_def);
}

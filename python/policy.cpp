// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The Policy class: the external record, its fields as attributes (made from
// the field description, each with its sentence), and its conversions to and
// from record bytes and the tool's JSON shape.
#include <array>
#include <cstring>
#include <vector>

#include "binding.hpp"
#include "record_layout.hpp"

namespace pyplcy {

namespace {

PolicyObject *as_policy(PyObject *o) {
    return reinterpret_cast<PolicyObject *>(o);
}

State *as_state(PyTypeObject *type);

PyObject *policy_new(PyTypeObject *type, PyObject *, PyObject *) {
    State *st = as_state(type);
    if (st == nullptr) return nullptr;
    auto *p = reinterpret_cast<PolicyObject *>(type->tp_alloc(type, 0));
    if (p == nullptr) return nullptr;
    std::memset(&p->ext, 0, sizeof p->ext);
    p->state = st;
    return reinterpret_cast<PyObject *>(p);
}

void policy_dealloc(PyObject *self) {
    PyTypeObject *type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}

// A policy from a dict, strictly; false with the error raised.
bool from_fields(State *st, PyObject *fields, Ext &ext, const char *what) {
    if (!PyDict_Check(fields)) {
        PyErr_Format(PyExc_TypeError, "%s takes a dict, not %s", what, Py_TYPE(fields)->tp_name);
        return false;
    }
    try {
        Ref tree(plain(st, fields));
        return read_policy(st, tree.get(), ext, true);
    } catch (Raised &) {
        return false;
    }
}

// Policy(fields=None); on a refusal the policy keeps what it held.
int policy_init(PyObject *self, PyObject *args, PyObject *kwargs) {
    static const char *names[] = {"fields", nullptr};
    PyObject *fields = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:Policy", const_cast<char **>(names),
                                     &fields))
        return -1;
    Ext ext{};
    if (fields != nullptr && fields != Py_None &&
        !from_fields(as_policy(self)->state, fields, ext, "Policy"))
        return -1;
    store(as_policy(self), ext);
    return 0;
}

// Attributes: the closure is a field's number, or kGroupTag and a group's.
constexpr uintptr_t kGroupTag = 1u << 8;

PyObject *policy_get(PyObject *self, void *closure) {
    auto n = reinterpret_cast<uintptr_t>(closure);
    if (n & kGroupTag) return group_value(as_policy(self), n & ~kGroupTag);
    return field_value(as_policy(self), n);
}

int policy_set(PyObject *self, PyObject *value, void *closure) {
    auto n = reinterpret_cast<uintptr_t>(closure);
    if (n & kGroupTag) {
        Path path;
        path.key(f::kGroups[n & ~kGroupTag]);
        return edit(as_policy(self), path, value);
    }
    return set_field(as_policy(self), n, value);
}

PyObject *to_dict(PyObject *self, PyObject *) {
    try {
        return write_policy(as_policy(self)->ext, true);
    } catch (Raised &) {
        return nullptr;
    }
}

PyObject *from_dict(PyObject *type, PyObject *d) {
    auto *t = reinterpret_cast<PyTypeObject *>(type);
    Ref p(new_policy(t));
    if (p.get() == nullptr) return nullptr;
    Ext ext;
    if (!from_fields(as_policy(p.get())->state, d, ext, "Policy.from_dict")) return nullptr;
    store(as_policy(p.get()), ext);
    return p.release();
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

// Policy.decode(data, fields=ALL_FIELDS, net=False): vectorcall, as it is
// called once per record of a dump.
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
    int net = vals[2] != nullptr ? PyObject_IsTrue(vals[2]) : 0;
    if (net < 0) return nullptr;
    Bytes bytes(vals[0], "data");
    if (!bytes.ok) return nullptr;
    uint32_t size = 0;
    auto *t = reinterpret_cast<PyTypeObject *>(type);
    return checked_decode(as_state(t), t, bytes.data(), bytes.size(), net != 0, fields, SIZE_MAX,
                          &size);
}

PyObject *encode(PyObject *self, PyObject *args, PyObject *kwargs) {
    static const char *names[] = {"tag_ranges", "check", nullptr};
    int tag_ranges = 0, checked = 1;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|p$p:encode", const_cast<char **>(names),
                                     &tag_ranges, &checked))
        return nullptr;
    const Ext &ext = as_policy(self)->ext;
    State *st = as_policy(self)->state;
    uint32_t options = tag_ranges ? ETH_IF_PLCY_ENCODE_TAG_RANGES : 0;
    const char *reason = nullptr, *field = nullptr;
    uint32_t status =
        checked ? eth_if_plcy_ext_validate_explain(&ext, options, &reason, &field) : 0;
    if (status != 0) return raise_bad_policy(st, status, reason, field ? field : "");
    eth_if_plcy_t *rec = nullptr;
    status = eth_if_plcy_encode(&ext, &rec, options);
    if (status == ETH_IF_PLCY_ERR_NOMEM) return PyErr_NoMemory();
    if (status != 0) { // unchecked: the check says why, where it can
        reason = eth_if_plcy_status_str(status);
        field = nullptr;
        eth_if_plcy_ext_validate_explain(&ext, options, &reason, &field);
        return raise_bad_policy(st, status, reason, field ? field : "");
    }
    PyObject *out = PyBytes_FromStringAndSize(reinterpret_cast<const char *>(rec),
                                              eth_if_plcy_get_size(rec, 0));
    eth_if_plcy_free(rec, 0);
    return out;
}

PyObject *render(PyObject *self, PyObject *args, PyObject *kwargs) {
    static const char *names[] = {"compact", nullptr};
    int compact = 0;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|p:render", const_cast<char **>(names),
                                     &compact))
        return nullptr;
    uint32_t options = compact ? ETH_IF_PLCY_PRINT_COMPACT : 0;
    const Ext &ext = as_policy(self)->ext;
    std::string text(eth_if_plcy_ext_print_len(&ext, options) + 1, '\0');
    eth_if_plcy_ext_print(&ext, text.data(), text.size(), options);
    return PyUnicode_FromString(text.c_str());
}

PyObject *copy_policy(PyObject *self, PyObject *) {
    PyTypeObject *type = Py_TYPE(self);
    PyObject *p = new_policy(type);
    if (p != nullptr) store(as_policy(p), as_policy(self)->ext);
    return p;
}

// Pickled as Policy.from_dict(policy.to_dict()): the JSON shape is the
// policy's stable form across releases.
PyObject *reduce(PyObject *self, PyObject *) {
    Ref d(to_dict(self, nullptr));
    if (d.get() == nullptr) return nullptr;
    PyObject *from =
        PyObject_GetAttrString(reinterpret_cast<PyObject *>(Py_TYPE(self)), "from_dict");
    if (from == nullptr) return nullptr;
    return Py_BuildValue("(N(O))", from, d.get());
}

PyObject *policy_richcompare(PyObject *self, PyObject *other, int op) {
    State *st = as_policy(self)->state;
    if ((op != Py_EQ && op != Py_NE) || !PyObject_TypeCheck(other, st->policy))
        Py_RETURN_NOTIMPLEMENTED;
    Ref a(to_dict(self, nullptr));
    Ref b(a.get() ? to_dict(other, nullptr) : nullptr);
    return b.get() ? PyObject_RichCompare(a.get(), b.get(), op) : nullptr;
}

PyObject *policy_repr(PyObject *self) {
    Ref d(to_dict(self, nullptr));
    return d.get() ? PyUnicode_FromFormat("Policy.from_dict(%R)", d.get()) : nullptr;
}

PyMethodDef methods[] = {
    {"decode", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(decode)),
     METH_FASTCALL | METH_KEYWORDS | METH_CLASS,
     "decode(data, fields=ALL_FIELDS, net=False)\n--\n\nThe policy a record holds (only "
     "the groups in fields); the bytes are checked first (InvalidRecord with the reason and "
     "offset; a network image read without net=True says so)."},
    {"from_dict", from_dict, METH_O | METH_CLASS,
     "from_dict(d)\n--\n\nA policy from the tool's JSON shape (numbers, \"0x...\" strings, "
     "words); BadPolicy names the field of an unknown key or a bad value."},
    {"to_dict", to_dict, METH_NOARGS,
     "to_dict()\n--\n\nThe tool's JSON shape: json.dumps(p.to_dict(), indent=2) is what "
     "ethplcy show --json prints for the policy's record."},
    {"encode", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(encode)),
     METH_VARARGS | METH_KEYWORDS,
     "encode(tag_ranges=False, *, check=True)\n--\n\nThe internal record's bytes; BadPolicy "
     "(with the rule and the field) for a policy eth_if_plcy_ext_validate refuses. "
     "check=False encodes without that check, as the C library does: a decoded record, "
     "whatever it holds, encodes again to the bytes the library gives."},
    {"render", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(render)),
     METH_VARARGS | METH_KEYWORDS,
     "render(compact=False)\n--\n\nThe external record's text print (one line with compact)."},
    {"to_openconfig",
     reinterpret_cast<PyCFunction>(
         reinterpret_cast<void (*)()>(+[](PyObject *self, PyObject *args, PyObject *kwargs) {
             return to_openconfig(as_policy(self), args, kwargs);
         })),
     METH_VARARGS | METH_KEYWORDS,
     "to_openconfig(name, index=None)\n--\n\nThe interface's OpenConfig configuration (RFC 7951 "
     "as a dict, rooted at openconfig-interfaces:interfaces); a sub-interface policy needs "
     "its index. Fields OpenConfig cannot say are named in a NotCarried warning."},
    {"from_openconfig",
     reinterpret_cast<PyCFunction>(
         reinterpret_cast<void (*)()>(+[](PyObject *type, PyObject *args, PyObject *kwargs) {
             return from_openconfig(reinterpret_cast<PyTypeObject *>(type), args, kwargs);
         })),
     METH_VARARGS | METH_KEYWORDS | METH_CLASS,
     "from_openconfig(data, name=None, index=None, strict=False)\n--\n\nThe policy an "
     "OpenConfig configuration holds for one interface (and sub-interface); BadPolicy names the "
     "OpenConfig path of what a policy cannot hold, a NotCarried warning what it need not (a "
     "BadPolicy with strict)."},
    {"__copy__", copy_policy, METH_NOARGS, "A copy of the policy."},
    {"__deepcopy__", copy_policy, METH_O, "A copy of the policy (it shares nothing)."},
    {"__reduce__", reduce, METH_NOARGS, "Pickles as Policy.from_dict(self.to_dict())."},
    {nullptr, nullptr, 0, nullptr}};

// The top-level fields and the groups, from the description.
std::array<PyGetSetDef, f::kFieldCount + kGroupCount + 1> &getsets() {
    static std::array<PyGetSetDef, f::kFieldCount + kGroupCount + 1> table = [] {
        std::array<PyGetSetDef, f::kFieldCount + kGroupCount + 1> t{};
        size_t n = 0;
        for (size_t i = 0; i < f::kFieldCount; i++)
            if (group_of(f::path_of(i)) < 0)
                t[n++] = {f::path_of(i), policy_get, policy_set, f::about_of(i),
                          reinterpret_cast<void *>(static_cast<uintptr_t>(i))};
        for (size_t g = 0; g < kGroupCount; g++)
            t[n++] = {f::kGroups[g], policy_get, policy_set,
                      "A group of fields (a view: reads and writes go to this policy); "
                      "assigning copies a dict's or another policy's group in.",
                      reinterpret_cast<void *>(kGroupTag | g)};
        return t;
    }();
    return table;
}

PyModuleDef *g_module_def; // set by add_policy_type

State *as_state(PyTypeObject *type) {
    PyObject *m = PyType_GetModuleByDef(type, g_module_def);
    return m ? static_cast<State *>(PyModule_GetState(m)) : nullptr;
}

} // namespace

PyObject *new_policy(PyTypeObject *type) {
    Ref args(PyTuple_New(0)); // a subclass's __new__ gets real arguments
    return args.get() ? type->tp_new(type, args.get(), nullptr) : nullptr;
}

PyObject *checked_decode(State *st, PyTypeObject *type, const uint8_t *data, size_t len, bool net,
                         uint32_t fields, size_t base, uint32_t *size) {
    const char *reason = nullptr;
    uint32_t offset = 0;
    uint32_t opt = net ? ETH_IF_PLCY_VALIDATE_NET : 0;
    uint32_t status = eth_if_plcy_validate_explain(data, len, opt, &reason, &offset);
    if (status != 0) {
        std::string why = reason;
        // As the tool says it: the other byte order would have held.
        if (eth_if_plcy_validate(data, len, opt ^ ETH_IF_PLCY_VALIDATE_NET) == 0)
            why += net ? " (a host image? leave out net=True)" : " (a network image? use net=True)";
        if (base != SIZE_MAX) { // a record of a dump: its own offset, the byte in the reason
            why += " (byte " + std::to_string(offset) + ")";
            offset = static_cast<uint32_t>(base);
        }
        return raise_invalid(st, status, why.c_str(), offset);
    }
    std::vector<uint8_t> buf;
    auto *rec = reinterpret_cast<const eth_if_plcy_t *>(data);
    if (net && !ETH_EFP_HOST_BIG_ENDIAN) {
        // A network image is converted in a copy of its own size (validated <= len).
        static_assert(ethplcy::layout::size.off == 2 && ethplcy::layout::size.bytes == 2);
        buf.assign(data, data + (static_cast<size_t>(data[2]) << 8 | data[3]));
        eth_if_plcy_ntoh(reinterpret_cast<eth_if_plcy_t *>(buf.data()));
        rec = reinterpret_cast<const eth_if_plcy_t *>(buf.data());
    }
    *size = eth_if_plcy_get_size(rec, 0);
    Ref p(new_policy(type));
    if (p.get() == nullptr) return nullptr;
    status = eth_if_plcy_decode(rec, fields, &as_policy(p.get())->ext, 0);
    if (status != 0) return raise_invalid(st, status, "decode refused the record", 0);
    return p.release();
}

int add_policy_type(PyObject *module, State *st) {
    g_module_def = PyModule_GetDef(module);
    PyType_Slot slots[] = {
        {Py_tp_doc, const_cast<char *>(
                        "Policy(fields=None)\n--\n\nThe external policy record, with the field "
                        "names and nesting of the ethplcy tool's JSON (p.sub.parent, "
                        "p.efp.tag[0].vlan, p.l2pt[\"tovu\"].mode); a field the policy lacks "
                        "reads as None (and is removed by assigning None), a name that is no "
                        "field raises AttributeError. Groups and lists read and write in place; "
                        "assigning one copies its values. Numbers are ints (bool is refused), "
                        "words are strings; a refused value leaves the policy as it was.")},
        {Py_tp_new, reinterpret_cast<void *>(policy_new)},
        {Py_tp_init, reinterpret_cast<void *>(policy_init)},
        {Py_tp_dealloc, reinterpret_cast<void *>(policy_dealloc)},
        {Py_tp_richcompare, reinterpret_cast<void *>(policy_richcompare)},
        {Py_tp_repr, reinterpret_cast<void *>(policy_repr)},
        {Py_tp_hash, reinterpret_cast<void *>(PyObject_HashNotImplemented)},
        {Py_tp_methods, methods},
        {Py_tp_getset, getsets().data()},
        {0, nullptr}};
    st->policy =
        add_class(module, "eth_if_plcy.Policy", sizeof(PolicyObject),
                  Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_IMMUTABLETYPE, slots);
    return st->policy ? 0 : -1;
}

} // namespace pyplcy

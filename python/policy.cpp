// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The Policy class: the external record, its fields as attributes (made from
// the field description, each with its sentence), and its conversions to and
// from record bytes and the tool's JSON shape.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "binding.hpp"
#include "policy_check.hpp"
#include "refusal.hpp"
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

// Policy(fields=None, /, **values): a dict (or mapping) and fields by name,
// read as one dict; a name in both is refused. On a refusal the policy
// keeps what it held.
int policy_init(PyObject *self, PyObject *args, PyObject *kwargs) {
    State *st = as_policy(self)->state;
    Py_ssize_t nargs = PyTuple_GET_SIZE(args);
    if (nargs > 1) {
        PyErr_Format(PyExc_TypeError, "Policy() takes one dict and fields by name, not %zd dicts",
                     nargs);
        return -1;
    }
    Ref given(Py_XNewRef(nargs ? PyTuple_GET_ITEM(args, 0) : nullptr));
    Ref values(kwargs ? PyDict_Copy(kwargs) : nullptr);
    Ref word(PyUnicode_FromString("fields"));
    if ((kwargs && values.get() == nullptr) || word.get() == nullptr) return -1;
    // fields= is the dict: no field has that name.
    PyObject *named = values.get() ? PyDict_GetItemWithError(values.get(), word.get()) : nullptr;
    if (named == nullptr && PyErr_Occurred()) return -1;
    if (named != nullptr) {
        if (given.get() != nullptr) {
            PyErr_SetString(PyExc_TypeError, "Policy() got the dict twice (fields=)");
            return -1;
        }
        given.reset(Py_NewRef(named));
        if (PyDict_DelItem(values.get(), word.get()) != 0) return -1;
    }
    if (given.get() == Py_None) given.reset(nullptr);
    if (given.get() != nullptr && PyObject_CheckBuffer(given.get())) { // a record's bytes
        PyErr_Format(PyExc_TypeError,
                     "Policy() takes a dict of fields, not %s: a record is read by Policy.decode()",
                     Py_TYPE(given.get())->tp_name);
        return -1;
    }
    if (given.get() != nullptr && !PyDict_Check(given.get())) { // a mapping, as dict() takes it
        given.reset(PyObject_CallOneArg(reinterpret_cast<PyObject *>(&PyDict_Type), given.get()));
        if (given.get() == nullptr) return -1;
    }
    Ext ext{};
    try {
        Ref tree(given.get() ? plain(st, given.get()) : check(PyDict_New()));
        Ref by_name(values.get() ? plain(st, values.get()) : check(PyDict_New()));
        PyObject *key, *value;
        Py_ssize_t pos = 0;
        while (PyDict_Next(by_name.get(), &pos, &key, &value)) {
            PyObject *held = PyDict_SetDefault(tree.get(), key, value);
            if (held == nullptr) return -1;
            if (held != value) {
                std::string path = json_text(key);
                raise_bad_policy(st, ETH_IF_PLCY_ERR_BAD_POLICY,
                                 path + ": is given twice (in the dict and by name)", path);
                return -1;
            }
        }
        if (!read_policy(st, tree.get(), ext, true)) return -1;
    } catch (Raised &) {
        return -1;
    }
    store(as_policy(self), ext);
    return 0;
}

// "name" in policy: whether the policy holds the field or group (a path such
// as "efp.tag" too); a name that is none is an AttributeError, as reading it is.
int policy_contains(PyObject *self, PyObject *name) {
    Py_ssize_t n = 0;
    const char *text = PyUnicode_Check(name) ? PyUnicode_AsUTF8AndSize(name, &n) : nullptr;
    if (text == nullptr) {
        PyErr_Clear();
        if (PyUnicode_Check(name)) // a lone surrogate: in no field's name
            PyErr_Format(PyExc_AttributeError, "a policy has no field %R", name);
        else
            PyErr_Format(PyExc_TypeError, "a field's name is a string, not %s",
                         Py_TYPE(name)->tp_name);
        return -1;
    }
    std::string_view path(text, static_cast<size_t>(n));
    for (size_t g = 0; g < kGroupCount; g++)
        if (path == f::kGroups[g]) return group_present(as_policy(self), g);
    if (std::optional<f::F> field = f::find_field(path))
        return f::present(f::index(*field), as_policy(self)->ext);
    PyErr_Format(PyExc_AttributeError, "a policy has no field %R", name);
    return -1;
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

PyObject *to_dict(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[1];
    if (!parse(sig::kToDict, args, nargs, kwnames, a)) return nullptr;
    int words = flag(a[0], false, "words");
    if (words < 0) return nullptr;
    try {
        return write_policy(as_policy(self)->ext, true, words != 0);
    } catch (Raised &) {
        return nullptr;
    }
}

PyObject *from_dict(PyObject *type, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *d;
    if (!parse(sig::kFromDict, args, nargs, kwnames, &d)) return nullptr;
    auto *t = reinterpret_cast<PyTypeObject *>(type);
    Ref p(new_policy(t));
    if (p.get() == nullptr) return nullptr;
    Ext ext;
    if (!from_fields(as_policy(p.get())->state, d, ext, "Policy.from_dict")) return nullptr;
    store(as_policy(p.get()), ext);
    return p.release();
}

// Policy.decode(data, fields=None, net=False): fast call, as it is
// called once per record of a dump.
PyObject *decode(PyObject *type, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *vals[3];
    if (!parse(sig::kDecode, args, nargs, kwnames, vals)) return nullptr;
    uint32_t fields = ETH_IF_PLCY_ALL_FIELDS;
    if (vals[1] != nullptr && vals[1] != Py_None) {
        unsigned long v = PyLong_Check(vals[1]) ? PyLong_AsUnsignedLong(vals[1]) : ~0ul;
        if (v > ETH_IF_PLCY_ALL_FIELDS) {
            PyErr_Clear();
            PyErr_SetString(PyExc_TypeError,
                            "fields must be a mask of policy field bits (0 to 0xFFFFF)");
            return nullptr;
        }
        fields = static_cast<uint32_t>(v);
    }
    int net = flag(vals[2], false, "net");
    if (net < 0) return nullptr;
    Bytes bytes(vals[0], "data");
    if (!bytes.ok) return nullptr;
    uint32_t size = 0;
    auto *t = reinterpret_cast<PyTypeObject *>(type);
    return checked_decode(as_state(t), t, bytes.data(), bytes.size(), net != 0, fields, SIZE_MAX,
                          &size);
}

// A refusal of the strict check, in the tool's words: "path: value what",
// the value as the tool's JSON shows it.
PyObject *refuse(State *st, const Ext &ext, const f::Verdict &v) {
    std::string message;
    try {
        WriteTree tree{true};
        message = f::refusal(tree, ext, v, [](PyObject *node) {
            Ref owned(node);
            return ReadTree().show(node);
        });
    } catch (Raised &) {
        return nullptr;
    }
    return raise_bad_policy(st, ETH_IF_PLCY_ERR_BAD_POLICY, message, v.path());
}

// The rule by which the C library's encode refused a policy: an interface
// type it has no class for, fields of both classes (its own test), else what
// the strict check finds in the EFP.
f::Verdict encode_rule(const Ext &e, uint32_t options) {
    namespace d = f::detail;
    constexpr int type = static_cast<int>(f::index(f::F::ether_if_type));
    bool typed = (e.valid_mask & ETH_IF_PLCY_ETHER_IF_TYPE) != 0;
    if (typed && (e.ether_if_type == 0 || e.ether_if_type > ETH_IF_PLCY_MAX_IF_TYPE))
        return {&f::kIfType, nullptr, type, -1, -1, e.ether_if_type};
    if (f::Verdict v = d::classes(e); !v.ok()) return v;
    for (size_t i = 0; typed && i < f::kScalarCount; i++) // a type of neither class counts as sub
        if (f::kScalars[i].cls == f::Cls::trunk && (e.valid_mask & f::kScalars[i].bit))
            return {nullptr, &f::kTrunkOnSub, static_cast<int>(i)};
    return f::check(e, options);
}

PyObject *encode(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[2];
    if (!parse(sig::kEncode, args, nargs, kwnames, a)) return nullptr;
    int tag_ranges = flag(a[0], false, "tag_ranges"), checked = flag(a[1], true, "check");
    if (tag_ranges < 0 || checked < 0) return nullptr;
    const Ext &ext = as_policy(self)->ext;
    State *st = as_policy(self)->state;
    uint32_t options = tag_ranges ? ETH_IF_PLCY_ENCODE_TAG_RANGES : 0;
    if (checked)
        if (f::Verdict v = f::check(ext, options); !v.ok()) return refuse(st, ext, v);
    eth_if_plcy_t *rec = nullptr;
    uint32_t status = eth_if_plcy_encode(&ext, &rec, options);
    if (status == ETH_IF_PLCY_ERR_NOMEM) return PyErr_NoMemory();
    if (status != 0) {
        f::Verdict v = encode_rule(ext, options);
        if (!v.ok()) return refuse(st, ext, v);
        return raise_bad_policy(st, status, eth_if_plcy_status_str(status), "");
    }
    PyObject *out = PyBytes_FromStringAndSize(reinterpret_cast<const char *>(rec),
                                              eth_if_plcy_get_size(rec, 0));
    eth_if_plcy_free(rec, 0);
    return out;
}

PyObject *render(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[1];
    if (!parse(sig::kRenderPolicy, args, nargs, kwnames, a)) return nullptr;
    int compact = flag(a[0], false, "compact");
    if (compact < 0) return nullptr;
    uint32_t options = compact ? ETH_IF_PLCY_PRINT_COMPACT : 0;
    const Ext &ext = as_policy(self)->ext;
    std::string text(eth_if_plcy_ext_print_len(&ext, options) + 1, '\0');
    eth_if_plcy_ext_print(&ext, text.data(), text.size(), options);
    return PyUnicode_FromString(text.c_str());
}

PyObject *copy_policy(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[1];
    if (!parse(nargs || kwnames ? sig::kDeepcopy : sig::kCopy, args, nargs, kwnames, a))
        return nullptr;
    PyTypeObject *type = Py_TYPE(self);
    PyObject *p = new_policy(type);
    if (p != nullptr) store(as_policy(p), as_policy(self)->ext);
    return p;
}

// Pickled as Policy.from_dict(policy.to_dict()): the JSON shape is the
// policy's stable form across releases.
PyObject *reduce(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    if (!parse(sig::kReduce, args, nargs, kwnames, nullptr)) return nullptr;
    Ref d(to_dict(self, nullptr, 0, nullptr));
    if (d.get() == nullptr) return nullptr;
    // copyreg.__newobj__: the class's __new__ alone, as pickle does for plain classes.
    Ref copyreg(PyImport_ImportModule("copyreg"));
    Ref newobj(copyreg.get() ? PyObject_GetAttrString(copyreg.get(), "__newobj__") : nullptr);
    return newobj.get() ? Py_BuildValue("(O(O)O)", newobj.get(), Py_TYPE(self), d.get()) : nullptr;
}

// Not from_dict: a decoded record may hold what its strict check refuses
// (a native VLAN above 4095), which must come back from a pickle whole.
PyObject *setstate(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *state;
    if (!parse(sig::kSetstate, args, nargs, kwnames, &state)) return nullptr;
    State *st = as_policy(self)->state;
    if (!PyDict_Check(state)) {
        PyErr_Format(PyExc_TypeError, "__setstate__ takes a dict, not %s", Py_TYPE(state)->tp_name);
        return nullptr;
    }
    Ext ext;
    try {
        Ref tree(plain(st, state));
        if (!read_policy(st, tree.get(), ext, false)) return nullptr;
    } catch (Raised &) {
        return nullptr;
    }
    store(as_policy(self), ext);
    Py_RETURN_NONE;
}

PyObject *policy_richcompare(PyObject *self, PyObject *other, int op) {
    State *st = as_policy(self)->state;
    if ((op != Py_EQ && op != Py_NE) || !PyObject_TypeCheck(other, st->policy))
        Py_RETURN_NOTIMPLEMENTED;
    Ref a(to_dict(self, nullptr, 0, nullptr));
    Ref b(a.get() ? to_dict(other, nullptr, 0, nullptr) : nullptr);
    return b.get() ? PyObject_RichCompare(a.get(), b.get(), op) : nullptr;
}

PyObject *policy_repr(PyObject *self) {
    Ref d(to_dict(self, nullptr, 0, nullptr));
    return d.get() ? PyUnicode_FromFormat("Policy.from_dict(%R)", d.get()) : nullptr;
}

PyMethodDef methods[] = {method(sig::kDecode, decode),
                         method(sig::kFromDict, from_dict),
                         method(sig::kToDict, to_dict),
                         method(sig::kEncode, encode),
                         method(sig::kRenderPolicy, render),
                         method(sig::kToOpenconfig, to_openconfig),
                         method(sig::kFromOpenconfig, from_openconfig),
                         method(sig::kCopy, copy_policy),
                         method(sig::kDeepcopy, copy_policy),
                         method(sig::kReduce, reduce),
                         method(sig::kSetstate, setstate),
                         {nullptr, nullptr, 0, nullptr}};

// A field's docstring, kept for the program's life.
const char *about(size_t i) {
    static std::array<std::string, f::kFieldCount> texts;
    if (texts[i].empty()) texts[i] = about_with_words(i);
    return texts[i].c_str();
}

// The top-level fields and the groups, from the description.
std::array<PyGetSetDef, f::kFieldCount + kGroupCount + 1> &getsets() {
    static std::array<PyGetSetDef, f::kFieldCount + kGroupCount + 1> table = [] {
        std::array<PyGetSetDef, f::kFieldCount + kGroupCount + 1> t{};
        size_t n = 0;
        for (size_t i = 0; i < f::kFieldCount; i++)
            if (group_of(f::path_of(i)) < 0)
                t[n++] = {f::path_of(i), policy_get, policy_set, about(i),
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

State *as_state(PyTypeObject *type) {
    PyObject *m = PyType_GetModuleByDef(type, &module_def);
    return m ? static_cast<State *>(PyModule_GetState(m)) : nullptr;
}

} // namespace

PyObject *new_policy(PyTypeObject *type) {
    Ref args(PyTuple_New(0)); // a subclass's __new__ gets real arguments
    Ref made(args.get() ? type->tp_new(type, args.get(), nullptr) : nullptr);
    // A subclass's __new__ may return anything: only a policy of the type is filled.
    if (made.get() != nullptr && !PyObject_TypeCheck(made.get(), type)) {
        PyErr_Format(PyExc_TypeError, "%s.__new__ returned %s, not a %s", type->tp_name,
                     Py_TYPE(made.get())->tp_name, type->tp_name);
        return nullptr;
    }
    return made.release();
}

RecordCopy::RecordCopy(const uint8_t *data, size_t len) {
    // Enough for the record by either byte order's size field (so that the
    // other order's check, for its hint, sees the same bytes), never past len.
    static_assert(ethplcy::layout::size.off == 2 && ethplcy::layout::size.bytes == 2);
    size_t n = len;
    if (len >= 4) {
        size_t big = static_cast<size_t>(data[2]) << 8 | data[3];
        size_t little = static_cast<size_t>(data[3]) << 8 | data[2];
        n = std::min(len, std::max({big, little, size_t{ETH_IF_PLCY_MIN_SIZE}}));
    }
    if (n > sizeof small_) {
        big_.assign(data, data + n);
        bytes = big_.data();
    } else {
        std::memcpy(small_, data, n);
        bytes = small_;
    }
    size = n;
}

PyObject *checked_decode(State *st, PyTypeObject *type, const uint8_t *data, size_t len, bool net,
                         uint32_t fields, size_t base, uint32_t *size) {
    // The bytes are copied before they are checked: creating the policy may
    // run Python code (a subclass's __new__), which could change the caller's.
    RecordCopy copy(data, len);
    uint8_t *bytes = copy.bytes;
    len = copy.size;
    const char *reason = nullptr;
    uint32_t offset = 0;
    uint32_t opt = net ? ETH_IF_PLCY_VALIDATE_NET : 0;
    uint32_t status = eth_if_plcy_validate_explain(bytes, len, opt, &reason, &offset);
    if (status != 0) {
        std::string why = reason;
        // As the tool says it: the other byte order would have held.
        if (eth_if_plcy_validate(bytes, len, opt ^ ETH_IF_PLCY_VALIDATE_NET) == 0)
            why += net ? " (a host image? leave out net=True)" : " (a network image? use net=True)";
        if (base != SIZE_MAX) { // a record of a dump: its own offset, the byte in the reason
            why += " (byte " + std::to_string(offset) + ")";
            offset = static_cast<uint32_t>(base);
        }
        return raise_invalid(st, status, why.c_str(), offset);
    }
    auto *rec = reinterpret_cast<eth_if_plcy_t *>(bytes);
    if (net && !ETH_EFP_HOST_BIG_ENDIAN) eth_if_plcy_ntoh(rec); // the copy, validated
    *size = eth_if_plcy_get_size(rec, 0);
    Ref p(new_policy(type));
    if (p.get() == nullptr) return nullptr;
    status = eth_if_plcy_decode(rec, fields, &as_policy(p.get())->ext, 0);
    if (status != 0) return raise_invalid(st, status, "decode refused the record", 0);
    return p.release();
}

int add_policy_type(PyObject *module, State *st) {
    PyType_Slot slots[] = {{Py_tp_doc, const_cast<char *>(doc_of(sig::kPolicy))},
                           {Py_tp_new, reinterpret_cast<void *>(policy_new)},
                           {Py_tp_init, reinterpret_cast<void *>(policy_init)},
                           {Py_tp_dealloc, reinterpret_cast<void *>(policy_dealloc)},
                           {Py_tp_richcompare, reinterpret_cast<void *>(policy_richcompare)},
                           {Py_tp_repr, reinterpret_cast<void *>(policy_repr)},
                           {Py_tp_hash, reinterpret_cast<void *>(PyObject_HashNotImplemented)},
                           {Py_tp_methods, methods},
                           {Py_tp_getset, getsets().data()},
                           {Py_sq_contains, reinterpret_cast<void *>(policy_contains)},
                           {0, nullptr}};
    st->policy =
        add_class(module, "eth_if_plcy.Policy", sizeof(PolicyObject),
                  Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_IMMUTABLETYPE, slots);
    return st->policy ? 0 : -1;
}

} // namespace pyplcy

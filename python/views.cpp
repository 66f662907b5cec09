// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// Views of a policy: its groups (Efp, Sub, ...), its lists (FieldList),
// a list's entries (EfpTag, ...), the L2PT object and one protocol's setting.
// A view holds its policy and where it looks; every read goes to the record
// and every write edits it, so a view can never disagree with its policy,
// whatever happened to the policy since (re-initialised, emptied).
// Classes and their attributes are made from the field description.
#include <cstring>
#include <algorithm>
#include <array>
#include <vector>

#include "binding.hpp"

namespace pyplcy {

namespace {

constexpr auto kGroupOf = [] {
    std::array<int8_t, f::kFieldCount> a{};
    for (size_t i = 0; i < f::kFieldCount; i++)
        a[i] = static_cast<int8_t>(group_of(f::path_of(i)));
    return a;
}();

const f::Compound &compound(size_t c) {
    return f::kCompounds[c];
}
size_t field_of(size_t c) {
    return f::kScalarCount + c;
}

void add_field(Path &path, const char *field) {
    int g = group_of(field);
    if (g >= 0) path.key(f::kGroups[g]);
    path.key(name_of(field));
}

// Whether one path lies within another ("efp.tag[0].vlan" within "efp.tag").
bool within(std::string_view path, std::string_view outer) {
    return path.starts_with(outer) &&
           (path.size() == outer.size() || path[outer.size()] == '.' || path[outer.size()] == '[');
}

// The valid_mask bits of the fields a write at path may change.
uint32_t bits_under(std::string_view path) {
    uint32_t bits = 0;
    for (size_t i = 0; i < f::kFieldCount; i++)
        if (within(f::path_of(i), path) || within(path, f::path_of(i))) bits |= f::bit_of(i);
    return bits;
}

// A field removed must be gone: one that shares its valid_mask bit with a
// field still held is not (it would read as its default). False raised.
bool still_there(State *st, const Ext &ext, const std::string &path) {
    std::optional<f::F> field = f::find_field(path);
    if (!field || !f::present(f::index(*field), ext)) return true;
    size_t i = f::index(*field);
    std::string others;
    for (size_t k = 0; k < f::kFieldCount; k++)
        if (k != i && f::bit_of(k) == f::bit_of(i) && f::present(k, ext))
            others += (others.empty() ? "" : ", ") + std::string(f::path_of(k));
    if (others.empty()) return true; // valid_mask: it follows from the fields
    std::string why = path + ": cannot be removed alone: it shares its valid_mask bit with " +
                      others + " (remove the group, or set a value)";
    raise_bad_policy(st, ETH_IF_PLCY_ERR_BAD_POLICY, why.c_str(), path);
    return false;
}

Path view_path(const ViewObject *v) {
    Path path;
    if (v->kind == ViewKind::group) {
        path.key(f::kGroups[v->what]);
        return path;
    }
    add_field(path, compound(v->what).path);
    if (v->kind == ViewKind::entry) path.at(v->index);
    if (v->kind == ViewKind::protocol) path.key(f::kL2ptNames[v->index]);
    return path;
}

PyObject *number(uint64_t v, const f::Domain &d) {
    WriteTree tree{false};
    try {
        return f::Writer<WriteTree>(tree).number(v, d);
    } catch (Raised &) {
        return nullptr;
    }
}

size_t list_size(const PolicyObject *p, size_t c) {
    return f::present(field_of(c), p->ext) ? compound(c).access.entries(p->ext) : 0;
}

ViewObject *as_view(PyObject *o) {
    return reinterpret_cast<ViewObject *>(o);
}

// The dict (or, last, the list) at path's first n steps in a plain tree,
// made where absent when create; null (no exception) where it cannot be.
PyObject *walk(PyObject *root, const Path &path, int n, bool create_list) {
    PyObject *node = root;
    for (int i = 0; i < n; i++) {
        const Step &s = path.steps[i];
        if (s.key.empty()) {
            if (!PyList_CheckExact(node) || s.index >= static_cast<size_t>(PyList_GET_SIZE(node)))
                return nullptr;
            node = PyList_GET_ITEM(node, static_cast<Py_ssize_t>(s.index));
            continue;
        }
        if (!PyDict_CheckExact(node)) return nullptr;
        Ref key(check(
            PyUnicode_FromStringAndSize(s.key.data(), static_cast<Py_ssize_t>(s.key.size()))));
        PyObject *next = PyDict_GetItemWithError(node, key.get());
        if (next == nullptr) { // a group, protocol or list not held yet
            if (PyErr_Occurred()) throw Raised{};
            bool list = i + 1 == n ? create_list : path.steps[i + 1].key.empty();
            Ref made(check(list ? PyList_New(0) : PyDict_New()));
            if (PyDict_SetItem(node, key.get(), made.get()) != 0) throw Raised{};
            next = made.get();
        }
        node = next;
    }
    return node;
}

// Reads a changed plain tree back into the policy: the one step every write
// ends with; on a refusal the record is untouched. -1 raised.
int commit(PolicyObject *p, PyObject *root, const Path &path, bool removing) {
    State *st = p->state;
    const char *mask_path = f::path_of(f::F::valid_mask);
    bool mask = path.text == mask_path;
    // valid_mask follows the fields, unless it is what is set.
    if (!mask && PyDict_DelItemString(root, mask_path) != 0) PyErr_Clear();
    // A PCP entry goes with its tag.
    if (path.text == f::path_of(f::F::efp_tag)) {
        Path pcp;
        add_field(pcp, f::path_of(f::F::efp_tag_pcp));
        PyObject *pcps = node_at(root, pcp, pcp.n);
        PyObject *tags = node_at(root, path, path.n);
        Py_ssize_t n = tags && PyList_CheckExact(tags) ? PyList_GET_SIZE(tags) : 0;
        if (pcps && PyList_CheckExact(pcps) && PyList_GET_SIZE(pcps) > n &&
            PyList_SetSlice(pcps, n, PY_SSIZE_T_MAX, nullptr) != 0)
            return -1;
    }
    Ext ext;
    if (!read_policy(st, root, ext, false, path.text)) return -1;
    if (removing && !still_there(st, ext, path.text)) return -1;
    // Bits of fields elsewhere stay as the record had them (a bit with no
    // key, as a captured record may hold, included).
    if (!mask) {
        uint32_t bits = bits_under(path.text);
        ext.valid_mask = (p->ext.valid_mask & ~bits) | (ext.valid_mask & bits);
    }
    store(p, ext);
    return 0;
}

// ---- every view ------------------------------------------------------------------

void view_dealloc(PyObject *self) {
    PyTypeObject *type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    Py_CLEAR(as_view(self)->policy);
    PyObject_GC_Del(self);
    Py_DECREF(type);
}

// No tp_clear: a view is never left without its policy; a cycle through
// one (a policy subclass's attribute holding it) is broken at the policy's dict.
int view_traverse(PyObject *self, visitproc visit, void *arg) {
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(as_view(self)->policy);
    return 0;
}

// What a view of this kind at path reads in a plain tree: the node, or what
// stands for its absence.
PyObject *held_at(PyObject *root, const Path &path, ViewKind kind) {
    PyObject *node = node_at(root, path, path.n);
    if (node != nullptr) return Py_NewRef(node);
    if (kind == ViewKind::list) return PyList_New(0);
    if (kind == ViewKind::protocol || kind == ViewKind::entry) Py_RETURN_NONE;
    return PyDict_New(); // a group or L2PT object the policy lacks
}

// value as the record holds it at path: put into the policy's plain tree,
// read and written back, so that words, "0x..." strings and defaults compare
// as the numbers they stand for. None (no error) when no record holds it.
PyObject *canonical(PolicyObject *p, const Path &path, ViewKind kind, PyObject *value) {
    State *st = p->state;
    try {
        Ref v(plain(st, value, kPolicyDepth, path.text));
        Ref root(write_policy(p->ext, false));
        if (PyDict_DelItemString(root.get(), f::path_of(f::F::valid_mask)) != 0) PyErr_Clear();
        PyObject *node = walk(root.get(), path, path.n - 1, true);
        const Step &last = path.steps[path.n - 1];
        Ref key(last.key.empty() ? nullptr
                                 : check(PyUnicode_FromStringAndSize(
                                       last.key.data(), static_cast<Py_ssize_t>(last.key.size()))));
        bool put = last.key.empty() ? node && PyList_CheckExact(node) &&
                                          PyList_SetItem(node, static_cast<Py_ssize_t>(last.index),
                                                         Py_NewRef(v.get())) == 0
                                    : node && PyDict_CheckExact(node) &&
                                          PyDict_SetItem(node, key.get(), v.get()) == 0;
        Ext ext;
        if (put && read_policy(st, root.get(), ext, false, path.text)) {
            Ref back(write_policy(ext, false));
            return held_at(back.get(), path, kind);
        }
    } catch (Raised &) {
    }
    if (PyErr_Occurred() && !PyErr_ExceptionMatches(PyExc_ValueError) &&
        !PyErr_ExceptionMatches(PyExc_TypeError) && !PyErr_ExceptionMatches(PyExc_IndexError))
        return nullptr; // MemoryError, KeyboardInterrupt: not a difference
    PyErr_Clear();
    Py_RETURN_NONE;
}

PyObject *view_richcompare(PyObject *self, PyObject *other, int op) {
    if (op != Py_EQ && op != Py_NE) Py_RETURN_NOTIMPLEMENTED;
    ViewObject *v = as_view(self);
    Ref a(view_tree(v, false));
    if (a.get() == nullptr) return nullptr;
    Ref b(is_view(v->policy->state, other) || other == Py_None
              ? (other == Py_None ? Py_NewRef(other) : view_tree(as_view(other), false))
              : canonical(v->policy, view_path(v), v->kind, other));
    if (b.get() == nullptr) return nullptr;
    if (b.get() == Py_None && other != Py_None) return PyBool_FromLong(op == Py_NE);
    return PyObject_RichCompare(a.get(), b.get(), op);
}

PyObject *view_repr(PyObject *self) {
    Ref tree(view_tree(as_view(self), true));
    if (tree.get() == nullptr) return nullptr;
    try {
        return literal(tree.get());
    } catch (Raised &) {
        return nullptr;
    }
}

// view["name"]: the attribute of that name, for the names the class lists.
// Found in the class's own table (no borrowed object held while it runs).
const PyGetSetDef *named(PyObject *self, PyObject *key) {
    Py_ssize_t n = 0;
    const char *name = PyUnicode_Check(key) ? PyUnicode_AsUTF8AndSize(key, &n) : nullptr;
    if (name != nullptr)
        for (const PyGetSetDef *d = Py_TYPE(self)->tp_getset; d && d->name; d++)
            if (std::string_view(d->name) == std::string_view(name, static_cast<size_t>(n)))
                return d;
    PyErr_Clear();
    PyErr_SetObject(PyExc_KeyError, key);
    return nullptr;
}

PyObject *view_getitem(PyObject *self, PyObject *key) {
    const PyGetSetDef *d = named(self, key);
    return d ? d->get(self, d->closure) : nullptr;
}

int view_setitem(PyObject *self, PyObject *key, PyObject *value) {
    const PyGetSetDef *d = named(self, key);
    return d ? d->set(self, value ? value : Py_None, d->closure) : -1;
}

// ---- groups: the closure is the field's number -------------------------------------

PyObject *group_get(PyObject *self, void *field) {
    return field_value(as_view(self)->policy, reinterpret_cast<uintptr_t>(field));
}

int group_set(PyObject *self, PyObject *value, void *field) {
    return set_field(as_view(self)->policy, reinterpret_cast<uintptr_t>(field), value);
}

// ---- entries of a pair list: the closure is the key's number ------------------------

bool entry_there(const ViewObject *v) {
    if (v->index < list_size(v->policy, v->what)) return true;
    PyErr_Format(PyExc_IndexError, "%s is no longer in the policy", view_path(v).text.c_str());
    return false;
}

PyObject *entry_get(PyObject *self, void *key) {
    const ViewObject *v = as_view(self);
    if (!entry_there(v)) return nullptr;
    const f::Compound &c = compound(v->what);
    int k = static_cast<int>(reinterpret_cast<uintptr_t>(key));
    return number(c.access.get(v->policy->ext, v->index, k), *c.keys[k].domain);
}

int entry_set(PyObject *self, PyObject *value, void *key) {
    const ViewObject *v = as_view(self);
    Path path = view_path(v);
    path.key(compound(v->what).keys[reinterpret_cast<uintptr_t>(key)].name);
    return edit(v->policy, path, value);
}

// ---- L2PT: the closure is the protocol's index, or (a setting) the key's -------------

const f::Compound &l2pt_row() {
    return f::compound(f::F::l2pt);
}
size_t l2pt_number() {
    return f::index(f::F::l2pt) - f::kScalarCount;
}

uint8_t l2pt_byte(const PolicyObject *p, size_t protocol) {
    return f::present(field_of(l2pt_number()), p->ext) ? p->ext.l2pt[protocol] & 0x7Fu : 0;
}

PyObject *l2pt_get(PyObject *self, void *protocol) {
    PolicyObject *p = as_view(self)->policy;
    size_t i = reinterpret_cast<uintptr_t>(protocol);
    uint8_t b = l2pt_byte(p, i);
    if ((b & ETH_IF_PLCY_L2PT_EXP_MASK) && !(b & ETH_IF_PLCY_L2PT_EXP_GIVEN))
        return PyLong_FromLong(b); // a raw byte, as the JSON writes it
    // A protocol not set reads as a view whose fields are None: a write sets it.
    return new_view(p, ViewKind::protocol, l2pt_number(), i);
}

int l2pt_set(PyObject *self, PyObject *value, void *protocol) {
    Path path;
    path.key(l2pt_row().path);
    path.key(f::kL2ptNames[reinterpret_cast<uintptr_t>(protocol)]);
    return edit(as_view(self)->policy, path, value);
}

PyObject *protocol_get(PyObject *self, void *key) {
    const ViewObject *v = as_view(self);
    uint8_t b = l2pt_byte(v->policy, v->index);
    if (b == 0) Py_RETURN_NONE;
    if (reinterpret_cast<uintptr_t>(key) == 0)
        return number(b & ETH_IF_PLCY_L2PT_MODE_MASK, *l2pt_row().keys[0].domain);
    if (!(b & ETH_IF_PLCY_L2PT_EXP_GIVEN)) Py_RETURN_NONE;
    return PyLong_FromLong((b & ETH_IF_PLCY_L2PT_EXP_MASK) >> ETH_IF_PLCY_L2PT_EXP_SHIFT);
}

int protocol_set(PyObject *self, PyObject *value, void *key) {
    Path path = view_path(as_view(self));
    path.key(l2pt_row().keys[reinterpret_cast<uintptr_t>(key)].name);
    return edit(as_view(self)->policy, path, value);
}

// ---- lists: a sequence; entries are views, numbers or words ---------------------------

Py_ssize_t list_len(PyObject *self) {
    return static_cast<Py_ssize_t>(list_size(as_view(self)->policy, as_view(self)->what));
}

PyObject *list_item(PyObject *self, Py_ssize_t i) {
    ViewObject *v = as_view(self);
    if (i < 0 || i >= list_len(self)) {
        PyErr_Format(PyExc_IndexError, "%s has no entry %zd", view_path(v).text.c_str(), i);
        return nullptr;
    }
    const f::Compound &c = compound(v->what);
    if (c.shape == f::Shape::pairs)
        return new_view(v->policy, ViewKind::entry, v->what, static_cast<size_t>(i));
    return number(c.access.get(v->policy->ext, static_cast<size_t>(i), -1), *c.domain);
}

// An index argument, counted from the end when negative; -1 with an error.
Py_ssize_t list_index(PyObject *self, PyObject *key) {
    Py_ssize_t i = PyNumber_AsSsize_t(key, PyExc_IndexError);
    if (i == -1 && PyErr_Occurred()) return -1;
    Py_ssize_t n = list_len(self);
    if (i < 0) i += n;
    if (i < 0 || i >= n) {
        PyErr_Format(PyExc_IndexError, "%s has no entry %zd", view_path(as_view(self)).text.c_str(),
                     i < 0 ? i - n : i);
        return -1;
    }
    return i;
}

PyObject *list_subscript(PyObject *self, PyObject *key) {
    if (PySlice_Check(key)) {
        Py_ssize_t start, stop, step;
        if (PySlice_Unpack(key, &start, &stop, &step) < 0) return nullptr;
        Py_ssize_t n = PySlice_AdjustIndices(list_len(self), &start, &stop, step);
        Ref out(PyList_New(n));
        if (out.get() == nullptr) return nullptr;
        for (Py_ssize_t k = 0; k < n; k++) {
            PyObject *item = list_item(self, start + k * step);
            if (item == nullptr) return nullptr;
            PyList_SET_ITEM(out.get(), k, item);
        }
        return out.release();
    }
    if (!PyIndex_Check(key)) {
        PyErr_Format(PyExc_TypeError, "list indices are integers, not %s", Py_TYPE(key)->tp_name);
        return nullptr;
    }
    Py_ssize_t i = list_index(self, key);
    return i < 0 ? nullptr : list_item(self, i);
}

// Every change of a list's length is one edit: the list (and, for the
// match tags, their PCP entries) changed in the policy's plain tree, read back.
// at: where an entry is inserted (given) or the entries removed (gone, any
// order). Returns the first entry removed, or None; null raised.
PyObject *change_list(ViewObject *v, Py_ssize_t at, PyObject *given, std::vector<Py_ssize_t> gone) {
    PolicyObject *p = v->policy;
    Path path = view_path(v);
    bool tags = compound(v->what).id == f::F::efp_tag;
    if (compound(v->what).id == f::F::efp_tag_pcp) { // its length is the tags'
        PyErr_Format(PyExc_TypeError, "%s has one entry per match tag: set an entry, or change %s",
                     path.text.c_str(), f::path_of(f::F::efp_tag));
        return nullptr;
    }
    try {
        Ref root(write_policy(p->ext, false));
        PyObject *list = walk(root.get(), path, path.n, true);
        Path pcp_path;
        add_field(pcp_path, f::path_of(f::F::efp_tag_pcp));
        PyObject *pcp = tags ? node_at(root.get(), pcp_path, pcp_path.n) : nullptr;
        if (list == nullptr || !PyList_CheckExact(list)) {
            PyErr_Format(PyExc_TypeError, "%s holds a raw value: assign it whole",
                         path.text.c_str());
            return nullptr;
        }
        Ref first(Py_NewRef(Py_None));
        std::sort(gone.begin(), gone.end());
        // Python code run since the indexes were taken may have shortened the list.
        if (!gone.empty() && (gone.front() < 0 || gone.back() >= PyList_GET_SIZE(list))) {
            PyErr_Format(PyExc_IndexError, "%s changed while it was being edited",
                         path.text.c_str());
            return nullptr;
        }
        for (size_t k = gone.size(); k-- > 0;) {
            Py_ssize_t i = gone[k];
            if (k == 0) first.reset(Py_NewRef(PyList_GET_ITEM(list, i)));
            if (PyList_SetSlice(list, i, i + 1, nullptr) != 0) return nullptr;
            if (pcp && i < PyList_GET_SIZE(pcp) && PyList_SetSlice(pcp, i, i + 1, nullptr) != 0)
                return nullptr;
        }
        for (Py_ssize_t k = 0; given && k < PyList_GET_SIZE(given); k++) {
            if (PyList_Insert(list, at + k, PyList_GET_ITEM(given, k)) != 0) return nullptr;
            if (pcp && at + k < PyList_GET_SIZE(pcp)) { // a new tag matches any priority
                Ref any(check(PyUnicode_FromString("any")));
                if (PyList_Insert(pcp, at + k, any.get()) != 0) return nullptr;
            }
        }
        if (commit(p, root.get(), path, false) < 0) return nullptr;
        return first.release();
    } catch (Raised &) {
        return nullptr;
    }
}

// Entries given to a list method, copied before the record is read.
PyObject *entries_given(ViewObject *v, PyObject *values) {
    Ref list(PyList_Check(values) || PyTuple_Check(values) ? Py_NewRef(values) : PyList_New(0));
    if (list.get() == nullptr) return nullptr;
    if (!PyList_Check(values) && !PyTuple_Check(values)) {
        // One past what the list holds at most is enough to refuse: an endless
        // iterator ends there.
        Ref it(PyObject_GetIter(values));
        if (it.get() == nullptr) return nullptr;
        while (PyList_GET_SIZE(list.get()) <= compound(v->what).max) {
            Ref item(PyIter_Next(it.get()));
            if (item.get() == nullptr) {
                if (PyErr_Occurred()) return nullptr;
                break;
            }
            if (PyList_Append(list.get(), item.get()) != 0) return nullptr;
        }
    }
    Path path = view_path(v);
    try {
        return plain(v->policy->state, list.get(), kPolicyDepth, path.text);
    } catch (Raised &) {
        return nullptr;
    }
}

int list_ass_subscript(PyObject *self, PyObject *key, PyObject *value) {
    ViewObject *v = as_view(self);
    if (value == nullptr) { // del l[i], del l[a:b]
        std::vector<Py_ssize_t> gone;
        if (PySlice_Check(key)) {
            Py_ssize_t start, stop, step;
            if (PySlice_Unpack(key, &start, &stop, &step) < 0) return -1;
            Py_ssize_t n = PySlice_AdjustIndices(list_len(self), &start, &stop, step);
            for (Py_ssize_t k = 0; k < n; k++)
                gone.push_back(start + k * step);
        } else {
            Py_ssize_t i = list_index(self, key);
            if (i < 0) return -1;
            gone.push_back(i);
        }
        Ref first(change_list(v, 0, nullptr, std::move(gone)));
        return first.get() ? 0 : -1;
    }
    if (!PyIndex_Check(key)) {
        PyErr_Format(PyExc_TypeError, "%s: set one entry by its index, or assign the whole list",
                     view_path(v).text.c_str());
        return -1;
    }
    Py_ssize_t i = list_index(self, key);
    if (i < 0) return -1;
    Path path = view_path(v);
    path.at(static_cast<size_t>(i));
    return edit(v->policy, path, value);
}

PyObject *list_append(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *value;
    if (!parse(sig::kAppend, args, nargs, kwnames, &value)) return nullptr;
    Ref one(PyTuple_Pack(1, value));
    Ref given(one.get() ? entries_given(as_view(self), one.get()) : nullptr);
    return given.get() ? change_list(as_view(self), list_len(self), given.get(), {}) : nullptr;
}

PyObject *list_extend(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *values;
    if (!parse(sig::kExtend, args, nargs, kwnames, &values)) return nullptr;
    Ref given(entries_given(as_view(self), values));
    return given.get() ? change_list(as_view(self), list_len(self), given.get(), {}) : nullptr;
}

PyObject *list_insert(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[2];
    if (!parse(sig::kInsert, args, nargs, kwnames, a)) return nullptr;
    args = a;
    Py_ssize_t i = PyNumber_AsSsize_t(args[0], PyExc_IndexError);
    if (i == -1 && PyErr_Occurred()) return nullptr;
    Ref one(PyTuple_Pack(1, args[1]));
    Ref given(one.get() ? entries_given(as_view(self), one.get()) : nullptr);
    if (given.get() == nullptr) return nullptr;
    Py_ssize_t n = list_len(self); // as Python's lists: counted from the end, then clamped
    i = i < 0 ? std::max<Py_ssize_t>(i + n, 0) : std::min(i, n);
    return change_list(as_view(self), i, given.get(), {});
}

PyObject *list_pop(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *at;
    if (!parse(sig::kPop, args, nargs, kwnames, &at)) return nullptr;
    Ref last(PyLong_FromLong(-1));
    Py_ssize_t i = list_index(self, at ? at : last.get());
    return i < 0 ? nullptr : change_list(as_view(self), 0, nullptr, {i});
}

// The indexes of the entries equal to value as the record would hold it
// (none when no record can hold it); false raised.
bool matches(PyObject *self, PyObject *value, std::vector<Py_ssize_t> &found) {
    // Made plain first (no Python code runs after this), then compared with the
    // entries as they are: plain numbers, strings and dicts.
    Path at0 = view_path(as_view(self));
    at0.at(0);
    Ref wanted(canonical(as_view(self)->policy, at0, ViewKind::entry, value));
    Ref now(wanted.get() ? view_tree(as_view(self), false) : nullptr);
    if (now.get() == nullptr) return false;
    for (Py_ssize_t i = 0; wanted.get() != Py_None && i < PyList_GET_SIZE(now.get()); i++) {
        int same = PyObject_RichCompareBool(PyList_GET_ITEM(now.get(), i), wanted.get(), Py_EQ);
        if (same < 0) return false;
        if (same) found.push_back(i);
    }
    return true;
}

PyObject *no_such_entry(PyObject *self) {
    PyErr_Format(PyExc_ValueError, "%s holds no such entry", view_path(as_view(self)).text.c_str());
    return nullptr;
}

PyObject *list_remove(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *value;
    std::vector<Py_ssize_t> found;
    if (!parse(sig::kRemove, args, nargs, kwnames, &value) || !matches(self, value, found))
        return nullptr;
    if (found.empty()) return no_such_entry(self);
    Ref first(change_list(as_view(self), 0, nullptr, {found[0]}));
    return first.get() ? Py_NewRef(Py_None) : nullptr;
}

PyObject *list_index_of(PyObject *self, PyObject *const *args, Py_ssize_t nargs,
                        PyObject *kwnames) {
    PyObject *value;
    std::vector<Py_ssize_t> found;
    if (!parse(sig::kIndex, args, nargs, kwnames, &value) || !matches(self, value, found))
        return nullptr;
    return found.empty() ? no_such_entry(self) : PyLong_FromSsize_t(found[0]);
}

PyObject *list_count(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *value;
    std::vector<Py_ssize_t> found;
    if (!parse(sig::kCount, args, nargs, kwnames, &value) || !matches(self, value, found))
        return nullptr;
    return PyLong_FromSize_t(found.size());
}

PyObject *list_clear(PyObject *self, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    if (!parse(sig::kClear, args, nargs, kwnames, nullptr)) return nullptr;
    std::vector<Py_ssize_t> gone;
    for (Py_ssize_t i = 0; i < list_len(self); i++)
        gone.push_back(i);
    Ref first(change_list(as_view(self), 0, nullptr, std::move(gone)));
    return first.get() ? Py_NewRef(Py_None) : nullptr;
}

PyMethodDef list_methods[] = {method(sig::kAppend, list_append),  method(sig::kExtend, list_extend),
                              method(sig::kInsert, list_insert),  method(sig::kPop, list_pop),
                              method(sig::kRemove, list_remove),  method(sig::kClear, list_clear),
                              method(sig::kIndex, list_index_of), method(sig::kCount, list_count),
                              {nullptr, nullptr, 0, nullptr}};

// ---- classes -------------------------------------------------------------------

// The attributes of each class, filled once from the description (types keep
// pointers into them, and into their names).
struct Tables {
    std::array<std::array<PyGetSetDef, f::kFieldCount + 1>, kGroupCount> group{};
    std::array<std::array<PyGetSetDef, 3>, kCompoundCount> entry{};
    std::array<PyGetSetDef, ETH_IF_PLCY_L2PT_PROTOCOLS + 1> l2pt{};
    std::array<PyGetSetDef, 3> protocol{};
    std::array<std::string, kGroupCount + kCompoundCount + 3> names;
    std::array<std::string, 2 * kCompoundCount + ETH_IF_PLCY_L2PT_PROTOCOLS> docs;
};

Tables &tables() {
    static Tables table = [] {
        Tables t;
        size_t doc = 0;
        auto closure = [](size_t n) { return reinterpret_cast<void *>(static_cast<uintptr_t>(n)); };
        for (size_t g = 0; g < kGroupCount; g++) {
            size_t n = 0;
            for (size_t i = 0; i < f::kFieldCount; i++)
                if (kGroupOf[i] == static_cast<int>(g))
                    t.group[g][n++] = {name_of(f::path_of(i)), group_get, group_set, f::about_of(i),
                                       closure(i)};
            t.names[g] = "eth_if_plcy." + class_name(f::kGroups[g], false);
        }
        for (size_t c = 0; c < kCompoundCount; c++) {
            const f::Compound &row = compound(c);
            t.names[kGroupCount + c] = "eth_if_plcy." + class_name(row.path, true);
            if (row.shape != f::Shape::pairs) continue;
            for (int k = 0; k < 2; k++) {
                t.docs[doc] = std::string("The entry's ") + row.keys[k].name + ". " + row.about;
                t.entry[c][k] = {row.keys[k].name, entry_get, entry_set, t.docs[doc++].c_str(),
                                 closure(static_cast<size_t>(k))};
            }
        }
        for (size_t i = 0; i < ETH_IF_PLCY_L2PT_PROTOCOLS; i++) {
            t.docs[doc] = std::string("The setting of ") + f::kL2ptNames[i] +
                          " (None: off; a number: the raw byte).";
            t.l2pt[i] = {f::kL2ptNames[i], l2pt_get, l2pt_set, t.docs[doc++].c_str(), closure(i)};
        }
        t.protocol[0] = {l2pt_row().keys[0].name, protocol_get, protocol_set,
                         "The protocol's mode.", closure(0)};
        t.protocol[1] = {l2pt_row().keys[1].name, protocol_get, protocol_set,
                         "The protocol's EXP value, None where not given.", closure(1)};
        size_t n = kGroupCount + kCompoundCount;
        t.names[n] = std::string("eth_if_plcy.") + kListClass;
        t.names[n + 1] = std::string("eth_if_plcy.") + kL2ptClass;
        t.names[n + 2] = std::string("eth_if_plcy.") + kProtocolClass;
        return t;
    }();
    return table;
}

PyTypeObject *make_type(PyObject *module, const std::string &name, const char *doc,
                        PyGetSetDef *getsets, bool list) {
    std::vector<PyType_Slot> slots = {
        {Py_tp_doc, const_cast<char *>(doc)},
        {Py_tp_dealloc, reinterpret_cast<void *>(view_dealloc)},
        {Py_tp_traverse, reinterpret_cast<void *>(view_traverse)},
        {Py_tp_richcompare, reinterpret_cast<void *>(view_richcompare)},
        {Py_tp_repr, reinterpret_cast<void *>(view_repr)},
        {Py_tp_hash, reinterpret_cast<void *>(PyObject_HashNotImplemented)},
        {Py_mp_subscript, reinterpret_cast<void *>(list ? list_subscript : view_getitem)},
        {Py_mp_ass_subscript, reinterpret_cast<void *>(list ? list_ass_subscript : view_setitem)}};
    if (getsets != nullptr) slots.push_back({Py_tp_getset, getsets});
    if (list) {
        slots.push_back({Py_tp_methods, list_methods});
        slots.push_back({Py_sq_length, reinterpret_cast<void *>(list_len)});
        slots.push_back({Py_sq_item, reinterpret_cast<void *>(list_item)});
    }
    slots.push_back({0, nullptr});
    return add_class(module, name.c_str(), sizeof(ViewObject),
                     Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_IMMUTABLETYPE |
                         Py_TPFLAGS_DISALLOW_INSTANTIATION,
                     slots.data());
}

} // namespace

PyObject *new_view(PolicyObject *p, ViewKind kind, size_t what, size_t index) {
    State *st = p->state;
    PyTypeObject *type = kind == ViewKind::group   ? st->group[what]
                         : kind == ViewKind::entry ? st->entry[what]
                         : kind == ViewKind::list  ? st->list
                         : kind == ViewKind::l2pt  ? st->l2pt
                                                   : st->protocol;
    ViewObject *v = PyObject_GC_New(ViewObject, type);
    if (v == nullptr) return nullptr;
    v->policy = reinterpret_cast<PolicyObject *>(Py_NewRef(reinterpret_cast<PyObject *>(p)));
    v->kind = kind;
    v->what = static_cast<uint8_t>(what);
    v->index = static_cast<uint8_t>(index);
    PyObject_GC_Track(v);
    return reinterpret_cast<PyObject *>(v);
}

PyObject *field_value(PolicyObject *p, size_t i) {
    const Ext &e = p->ext;
    if (i >= f::kScalarCount) { // a list or the L2PT object: a view even when absent (empty)
        const f::Compound &row = compound(i - f::kScalarCount);
        if (row.shape == f::Shape::l2pt) return new_view(p, ViewKind::l2pt, i - f::kScalarCount, 0);
        if (!row.derived && (row.shape == f::Shape::pairs || row.shape == f::Shape::list))
            return new_view(p, ViewKind::list, i - f::kScalarCount, 0);
    }
    if (!f::present(i, e)) Py_RETURN_NONE;
    if (i < f::kScalarCount) return number(f::kScalars[i].get(e), *f::kScalars[i].domain);
    size_t c = i - f::kScalarCount;
    const f::Compound &row = compound(c);
    // A derived field is a number, or a tuple of them (per tag).
    if (row.shape == f::Shape::count) return PyLong_FromUnsignedLongLong(row.access.get(e, 0, -1));
    if (row.derived) {
        auto n = static_cast<Py_ssize_t>(row.access.entries(e));
        PyObject *t = PyTuple_New(n);
        for (Py_ssize_t k = 0; t != nullptr && k < n; k++) {
            PyObject *v =
                PyLong_FromUnsignedLongLong(row.access.get(e, static_cast<size_t>(k), -1));
            if (v == nullptr)
                Py_CLEAR(t);
            else
                PyTuple_SET_ITEM(t, k, v);
        }
        return t;
    }
    if (row.shape == f::Shape::l2pt) return new_view(p, ViewKind::l2pt, c, 0);
    if (row.shape != f::Shape::mac) return new_view(p, ViewKind::list, c, 0);
    WriteTree tree{false};
    try {
        return f::Writer<WriteTree>(tree).compound(e, row);
    } catch (Raised &) {
        return nullptr;
    }
}

PyObject *group_value(PolicyObject *p, size_t g) {
    return new_view(p, ViewKind::group, g, 0);
}

bool group_present(const PolicyObject *p, size_t g) {
    for (size_t i = 0; i < f::kFieldCount; i++)
        if (kGroupOf[i] == static_cast<int>(g) && f::present(i, p->ext)) return true;
    return false;
}

Path field_path(size_t i) {
    Path path;
    add_field(path, f::path_of(i));
    return path;
}

int set_field(PolicyObject *p, size_t i, PyObject *value) {
    if (i >= f::kScalarCount) {
        const f::Compound &row = compound(i - f::kScalarCount);
        if (row.derived) {
            PyErr_Format(PyExc_AttributeError, "%s follows from %s: set that instead", row.path,
                         row.counts ? row.counts : f::path_of(f::F::efp_ranges));
            return -1;
        }
    }
    return edit(p, field_path(i), value);
}

int edit(PolicyObject *p, const Path &path, PyObject *value) {
    State *st = p->state;
    try {
        // The value is copied before the record is read: copying may run Python code.
        Ref v(value != nullptr && value != Py_None ? plain(st, value, kPolicyDepth, path.text)
                                                   : nullptr);
        bool removing = v.get() == nullptr;
        Ref root(write_policy(p->ext, false));
        const Step &last = path.steps[path.n - 1];
        PyObject *node = walk(root.get(), path, path.n - 1, false);
        if (node == nullptr || last.key.empty()) { // an entry of a list
            if (node == nullptr || !PyList_CheckExact(node) ||
                last.index >= static_cast<size_t>(PyList_GET_SIZE(node))) {
                PyErr_Format(PyExc_IndexError, "%s is no longer in the policy",
                             path.text.substr(0, path.text.find(']') + 1).c_str());
                return -1;
            }
            PyList_SetItem(node, static_cast<Py_ssize_t>(last.index),
                           v.get() ? v.release() : Py_NewRef(Py_None));
        } else {
            if (node == nullptr || !PyDict_CheckExact(node)) {
                PyErr_Format(PyExc_TypeError, "%s holds a raw value: assign it whole",
                             path.text.c_str());
                return -1;
            }
            Ref key(check(PyUnicode_FromStringAndSize(last.key.data(),
                                                      static_cast<Py_ssize_t>(last.key.size()))));
            if (v.get() != nullptr) {
                if (PyDict_SetItem(node, key.get(), v.get()) != 0) return -1;
            } else if (PyDict_DelItem(node, key.get()) != 0) {
                if (!PyErr_ExceptionMatches(PyExc_KeyError)) return -1;
                PyErr_Clear();
            }
        }
        return commit(p, root.get(), path, removing);
    } catch (Raised &) {
        return -1;
    }
}

bool is_view(State *st, PyObject *o) {
    PyTypeObject *t = Py_TYPE(o);
    if (t == st->list || t == st->l2pt || t == st->protocol) return true;
    for (PyTypeObject *g : st->group)
        if (t == g) return true;
    for (PyTypeObject *e : st->entry)
        if (t == e && e != nullptr) return true;
    return false;
}

PyObject *view_tree(ViewObject *v, bool hex_strings) {
    try {
        Ref root(write_policy(v->policy->ext, hex_strings));
        return held_at(root.get(), view_path(v), v->kind);
    } catch (Raised &) {
        return nullptr;
    }
}

int add_view_types(PyObject *module, State *st) {
    Tables &t = tables();
    for (size_t g = 0; g < kGroupCount; g++)
        if ((st->group[g] = make_type(module, t.names[g],
                                      "A group of a policy's fields, read and written in place.",
                                      t.group[g].data(), false)) == nullptr)
            return -1;
    for (size_t c = 0; c < kCompoundCount; c++)
        if (compound(c).shape == f::Shape::pairs &&
            (st->entry[c] = make_type(module, t.names[kGroupCount + c], compound(c).about,
                                      t.entry[c].data(), false)) == nullptr)
            return -1;
    size_t n = kGroupCount + kCompoundCount;
    if ((st->list = make_type(module, t.names[n],
                              "A list of a policy, read and changed in place as a Python list "
                              "(append, extend, insert, pop, remove, clear, del); each change is "
                              "one edit of the record, refused as a whole.",
                              nullptr, true)) == nullptr ||
        (st->l2pt = make_type(module, t.names[n + 1], l2pt_row().about, t.l2pt.data(), false)) ==
            nullptr ||
        (st->protocol = make_type(module, t.names[n + 2], "One L2PT protocol's setting.",
                                  t.protocol.data(), false)) == nullptr)
        return -1;
    return 0;
}

} // namespace pyplcy

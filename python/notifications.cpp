// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// notifications(a, b): two dumps of records with their identity (envelopes,
// as ethplcy diff --gnmi reads them) as the gNMI notifications that turn the
// first's state into the second's, each a dict of the protobuf JSON mapping.
#include <set>

#include "binding.hpp"
#include "gnmi.hpp"

namespace pyplcy {

namespace g = eth_if_plcy::gnmi;

namespace {

// One envelope into the state; false with an error raised.
bool take(State *st, PyObject *env, const char *side, g::State &state, std::set<g::Id> &seen) {
    auto fail = [&](const char *why) {
        PyErr_Format(PyExc_ValueError, "%s: %s", side, why);
        return false;
    };
    if (!PyDict_Check(env)) return fail("each envelope is a dict");
    PyObject *name = PyDict_GetItemString(env, "name");
    PyObject *index = PyDict_GetItemString(env, "index");
    PyObject *record = PyDict_GetItemString(env, "record");
    PyObject *policy = PyDict_GetItemString(env, "policy");
    PyObject *deleted = PyDict_GetItemString(env, "deleted");
    PyObject *net = PyDict_GetItemString(env, "net");
    Py_ssize_t known = (name != nullptr) + (index != nullptr) + (record != nullptr) +
                       (policy != nullptr) + (deleted != nullptr) + (net != nullptr);
    if (known != PyDict_Size(env))
        return fail("an envelope has name, index, record, policy, deleted and net only");
    if (name == nullptr) return fail("\"name\" is the interface's name");
    g::Id id;
    if (!interface_name(name, id.name)) return false;
    if (index != nullptr) {
        unsigned long long v = PyLong_Check(index) && !PyBool_Check(index)
                                   ? PyLong_AsUnsignedLongLong(index)
                                   : static_cast<unsigned long long>(-1);
        if (v > UINT32_MAX) {
            PyErr_Clear();
            return fail("\"index\" is a sub-interface index, 0 to 4294967295");
        }
        id.index = static_cast<int64_t>(v);
    }
    if ((record != nullptr) + (policy != nullptr) + (deleted != nullptr) != 1)
        return fail("an envelope holds one of record, policy and deleted");
    // One entry per identity in a dump, a deletion included: which would win is a guess.
    if (!seen.insert(id).second) return fail("a record given twice");
    if (deleted != nullptr) {
        if (deleted != Py_True) return fail("\"deleted\" is True");
        state.erase(id);
        return true;
    }
    Ref owned;
    if (policy == nullptr) {
        Ref bytes(PyUnicode_Check(record)
                      ? PyObject_CallMethod(reinterpret_cast<PyObject *>(&PyBytes_Type), "fromhex",
                                            "O", record)
                      : Py_NewRef(record));
        if (bytes.get() == nullptr) return false;
        Py_buffer view;
        if (PyObject_GetBuffer(bytes.get(), &view, PyBUF_SIMPLE) != 0) return false;
        int as_net = flag(net, false, "net");
        uint32_t size = 0;
        if (as_net >= 0)
            owned.reset(checked_decode(st, st->policy, static_cast<const uint8_t *>(view.buf),
                                       static_cast<size_t>(view.len), as_net != 0,
                                       ETH_IF_PLCY_ALL_FIELDS, 0, &size));
        PyBuffer_Release(&view);
        if (owned.get() == nullptr) return false;
        policy = owned.get();
    }
    if (!PyObject_TypeCheck(policy, st->policy))
        return fail("\"policy\" is a Policy (Policy.from_dict makes one of a dict)");
    const auto *p = reinterpret_cast<PolicyObject *>(policy);
    if (const char *why = g::identity_refusal(id, p->ext)) return fail(why);
    if (!state.emplace(id, g::leaves(p->ext, id.sub())).second) return fail("a record given twice");
    return true;
}

bool read(State *st, PyObject *dump, const char *side, g::State &state) {
    Ref it(PyObject_GetIter(dump));
    if (it.get() == nullptr) return false;
    std::set<g::Id> seen;
    while (PyObject *item = PyIter_Next(it.get())) {
        Ref env(item);
        if (!take(st, env.get(), side, state, seen)) return false;
    }
    return !PyErr_Occurred();
}

} // namespace

PyObject *notifications(PyObject *m, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
    PyObject *a[3];
    if (!parse(sig::kNotifications, args, nargs, kwnames, a)) return nullptr;
    auto *st = static_cast<State *>(PyModule_GetState(m));
    unsigned long long stamp = a[2] == nullptr ? 0 : PyLong_AsUnsignedLongLong(a[2]);
    if (PyErr_Occurred() || stamp > static_cast<unsigned long long>(INT64_MAX)) {
        PyErr_Clear();
        PyErr_SetString(PyExc_ValueError, "timestamp is nanoseconds since the epoch, an int >= 0");
        return nullptr;
    }
    g::State first, second;
    if (!read(st, a[0], "a", first) || !read(st, a[1], "b", second)) return nullptr;
    Ref json(PyImport_ImportModule("json"));
    Ref out(PyList_New(0));
    if (json.get() == nullptr || out.get() == nullptr) return nullptr;
    for (const g::Notification &n : g::notifications(first, second)) {
        Ref d(PyObject_CallMethod(json.get(), "loads", "s", g::to_json(n, stamp).c_str()));
        if (d.get() == nullptr || PyList_Append(out.get(), d.get()) != 0) return nullptr;
    }
    return out.release();
}

} // namespace pyplcy

// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// The Python binding's native part: thin calls into the C++ layer, with the
// tool's JSON reader and writer as the one description of a policy's shape.
// Every call returns (status, value, detail): the Python side raises.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "tool.hpp"

namespace py = pybind11;
using eth_if_plcy::Record;
using eth_if_plcy::Status;

namespace {

constexpr uint32_t kJsonError = 1; // not a library status: the JSON itself is wrong

// A bytes-like object's bytes, read in place.
std::span<const uint8_t> view(const py::buffer &data) {
    py::buffer_info info = data.request();
    if (info.ndim != 1 || info.strides[0] != info.itemsize)
        throw py::value_error("record bytes must be a contiguous byte buffer");
    return {static_cast<const uint8_t *>(info.ptr), static_cast<size_t>(info.size * info.itemsize)};
}

py::tuple refused(const eth_if_plcy::Verdict &v) {
    return py::make_tuple(static_cast<uint32_t>(v.status), v.reason, v.offset);
}

// The record in host order, or why it was refused.
eth_if_plcy::Verdict load(const py::buffer &data, bool net, Record &rec) {
    return Record::from_bytes(view(data), rec, net ? ETH_IF_PLCY_VALIDATE_NET : 0);
}

py::bytes as_bytes(std::span<const uint8_t> b) {
    return py::bytes(reinterpret_cast<const char *>(b.data()), b.size());
}

py::tuple validate(const py::buffer &data, bool net) {
    return refused(eth_if_plcy::validate(view(data), net ? ETH_IF_PLCY_VALIDATE_NET : 0));
}

py::tuple decode(const py::buffer &data, uint32_t fields, bool net) {
    Record rec;
    if (auto v = load(data, net, rec); !v) return refused(v);
    eth_if_plcy_ext_t ext;
    auto s = eth_if_plcy::decode(rec, ext, fields);
    if (s != Status::ok) return py::make_tuple(static_cast<uint32_t>(s), "decode refused", 0);
    return py::make_tuple(0u, ethplcy_tool::ext_to_json(ext, true), 0);
}

bool read_json(const std::string &json, eth_if_plcy_ext_t &ext, std::string &error) {
    try {
        ethplcy_tool::ext_from_json(json, ext);
        return true;
    } catch (const ethplcy_tool::Failure &f) {
        error = f.what();
        return false;
    }
}

py::tuple encode(const std::string &json, bool tag_ranges) {
    eth_if_plcy_ext_t ext;
    std::string error;
    if (!read_json(json, ext, error)) return py::make_tuple(kJsonError, error, "");
    uint32_t options = tag_ranges ? ETH_IF_PLCY_ENCODE_TAG_RANGES : 0;
    if (auto v = eth_if_plcy::ext_validate(ext, options); !v)
        return py::make_tuple(static_cast<uint32_t>(v.status), v.reason, v.field);
    Record rec;
    auto s = eth_if_plcy::encode(ext, rec, options);
    if (s != Status::ok) return py::make_tuple(static_cast<uint32_t>(s), to_string(s), "");
    return py::make_tuple(0u, as_bytes(rec.bytes()), "");
}

// The tool's JSON of a policy as written after reading it: its one canonical shape.
py::tuple normalize(const std::string &json) {
    eth_if_plcy_ext_t ext;
    std::string error;
    if (!read_json(json, ext, error)) return py::make_tuple(kJsonError, error, "");
    return py::make_tuple(0u, ethplcy_tool::ext_to_json(ext, true), "");
}

py::tuple ext_render(const std::string &json, bool compact) {
    eth_if_plcy_ext_t ext;
    std::string error;
    if (!read_json(json, ext, error)) return py::make_tuple(kJsonError, error, "");
    return py::make_tuple(0u, eth_if_plcy::ext_print(ext, compact ? ETH_IF_PLCY_PRINT_COMPACT : 0),
                          "");
}

// hton of a host image or ntoh of a network image, each checked in its own order.
py::tuple convert(const py::buffer &data, bool to_net) {
    Record rec;
    if (auto v = load(data, !to_net, rec); !v) return refused(v);
    auto bytes = rec.bytes(); // in host order, sized before hton
    if (to_net) (void)eth_if_plcy::hton(rec);
    return py::make_tuple(0u, as_bytes(bytes), 0);
}

py::tuple render(const py::buffer &data, uint32_t layout, bool net) {
    Record rec;
    if (auto v = load(data, net, rec); !v) return refused(v);
    return py::make_tuple(0u, eth_if_plcy::print(rec, layout), 0);
}

py::tuple diff(const py::buffer &a, const py::buffer &b, bool net) {
    Record first, second;
    if (auto v = load(a, net, first); !v) return refused(v);
    if (auto v = load(b, net, second); !v) return refused(v);
    return py::make_tuple(0u, eth_if_plcy::field_names(eth_if_plcy::compare(first, second)), 0);
}

} // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "Native part of eth_if_plcy; use the eth_if_plcy package.";
    m.attr("JSON_ERROR") = kJsonError;
    m.def("lib_version", [] { return std::string(eth_if_plcy_lib_version()); });
    m.def("status_str", [](uint32_t s) { return std::string(eth_if_plcy_status_str(s)); });
    m.def("validate", &validate);
    m.def("decode", &decode);
    m.def("encode", &encode);
    m.def("normalize", &normalize);
    m.def("ext_render", &ext_render);
    m.def("convert", &convert);
    m.def("render", &render);
    m.def("diff", &diff);
}

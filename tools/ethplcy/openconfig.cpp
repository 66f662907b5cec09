// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// openconfig: a policy as one interface's OpenConfig configuration and back,
// through the OpenConfig mapping (openconfig/openconfig.hpp) over jansson.
#include <memory>

#include "jansson_tree.hpp"
#include "openconfig.hpp"
#include "tool.hpp"

namespace ethplcy_tool {
namespace {

namespace oc = eth_if_plcy::oc;
using Json = std::unique_ptr<json_t, decltype(&json_decref)>;

std::string dump(json_t *v, bool one_line) {
    std::unique_ptr<char, decltype(&free)> text(
        json_dumps(v, JSON_PRESERVE_ORDER | (one_line ? JSON_COMPACT : JSON_INDENT(2))), free);
    if (!text) throw Failure("out of memory");
    return std::string(text.get()) + "\n";
}

} // namespace

std::string ext_to_openconfig(const eth_if_plcy_ext_t &ext, const std::string &name, int64_t index,
                              bool one_line, std::vector<std::string> &notes) {
    JanssonWriteTree tree;
    oc::Writer<JanssonWriteTree> writer(tree);
    json_t *out = nullptr;
    if (!writer.write(ext, name, index, out)) throw Failure(writer.refusal());
    Json root(out, json_decref);
    notes = writer.notes();
    return dump(root.get(), one_line);
}

// JSON (an object) is read as OpenConfig, which says when it is not.
bool is_openconfig(const std::string &text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string::npos && text[first] == '{';
}

std::string openconfig_to_policy(const std::string &text, const std::string &name, int64_t index,
                                 std::vector<std::string> &notes, bool strict) {
    json_error_t error;
    Json root(json_loadb(text.data(), text.size(), JSON_REJECT_DUPLICATES, &error), json_decref);
    if (!root)
        throw NotJson("bad JSON at line " + std::to_string(error.line) + ", column " +
                      std::to_string(error.column) + ": " + error.text);
    JanssonTree in;
    JanssonWriteTree out;
    oc::Reader<JanssonTree, JanssonWriteTree> reader(in, out, strict);
    json_t *policy = nullptr;
    bool ok = reader.read(root.get(), name, index, policy);
    Json held(policy, json_decref);
    if (!ok) throw Failure(reader.refusal());
    notes = reader.notes();
    return dump(policy, true);
}

} // namespace ethplcy_tool

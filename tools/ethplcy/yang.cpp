// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// yang: the YANG 1.1 module of the policy (eth-if-plcy), made from the field
// description, and the policy's instance data in it (RFC 7951 JSON).
//
// The module describes what `show --yang` writes and `encode` reads: one
// container, "eth-if-plcy:policy", shaped as the policy JSON. It is state
// data (config false): the lists of tags and ranges are ordered and keyless,
// as the record holds them. Each leaf's range is what the record can hold,
// so that every record the tool shows is valid instance data; the narrower
// range encode checks is in its description. Words are enumerations (in a
// union with the number); hexadecimal fields are strings of "0x" and digits.
// Dependencies the record keeps (EFP fields with efp.configured, the
// provisioning details with is_provisioned, a MAC match with its check
// flag) are `when`; the interface-class rules are `must`, and the tool
// refuses to write a policy that breaks them.
// Two things differ from the policy JSON: an L2PT protocol held as a raw
// byte is {"byte": n}, and an EXP that is not given is left out (no null).
#include <jansson.h>

#include <memory>

#include "gnmi.hpp"
#include "policy_check.hpp"
#include "tool.hpp"

namespace ethplcy_tool {

namespace {

namespace f = eth_if_plcy::fields;
using Json = std::unique_ptr<json_t, decltype(&json_decref)>;

constexpr const char *kModule = "eth-if-plcy";
constexpr const char *kTop = kYangTop;

// One revision per release, newest first.
struct Revision {
    const char *date, *release, *what;
};
constexpr Revision kRevisions[] = {
    {"2026-12-06", "0.2.0", "The policy as state data, from the field description."}};
static_assert(std::string_view(kRevisions[0].release) == ETH_IF_PLCY_VERSION_STRING,
              "each release adds its revision of the YANG module");
// The OpenConfig augmentation's (eth-if-plcy-oc).
constexpr Revision kOcRevisions[] = {
    {"2026-12-07", "0.2.0", "The policy's fields beside OpenConfig's, for gNMI paths."}};
static_assert(std::string_view(kOcRevisions[0].release) == ETH_IF_PLCY_VERSION_STRING,
              "each release adds its revision of the augmentation");

std::string quoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s)
        out += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

class Text {
  public:
    void line(const std::string &s) { out_ += std::string(2 * depth_, ' ') + s + "\n"; }
    void open(const std::string &s) {
        line(s + " {");
        depth_++;
    }
    void close() {
        depth_--;
        line("}");
    }
    const std::string &str() const { return out_; }

  private:
    std::string out_;
    int depth_ = 0;
};

std::string hex(uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(v));
    return text;
}

// The type of a number the record holds: its width's range, hexadecimal
// fields as strings, and its words.
void type(Text &y, const f::Domain &d) {
    auto words = f::words_of(d.words);
    if (!words.empty()) {
        y.open("type union");
        y.open("type enumeration");
        for (const f::Word &w : words) {
            y.open(std::string("enum ") + w.word);
            y.line("value " + std::to_string(w.value) + ";");
            y.close();
        }
        y.close();
    }
    if (d.style == f::Style::dec) {
        unsigned bits = d.wide <= 0xFF ? 8 : d.wide <= 0xFFFF ? 16 : d.wide <= UINT32_MAX ? 32 : 64;
        bool full = d.wide == (bits == 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1);
        if (full) {
            y.line("type uint" + std::to_string(bits) + ";");
        } else {
            y.open("type uint" + std::to_string(bits));
            y.line("range \"0.." + std::to_string(d.wide) + "\";");
            y.close();
        }
    } else {
        int n = f::hex_digits(d.style);
        y.open("type string");
        y.line("pattern '0[xX]0{0," + std::to_string(16 - n) + "}[0-9a-fA-F]{1," +
               std::to_string(n) + "}';");
        y.close();
    }
    if (!words.empty()) y.close();
}

std::string checked(const f::Domain &d) {
    if (d.lo == 0 && d.hi == d.wide) return "";
    std::string lo = d.style == f::Style::dec ? std::to_string(d.lo) : hex(d.lo);
    std::string hi = d.style == f::Style::dec ? std::to_string(d.hi) : hex(d.hi);
    return " Encode checks " + lo + "-" + hi + (d.words != f::Words::none ? " or a word" : "") +
           "; other values come only from records.";
}

// The XPath from the leaf of one policy path ("efp.native") to another's:
// within a group, a sibling; otherwise up to the policy and down.
std::string relative(std::string_view from, std::string_view to) {
    size_t dot = from.find('.');
    std::string_view group = from.substr(0, dot == std::string_view::npos ? 0 : dot + 1);
    if (!group.empty() && to.starts_with(group)) return "../" + std::string(to.substr(dot + 1));
    std::string out = group.empty() ? "../" : "../../";
    for (char c : to)
        out += c == '.' ? '/' : c;
    return out;
}

// The condition a dependency puts on the field at a path: each flag it
// needs, outermost first, is 1.
std::string when(f::Dep dep, std::string_view from) {
    if (dep == f::Dep::none) return "";
    f::Needs n = f::needs_of(dep);
    std::string outer = when(n.within, from);
    return (outer.empty() ? "" : outer + " and ") + relative(from, n.field) + " = 1";
}

// "../../ether_if_type = 2 or ../../ether_if_type = 'ether.sub' or ..." for
// the types of a class: the union leaf holds a number or a name.
std::string types(uint32_t set, std::string_view from) {
    std::string leaf = relative(from, f::path_of(f::F::ether_if_type)), out;
    for (unsigned t = 0; t < 32; t++)
        if (set >> t & 1u) {
            out += (out.empty() ? "" : " or ") + leaf + " = " + std::to_string(t);
            if (const char *w = f::word_of(f::Words::iftype, t))
                out += " or " + leaf + " = '" + w + "'";
        }
    return out;
}

// The class rules a field of a class is under, as must.
void rules(Text &y, const f::Scalar &s) {
    for (const f::Exclusion &x : f::kExclusions) {
        if (x.fields != s.cls) continue;
        std::string other;
        if (x.by_type) other = types(f::class_types(x.other), s.path);
        for (const f::Scalar &o : f::kScalars)
            if (!x.by_type && o.cls == x.other)
                other += (other.empty() ? "" : " or ") + relative(s.path, o.path);
        y.open("must " + quoted("not(" + other + ")"));
        y.line("error-message " + quoted(x.rule->reason) + ";");
        y.close();
    }
}

void common(Text &y, f::Dep dep, std::string_view path, const std::string &about) {
    if (std::string w = when(dep, path); !w.empty()) y.line("when " + quoted(w) + ";");
    y.line("description " + quoted(about) + ";");
}

void field(Text &y, size_t i, bool in_group) {
    std::string_view path = f::path_of(i);
    std::string name(in_group ? path.substr(path.find('.') + 1) : path);
    std::string about = f::about_of(i);
    if (i < f::kScalarCount) {
        const f::Scalar &s = f::kScalars[i];
        y.open("leaf " + name);
        type(y, *s.domain);
        rules(y, s);
        common(y, s.dep, path, about + checked(*s.domain));
        y.close();
        return;
    }
    const f::Compound &c = f::kCompounds[i - f::kScalarCount];
    switch (c.shape) {
    case f::Shape::mac:
        y.open("leaf " + name);
        y.open("type string");
        y.line("pattern '[0-9a-fA-F]{2}(:[0-9a-fA-F]{2}){5}';");
        y.close();
        break;
    case f::Shape::count:
        y.open("leaf " + name);
        type(y, *c.domain);
        break;
    case f::Shape::list:
        y.open("leaf-list " + name);
        type(y, *c.domain);
        y.line("max-elements " + std::to_string(c.max) + ";");
        y.line("ordered-by user;");
        break;
    case f::Shape::pairs:
        y.open("list " + name);
        y.line("max-elements " + std::to_string(c.max) + ";");
        y.line("ordered-by user;");
        for (const f::Key &k : c.keys) {
            y.open(std::string("leaf ") + k.name);
            type(y, *k.domain);
            y.line("mandatory true;");
            y.close();
        }
        for (const f::OrderedPair &o : f::kOrderedPairs)
            if (o.field == c.id) {
                y.open("must " + quoted(std::string(c.keys[0].name) + " <= " + c.keys[1].name));
                y.line("error-message " + quoted(o.rule->reason) + ";");
                y.close();
            }
        break;
    case f::Shape::l2pt:
        y.open("container " + name);
        for (const char *p : f::kL2ptNames) {
            y.open(std::string("container ") + p);
            y.open("choice setting");
            y.open("case words");
            y.open(std::string("leaf ") + c.keys[0].name);
            type(y, *c.keys[0].domain);
            y.line("mandatory true;");
            y.close();
            y.open(std::string("leaf ") + c.keys[1].name);
            type(y, *c.keys[1].domain);
            y.line("description \"Left out: no EXP value given.\";");
            y.close();
            y.close();
            y.open("leaf byte");
            type(y, *c.domain);
            y.line("description \"The byte as the record holds it: an EXP value without its "
                   "given bit has no words.\";");
            y.close();
            y.close();
            y.line("description " + quoted(std::string("The setting of ") + p + ".") + ";");
            y.close();
        }
        break;
    }
    common(y, c.dep, path, about);
    y.close();
}

// The policy JSON's L2PT object in the module's shape, or back.
void l2pt_to_yang(json_t *policy, bool back) {
    json_t *l2pt = json_object_get(policy, f::path_of(f::F::l2pt));
    const char *name;
    json_t *v;
    json_object_foreach(l2pt, name, v) {
        if (!back && json_is_integer(v)) {
            json_object_set_new(l2pt, name, json_pack("{s:O}", "byte", v));
        } else if (!back && json_is_null(json_object_get(v, "exp"))) {
            json_object_del(v, "exp");
        } else if (back && json_object_get(v, "byte") && json_object_size(v) == 1) {
            json_object_set(l2pt, name, json_object_get(v, "byte"));
        }
    }
}

// A module's statements before its data: name, namespace, prefix, imports
// (module and prefix), what it is and its revisions.
void header(Text &y, const char *module, const char *prefix,
            std::initializer_list<std::pair<const char *, const char *>> imports, const char *about,
            std::span<const Revision> revisions) {
    y.open(std::string("module ") + module);
    y.line("yang-version 1.1;");
    y.line(std::string("namespace \"urn:eth-if-plcy:yang:") + module + "\";");
    y.line(std::string("prefix ") + prefix + ";");
    for (const auto &[name, as] : imports) {
        y.open(std::string("import ") + name);
        y.line(std::string("prefix ") + as + ";");
        y.close();
    }
    y.line("organization \"The eth_if_plcy developers\";");
    y.line("contact \"maintainers@eth-if-plcy.org\";");
    y.line("description " + quoted(about) + ";");
    for (const Revision &r : revisions) {
        y.open(std::string("revision ") + r.date);
        y.line("description " + quoted(std::string("Release ") + r.release + ": " + r.what) + ";");
        y.close();
    }
}

} // namespace

std::string policy_yang() {
    Text y;
    header(y, kModule, "eip", {},
           "The Ethernet interface policy of the Layer 2 infrastructure, as ethplcy shows it (show "
           "--yang) and encode reads it: written from the library's description of the policy's "
           "fields.",
           kRevisions);
    // The fields as a grouping, which the OpenConfig augmentation uses too.
    y.open("grouping policy-fields");
    y.line("description \"The fields of one interface's policy record.\";");
    for (size_t i = 0; i < f::kFieldCount; i++)
        if (std::string_view(f::path_of(i)).find('.') == std::string_view::npos) field(y, i, false);
    for (const char *g : f::kGroups) {
        y.open(std::string("container ") + g);
        for (size_t i = 0; i < f::kFieldCount; i++) {
            std::string_view p = f::path_of(i);
            if (p.size() > std::strlen(g) && p.starts_with(g) && p[std::strlen(g)] == '.')
                field(y, i, true);
        }
        y.line("description " + quoted(std::string("The ") + g + " fields.") + ";");
        y.close();
    }
    y.close();
    y.open("container policy");
    y.line("config false;");
    y.line("description \"One interface's policy record.\";");
    y.line("uses policy-fields;");
    y.close();
    y.close();
    return y.str();
}

std::string policy_yang_openconfig() {
    namespace g = eth_if_plcy::gnmi;
    Text y;
    header(y, g::kModule, "eipoc", {{"openconfig-interfaces", "oc-if"}, {kModule, "eip"}},
           "The policy's fields that OpenConfig does not hold at an interface's or a "
           "sub-interface's own level, beside its leaves, as ethplcy diff --gnmi writes their "
           "paths (a field OpenConfig holds is not written here).",
           kOcRevisions);
    for (const char *at :
         {"/oc-if:interfaces/oc-if:interface",
          "/oc-if:interfaces/oc-if:interface/oc-if:subinterfaces/oc-if:subinterface"}) {
        y.open("augment " + quoted(at));
        y.open(std::string("container ") + g::kContainer);
        y.line("description \"The record's fields that OpenConfig does not hold here.\";");
        // The configuration and the applied configuration, as OpenConfig's
        // config and state containers.
        y.open(std::string("container ") + g::kTrees[0]);
        y.line("description \"The policy as configured.\";");
        y.open("uses eip:policy-fields");
        // A configuration list needs a key and a leaf-list unique values: the
        // record's ordered lists have neither, so they are state in both trees.
        for (size_t i = f::kScalarCount; i < f::kFieldCount; i++) {
            f::Shape shape = f::kCompounds[i - f::kScalarCount].shape;
            if (shape != f::Shape::list && shape != f::Shape::pairs) continue;
            std::string path = f::path_of(i);
            std::replace(path.begin(), path.end(), '.', '/');
            y.open("refine " + quoted(path));
            y.line("config false;");
            y.close();
        }
        y.close();
        y.close();
        y.open(std::string("container ") + g::kTrees[1]);
        y.line("config false;");
        y.line("description \"The policy as applied.\";");
        y.line("uses eip:policy-fields;");
        y.close();
        y.close();
        y.close();
    }
    y.close();
    return y.str();
}

std::string ext_to_rfc7951(const eth_if_plcy_ext_t &ext, bool one_line) {
    if (auto v = f::detail::classes(ext); !v.ok())
        throw Failure(refusal(ext, v) + " (the YANG module's class rules)");
    if (auto v = f::detail::modelled(ext); !v.ok())
        throw Failure(refusal(ext, v) + " (the YANG module's must)");
    std::string text = ext_to_json(ext, true);
    Json policy(json_loads(text.c_str(), 0, nullptr), json_decref);
    if (!policy) throw Failure("out of memory");
    l2pt_to_yang(policy.get(), false);
    Json top(json_pack("{s:O}", kTop, policy.get()), json_decref);
    char *out =
        json_dumps(top.get(), JSON_PRESERVE_ORDER | (one_line ? JSON_COMPACT : JSON_INDENT(2)));
    if (out == nullptr) throw Failure("out of memory");
    std::string s = std::string(out) + "\n";
    std::free(out);
    return s;
}

bool rfc7951_policy(std::string &text) {
    if (text.find(kTop) == std::string::npos) return false;
    Json root(json_loadb(text.data(), text.size(), JSON_REJECT_DUPLICATES, nullptr), json_decref);
    json_t *policy = json_object_get(root.get(), kTop);
    if (policy == nullptr || json_object_size(root.get()) != 1 || !json_is_object(policy))
        return false;
    l2pt_to_yang(policy, true);
    char *out = json_dumps(policy, JSON_PRESERVE_ORDER | JSON_COMPACT);
    if (out == nullptr) throw Failure("out of memory");
    text = out;
    std::free(out);
    return true;
}

} // namespace ethplcy_tool

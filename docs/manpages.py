# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""Section-3 manual pages from the public headers' own doc comments.

Reads Doxygen's XML and writes (uncompressed: packagers compress them):
  - a page per documented C function and per public type, named after it
    (eth_if_plcy_encode.3): synopsis with its header, description,
    arguments, return value, errors, thread safety, see also;
  - a page per C header (ether_interface_policy_api.h.3) listing its
    functions, types and constants;
  - one page for the C++ layer (eth_if_plcy.hpp.3).

    manpages.py XML_DIR INCLUDE_DIR OUT_DIR VERSION
"""
import os
import re
import sys
import xml.etree.ElementTree as ET

MANUAL = "eth_if_plcy manual"
LINK = "Link with \\fB\\-leth_if_plcy\\fP (\\fBpkg\\-config eth_if_plcy\\fP)."


def esc(text):
    """Text safe inside a roff line."""
    return text.replace("\\", "\\e").replace("-", "\\-")


def inline(node):
    """A description node's text, with bold and italics as roff escapes."""
    out = [esc(node.text or "")]
    for child in node:
        if child.tag in ("parameterlist", "simplesect", "itemizedlist", "orderedlist",
                         "programlisting"):
            pass  # block items: see blocks()
        elif child.tag in ("bold", "computeroutput"):
            out.append("\\fB" + inline(child) + "\\fP")
        elif child.tag == "emphasis":
            out.append("\\fI" + inline(child) + "\\fP")
        elif child.tag == "linebreak":
            out.append("\n.br\n")
        else:
            out.append(inline(child))
        out.append(esc(child.tail or ""))
    return "".join(out)


def para_lines(text):
    """Roff lines of a paragraph's text: no line may start with a dot or quote."""
    text = re.sub(r"[ \t]*\n[ \t]*", " ", text.strip()).replace(" .br ", "\n.br\n")
    return [("\\&" + line if line[:1] in ".'" else line) for line in text.split("\n")]


def blocks(desc, skip_sections=True):
    """The paragraphs and lists of a description, as roff lines."""
    lines = []
    for para in desc.findall("para"):
        text = inline(para)
        if text.strip():
            lines += [".PP"] + para_lines(text)
        for child in para:
            if child.tag in ("itemizedlist", "orderedlist"):
                for item in child.findall("listitem"):
                    lines.append(".IP \\(bu 2")
                    for p in item.findall("para"):
                        lines += para_lines(inline(p))
            elif child.tag == "programlisting":
                lines += [".PP", ".nf"]
                for codeline in child.findall("codeline"):
                    lines += para_lines("".join(codeline.itertext())) or [""]
                lines.append(".fi")
    return lines


def sections(desc):
    """Arguments, return values and titled paragraphs of a description."""
    found = {"param": [], "retval": [], "return": [], "par": {}}
    for node in desc.iter():
        if node.tag == "parameterlist" and node.get("kind") in ("param", "retval"):
            for item in node.findall("parameteritem"):
                name = "".join(item.find("parameternamelist").itertext()).strip()
                text = " ".join(
                    inline(p) for p in item.find("parameterdescription").findall("para"))
                found[node.get("kind")].append((name, text))
        elif node.tag == "simplesect" and node.get("kind") == "return":
            found["return"].append(" ".join(inline(p) for p in node.findall("para")))
        elif node.tag == "simplesect" and node.get("kind") == "par":
            title = "".join(node.find("title").itertext()).strip().rstrip(":")
            found["par"][title.upper()] = [l for p in node.findall("para")
                                           for l in [".PP"] + para_lines(inline(p))]
    return found


def brief(member):
    """The one-line summary for NAME: the brief without its stop."""
    text = " ".join(inline(p) for p in member.find("briefdescription").findall("para"))
    return re.sub(r"\s+", " ", text).strip().rstrip(".")


def flat(node):
    return re.sub(r"\s+", " ", "".join(node.itertext()) if node is not None else "").strip()


def page(name, summary, body, version, section="3"):
    head = ['.\\" SPDX-License-Identifier: Apache-2.0',
            '.\\" SPDX-FileCopyrightText: 2026 The eth_if_plcy developers',
            '.\\" Made from the public headers by docs/manpages.py.',
            f'.TH "{name.upper()}" {section} "" "eth_if_plcy {version}" "{MANUAL}"',
            ".SH NAME", f"{esc(name)} \\- {summary}"]
    return "\n".join(head + body) + "\n"


def write(out_dir, name, text):
    with open(os.path.join(out_dir, name + ".3"), "w", encoding="utf-8") as out:
        out.write(text)


def synopsis_function(member, header):
    """The prototype, type words bold and argument names italic, wrapped under
    its opening parenthesis."""
    name = member.findtext("name")
    rtype = flat(member.find("type"))
    head = rtype + ("" if rtype.endswith("*") else " ") + name + "("
    args = [(flat(p.find("type")), flat(p.find("declname"))) for p in member.findall("param")]
    pieces = [(t + ("" if t.endswith("*") else " "), n) for t, n in args if n] or [("void", "")]
    lines, line, width = [], "\\fB" + esc(head) + "\\fP", len(head)
    for i, (t, n) in enumerate(pieces):
        stop = ");" if i == len(pieces) - 1 else ","
        text = "\\fB" + esc(t) + "\\fP" + ("\\fI" + esc(n) + "\\fP" if n else "") + \
            "\\fB" + stop + "\\fP"
        size = len(t) + len(n) + len(stop)
        if i > 0 and width + 1 + size > 72:
            lines.append(line)
            line, width = " " * len(head) + text, len(head) + size
        else:
            line, width = line + (" " if i > 0 else "") + text, width + (i > 0) + size
    lines.append(line)
    out = [".SH SYNOPSIS", ".nf", f".B #include <{header}>", ".PP"] + lines + [".fi"]
    if member.get("inline") != "yes":
        out += [".PP", LINK]
    return out


def function_page(member, header, siblings, functions, thread_text, version):
    name = member.findtext("name")
    desc = member.find("detaileddescription")
    found = sections(desc)
    body = synopsis_function(member, header)
    body += [".SH DESCRIPTION"] + [".PP"] + para_lines(
        " ".join(inline(p) for p in member.find("briefdescription").findall("para")))
    body += blocks(desc)
    if found["param"]:
        body.append(".SH ARGUMENTS")
        for arg, text in found["param"]:
            body += [".TP", f".I {esc(arg)}"] + para_lines(text)
    if found["return"] or found["retval"]:
        body.append(".SH RETURN VALUE")
        for text in found["return"]:
            body += [".PP"] + para_lines(text)
        for code, text in found["retval"]:
            body += [".TP", f".B {esc(code)}"] + para_lines(text)
    if "ERRORS" in found["par"]:
        body += [".SH ERRORS"] + found["par"]["ERRORS"]
    body += [".SH THREAD SAFETY"] + found["par"].get("THREAD SAFETY", thread_text)
    refs = set(re.findall(r"\beth_[a-z0-9_]+", flat(desc))) & functions
    see = sorted((refs | siblings) - {name})
    see = [f"\\fB{esc(s)}\\fP(3)" for s in see] + [f"\\fB{esc(header)}\\fP(3)"]
    body += [".SH SEE ALSO", ",\n".join(see)]
    return page(name, brief(member), body, version)


def type_page(name, compound, member, header, include_dir, version):
    """A type's page: its declaration as the header writes it, member comments
    included, and its description."""
    body = [".SH SYNOPSIS", ".nf", f".B #include <{header}>", ".PP"]
    if compound is not None:
        where = compound.find("location")
        with open(os.path.join(include_dir, header)) as f:
            source = f.read().split("\n")
        start, end = int(where.get("bodystart")), int(where.get("bodyend"))
        for line in source[start - 1:end]:
            line = re.sub(r"/\*\*<?\s*(.*?)\s*\*/", r"/* \1 */", line.rstrip())
            body.append("\\&" + esc(line) if line.strip() else "")
    else:
        body.append(f".B {esc(flat(member.find('definition')))};")
    body.append(".fi")
    doc = compound if compound is not None else member
    body += [".SH DESCRIPTION", ".PP"] + para_lines(
        " ".join(inline(p) for p in doc.find("briefdescription").findall("para")))
    body += blocks(doc.find("detaileddescription"))
    body += [".SH SEE ALSO", f"\\fB{esc(header)}\\fP(3)"]
    return page(name, brief(doc), body, version)


def header_page(compound, members, types, version):
    """A header's overview: its description and a line per name it declares."""
    header = compound.findtext("compoundname")
    found = sections(compound.find("detaileddescription"))
    body = [".SH SYNOPSIS", ".nf", f".B #include <{header}>", ".fi",
            ".SH DESCRIPTION"] + blocks(compound.find("briefdescription")) + blocks(
                compound.find("detaileddescription"))
    for title, text in found["par"].items():
        body += [f".SH {title}"] + text
    for title, kinds in (("FUNCTIONS", ("function",)), ("CONSTANTS", ("define",))):
        listed = [m for m in members if m.get("kind") in kinds]
        if listed:
            body.append(f".SH {title}")
            for m in listed:
                text = brief(m) if flat(m.find("briefdescription")) else ""
                body += [".TP", f".B {esc(m.findtext('name'))}"] + (para_lines(text) or [])
    if types:
        body += [".SH TYPES"] + [f"\\fB{esc(t)}\\fP(3)" + ("," if i < len(types) - 1 else "")
                                 for i, t in enumerate(types)]
    summary = brief(compound)
    return page(header, summary, body, version)


def cxx_page(compound, xml_dir, version):
    """The C++ layer on one page: its description and every name it declares."""
    body = [".SH SYNOPSIS", ".nf", ".B #include <eth_if_plcy.hpp>", ".fi",
            ".PP", "C++20; link with the CMake target \\fBeth_if_plcy::cxx\\fP.",
            ".SH DESCRIPTION"] + blocks(compound.find("briefdescription")) + blocks(
                compound.find("detaileddescription"))
    ns = ET.parse(os.path.join(xml_dir, "namespaceeth__if__plcy.xml")).getroot().find(
        "compounddef")
    body.append(".SH FUNCTIONS")
    for m in ns.iter("memberdef"):
        if m.get("kind") == "function":
            sig = flat(m.find("type")) + " " + m.findtext("name") + flat(m.find("argsstring"))
            body += [".TP", f".B {esc(sig)}"] + para_lines(brief(m))
    for inner in ns.findall("innerclass"):
        cls = ET.parse(os.path.join(xml_dir, inner.get("refid") + ".xml")).getroot().find(
            "compounddef")
        body += [f".SH {esc(inner.text.split('::')[-1]).upper()}"] + blocks(
            cls.find("briefdescription")) + blocks(cls.find("detaileddescription"))
        for m in cls.iter("memberdef"):
            if m.get("prot") != "public" or not flat(m.find("briefdescription")):
                continue
            sig = (flat(m.find("type")) + " " + m.findtext("name") +
                   flat(m.find("argsstring"))).strip()
            body += [".TP", f".B {esc(sig)}"] + para_lines(brief(m))
    body += [".SH SEE ALSO", "\\fBether_interface_policy_api.h\\fP(3)"]
    return page("eth_if_plcy.hpp", brief(compound), body, version)


def main():
    xml_dir, include_dir, out_dir, version = sys.argv[1:5]
    os.makedirs(out_dir, exist_ok=True)
    index = ET.parse(os.path.join(xml_dir, "index.xml")).getroot()
    structs = {}
    for c in index.findall("compound"):
        if c.get("kind") == "struct":
            root = ET.parse(os.path.join(xml_dir, c.get("refid") + ".xml")).getroot()
            structs[c.findtext("name")] = root.find("compounddef")
    written = []
    for c in index.findall("compound"):
        if c.get("kind") != "file" or not re.search(r"\.hp?p?$", c.findtext("name")):
            continue
        compound = ET.parse(os.path.join(xml_dir, c.get("refid") + ".xml")).getroot().find(
            "compounddef")
        header = compound.findtext("compoundname")
        if header.endswith(".hpp"):
            write(out_dir, header, cxx_page(compound, xml_dir, version))
            written.append(header)
            continue
        thread = sections(compound.find("detaileddescription"))["par"].get(
            "THREAD SAFETY", [".PP", "See \\fBether_interface_policy_api.h\\fP(3)."])
        members, types = [], []
        functions = {m.findtext("name") for m in compound.iter("memberdef")
                     if m.get("kind") == "function"}
        for section in compound.findall("sectiondef"):
            group = {m.findtext("name") for m in section.findall("memberdef")
                     if m.get("kind") == "function"}
            for m in section.findall("memberdef"):
                if not flat(m.find("briefdescription")):
                    continue
                members.append(m)
                name = m.findtext("name")
                if m.get("kind") == "function":
                    siblings = group if section.get("kind") == "user-defined" else set()
                    write(out_dir, name, function_page(m, header, siblings, functions, thread, version))
                    written.append(name)
                elif m.get("kind") == "typedef":
                    target = re.sub(r"^struct\s+", "", flat(m.find("type")))
                    write(out_dir, name,
                          type_page(name, structs.get(target), m, header, include_dir, version))
                    types.append(name)
                    written.append(name)
        write(out_dir, header, header_page(compound, members, types, version))
        written.append(header)
    print(f"{len(written)} manual pages in {out_dir}")


if __name__ == "__main__":
    main()

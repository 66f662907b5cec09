// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
#include "input.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "tool.hpp"

namespace ethplcy_serve {
namespace {

namespace t = ethplcy_tool;

// How often a followed file is looked at once its end is reached.
constexpr long kFollowPollNs = 100'000'000;

// One line into the store: "" or why it was refused.
std::string take(const t::StreamItem &item, bool net, Store &store) {
    g::Id id;
    bool deleted = false;
    eth_if_plcy::Record rec;
    try {
        if (!t::envelope_item(item, net, id, deleted, rec))
            return "not an envelope ({\"name\", \"index\"?, \"record\" | \"policy\" | "
                   "\"deleted\"})";
    } catch (const t::Failure &bad) {
        return bad.what();
    }
    if (deleted) {
        store.apply(id, nullptr);
        return "";
    }
    eth_if_plcy_ext_t e;
    if (eth_if_plcy::decode(rec, e) != eth_if_plcy::Status::ok) return "cannot decode the record";
    store.apply(id, &e);
    return "";
}

void say(const std::string &text) {
    std::fprintf(stderr, "ethplcy-serve: %s\n", text.c_str());
    std::fflush(stderr);
}

// Cuts bytes into lines and applies each as soon as its end arrives. A line
// holds at most kInputCap + 1 bytes (a '\r' may end it); past that its bytes
// are skipped to its end and it is refused.
class Lines {
  public:
    Lines(std::string name, bool net, Store &store)
        : name_(std::move(name)), net_(net), store_(store) {}

    void feed(std::string_view bytes) {
        while (!bytes.empty()) {
            size_t end = bytes.find('\n');
            std::string_view piece = bytes.substr(0, end);
            if (!skipping_ && part_.size() + piece.size() > t::kInputCap + 1) {
                skipping_ = true;
                std::string().swap(part_); // the long line's bytes are not held
            }
            if (!skipping_) part_.append(piece);
            if (end == std::string_view::npos) return;
            line();
            bytes.remove_prefix(end + 1);
        }
    }
    // The end of a source that will not grow: its last line needs no '\n'.
    void finish() {
        if (skipping_ || !part_.empty()) line();
    }
    // The source starts again (a truncated file): a cut line is dropped.
    void restart() {
        part_.clear();
        skipping_ = false;
    }
    std::string counts() const {
        return std::to_string(applied_) + " records applied, " + std::to_string(refused_) +
               " refused";
    }
    const std::string &name() const { return name_; }

  private:
    void line() {
        item_.line++;
        std::string_view text(part_);
        while (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        bool long_line = skipping_ || text.size() > t::kInputCap;
        if (long_line || text.find_first_not_of(" \t") != std::string_view::npos) {
            item_.number++;
            item_.json = true;
            item_.text = long_line ? std::string() : std::string(text);
            std::string why = long_line ? "longer than 1 MiB" : take(item_, net_, store_);
            if (why.empty()) {
                applied_++;
            } else {
                refused_++;
                say(name_ + ", " + item_.where() + ": " + why);
            }
        }
        restart();
    }

    std::string name_;
    bool net_;
    Store &store_;
    std::string part_;
    bool skipping_ = false;
    t::StreamItem item_;
    size_t applied_ = 0, refused_ = 0;
};

// Reads fd to its end (a pipe: to its writer's close), each read's lines
// applied at once. false on a read error, which is logged.
bool drain(int fd, Lines &lines) {
    std::array<char, 65536> buf;
    for (;;) {
        ssize_t n = read(fd, buf.data(), buf.size());
        if (n > 0) {
            lines.feed(std::string_view(buf.data(), static_cast<size_t>(n)));
        } else if (n == 0) {
            return true;
        } else if (errno != EINTR) {
            say(lines.name() + ": " + std::strerror(errno));
            return false;
        }
    }
}

int open_input(const std::string &path) {
    return open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

void wait_a_little() {
    timespec pause{0, kFollowPollNs};
    nanosleep(&pause, nullptr);
}

// tail -F: what is there, then what is appended; a new file under the name
// is read from its start once the old one is finished; a file shorter than
// where reading stands was truncated and is read again from its start.
// Polling, not inotify: it works on every filesystem (NFS, overlays, bind
// mounts) and a rename, a removal and a truncation all show in one stat.
[[noreturn]] void follow(const std::string &path, Lines &lines) {
    int fd = -1;
    struct stat cur {};
    bool missing_said = false;
    for (;;) {
        if (fd < 0) {
            fd = open_input(path);
            if (fd < 0 || fstat(fd, &cur) != 0) {
                if (fd >= 0) close(fd);
                fd = -1;
                if (!missing_said) say(path + ": " + std::strerror(errno) + "; waiting for it");
                missing_said = true;
                wait_a_little();
                continue;
            }
            missing_said = false;
        }
        drain(fd, lines);
        struct stat now {};
        if (stat(path.c_str(), &now) == 0 &&
            (now.st_ino != cur.st_ino || now.st_dev != cur.st_dev)) {
            drain(fd, lines); // what was written before the rename
            lines.finish();
            close(fd);
            fd = -1;
            say(path + ": a new file under the name, read from its start (" + lines.counts() + ")");
            continue;
        }
        struct stat open_now {};
        if (fstat(fd, &open_now) == 0 && open_now.st_size < lseek(fd, 0, SEEK_CUR)) {
            lseek(fd, 0, SEEK_SET);
            lines.restart();
            say(path + ": truncated, read again from its start");
            continue;
        }
        wait_a_little();
    }
}

} // namespace

std::string check_input(const Input &in) {
    if (in.path == "-") return in.follow ? "--follow takes a file, not standard input" : "";
    struct stat st {};
    if (stat(in.path.c_str(), &st) != 0)
        return in.follow && errno == ENOENT ? "" : in.path + ": " + std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return in.path + ": a directory, not a file";
    if (S_ISFIFO(st.st_mode)) return ""; // opened by the input thread: open waits for a writer
    if (access(in.path.c_str(), R_OK) != 0) return in.path + ": " + std::strerror(errno);
    return "";
}

void read_input(const Input &in, Store &store) {
    bool std_in = in.path == "-";
    Lines lines(std_in ? "standard input" : in.path, in.net, store);
    struct stat st {};
    if (!std_in && stat(in.path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
        // A network OS daemon writes, closes, and comes back: each writer in turn.
        for (;;) {
            int fd = open_input(in.path);
            if (fd < 0) {
                say(in.path + ": " + std::strerror(errno) + "; serving the last state");
                return;
            }
            drain(fd, lines);
            close(fd);
            lines.finish();
            say(in.path + ": the writer closed it (" + lines.counts() +
                "); waiting for the next writer");
        }
    }
    if (in.follow) follow(in.path, lines);
    int fd = std_in ? 0 : open_input(in.path);
    if (fd < 0) {
        say(in.path + ": " + std::strerror(errno));
    } else {
        drain(fd, lines);
        lines.finish();
        if (!std_in) close(fd);
    }
    say("end of " + lines.name() + ": " + lines.counts() + "; serving the last state");
}

} // namespace ethplcy_serve

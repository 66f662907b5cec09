// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
// A stream rendered in batches on two cores, written in the input's order.
// Framing is serial, records are not: this thread reads a batch while a
// helper renders the chunks of the batches read before; when the batches in
// flight are all read, this thread renders chunks too, and writes each batch
// once all its chunks are rendered. Output and refusals keep the input's
// order; a few batches in flight keep the memory flat.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "tool.hpp"

namespace ethplcy_tool {

// What a run of items gives: their output, and the refusals with the place
// in it where each goes.
struct Part {
    std::string text;
    std::vector<std::pair<size_t, std::string>> refusals;
};

template <class Render>
int render_stream(Stream &s, Output &out, Render render) {
    constexpr size_t kBatch = 1024, kChunk = 128, kChunks = kBatch / kChunk, kSlots = 4;
    constexpr uint64_t kThreaded = 4u << 20; // bytes read before the helper starts
    struct Batch {
        std::vector<StreamItem> items = std::vector<StreamItem>(kBatch);
        std::array<Part, kChunks> parts;
        size_t chunks = 0, claimed = 0, done = 0;
    };
    std::array<Batch, kSlots> slots;
    std::deque<Batch *> flight; // read, not yet written; the oldest first
    std::mutex mutex;
    std::condition_variable work, finished;
    bool stop = false;
    std::exception_ptr failed;
    int status = 0;
    s.defer_hex();

    auto run = [&](Batch &b, size_t chunk) {
        Part &part = b.parts[chunk];
        part.text.clear();
        part.refusals.clear();
        for (size_t i = chunk * kChunk, end = std::min(i + kChunk, b.items.size()); i < end; i++) {
            StreamItem &item = b.items[i];
            Stream::settle(item);
            if (item.error.empty()) {
                try {
                    render(item, part.text);
                    continue;
                } catch (const Failure &f) {
                    item.error = f.what();
                }
            }
            part.refusals.emplace_back(part.text.size(),
                                       "ethplcy: " + item.where() + ": " + item.error + "\n");
        }
    };
    // The oldest chunk not yet taken, under the lock; false when none is.
    auto claim = [&](Batch *&b, size_t &chunk) {
        for (Batch *f : flight)
            if (f->claimed < f->chunks) {
                b = f, chunk = f->claimed++;
                return true;
            }
        return false;
    };
    // Renders a claimed chunk outside the lock.
    auto render_chunk = [&](std::unique_lock<std::mutex> &lock, Batch *b, size_t chunk) {
        lock.unlock();
        run(*b, chunk);
        lock.lock();
        if (++b->done == b->chunks) finished.notify_all();
    };
    auto helper_loop = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            Batch *b = nullptr;
            size_t chunk = 0;
            work.wait(lock, [&] { return stop || claim(b, chunk); });
            if (stop) return;
            try {
                render_chunk(lock, b, chunk);
            } catch (...) { // out of memory: given to the reading thread
                if (!lock.owns_lock()) lock.lock();
                failed = std::current_exception();
                stop = true;
                finished.notify_all();
                return;
            }
        }
    };
    std::thread helper;
    struct Joined { // the helper ends before the batches it renders go
        std::thread &t;
        std::mutex &m;
        bool &stop;
        std::condition_variable &work;
        ~Joined() {
            if (!t.joinable()) return;
            {
                std::lock_guard lock(m);
                stop = true;
            }
            work.notify_all();
            t.join();
        }
    } joined{helper, mutex, stop, work};

    auto emit = [&](const Part &part) {
        size_t at = 0;
        for (const auto &[place, line] : part.refusals) {
            out.write(part.text.data() + at, place - at);
            at = place;
            std::fflush(stdout);
            std::fputs(line.c_str(), stderr);
            status = 2;
        }
        out.write(part.text.data() + at, part.text.size() - at);
    };
    // Writes the oldest batch once it is rendered, this thread rendering
    // chunks meanwhile; with wait false, only when it already is.
    auto write_oldest = [&](bool wait) {
        std::unique_lock lock(mutex);
        Batch *oldest = flight.front();
        while (oldest->done < oldest->chunks) {
            if (failed) std::rethrow_exception(failed);
            Batch *b = nullptr;
            size_t chunk = 0;
            if (!wait) return false; // reading the next batch comes first
            if (claim(b, chunk))
                render_chunk(lock, b, chunk);
            else
                finished.wait(lock, [&] { return failed || oldest->done == oldest->chunks; });
        }
        flight.pop_front();
        lock.unlock();
        for (size_t c = 0; c < oldest->chunks; c++)
            emit(oldest->parts[c]);
        return true;
    };

    for (size_t next = 0;; next++) {
        Batch &b = slots[next % kSlots];
        size_t n = 0;
        b.items.resize(kBatch);
        while (n < kBatch && s.next(b.items[n]))
            n++;
        if (n == 0) break;
        b.items.resize(n);
        if (!helper.joinable() && s.position() >= kThreaded) helper = std::thread(helper_loop);
        {
            std::lock_guard lock(mutex);
            b.chunks = (n + kChunk - 1) / kChunk;
            b.claimed = b.done = 0;
            flight.push_back(&b);
        }
        work.notify_one();
        // Alone, each batch is rendered as it is read; with the helper, up
        // to kSlots - 1 wait while the next is read.
        while (!flight.empty() && write_oldest(!helper.joinable() || flight.size() == kSlots))
            ;
    }
    while (!flight.empty())
        write_oldest(true);
    return status;
}

} // namespace ethplcy_tool

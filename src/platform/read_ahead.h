#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace fangji::platform {

// Produces items on a thread of its own, at most `ahead` items before the one the caller
// takes, so that reading (and decrypting, and parsing) overlaps with the caller's writing.
// `produce` runs on that thread alone and gives nothing at the end; what it reads is the
// reader's alone until the reader is destroyed. Destroying the reader stops it.
template <typename Item> class ReadAhead {
public:
    ReadAhead(std::function<std::optional<Item>()> produce, std::size_t ahead)
        : m_produce(std::move(produce)), m_ahead(ahead), m_thread([this] { run(); }) {}
    ~ReadAhead() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next item in order; nothing at the end.
    std::optional<Item> next() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_end; });
        if (m_ready.empty()) {
            return std::nullopt;
        }
        Item item = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return item;
    }

private:
    void run() {
        while (std::optional<Item> item = m_produce()) {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_ready.size() < m_ahead || m_stop; });
            if (m_stop) {
                break;
            }
            m_ready.push_back(std::move(*item));
            m_changed.notify_all();
        }
        const std::lock_guard lock(m_mutex);
        m_end = true;
        m_changed.notify_all();
    }

    std::function<std::optional<Item>()> m_produce;
    const std::size_t m_ahead;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_ready;
    bool m_stop = false;
    bool m_end = false;
    std::thread m_thread; // last: starts once the members above are there
};

} // namespace fangji::platform

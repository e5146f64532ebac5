#pragma once
// A serial work queue: one worker thread runs submitted work in order. A
// synchronous submission made from the worker itself runs in place, so it can
// never wait for itself.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>

namespace trevlamark {

class SerialQueue
{
public:
    SerialQueue();
    ~SerialQueue();
    SerialQueue(const SerialQueue &) = delete;
    SerialQueue &operator=(const SerialQueue &) = delete;

    bool isCurrentThread() const { return std::this_thread::get_id() == m_worker.get_id(); }

    template<typename Work>
    std::invoke_result_t<Work> sync(Work &&work)
    {
        if (isCurrentThread())
            return work();
        std::packaged_task<std::invoke_result_t<Work>()> task(std::forward<Work>(work));
        auto result = task.get_future();
        enqueue([&task] { task(); });
        return result.get();
    }

private:
    void enqueue(std::function<void()> work);
    void run(std::stop_token stopToken);

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::deque<std::function<void()>> m_work;
    std::jthread m_worker;
};

} // namespace trevlamark

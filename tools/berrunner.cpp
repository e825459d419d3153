#include "tools/berrunner.h"

#include "core/lab/beraccumulator.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace berrunner {

namespace {

// Bits measured between two looks at the progress: short enough for a few reports a second,
// long enough that counting them costs nothing.
constexpr std::uint64_t SliceBits = 1 << 16;
constexpr auto ReportEvery = std::chrono::milliseconds(250);

struct Task
{
    std::size_t curve;
    std::size_t point;
};

class Runner
{
public:
    explicit Runner(const std::vector<lab::CurveRequest>& curves)
        : m_curves(curves)
    {
        for (std::size_t c = 0; c < curves.size(); ++c) {
            m_counts.emplace_back(curves[c].EbN0Db.size());
            for (std::size_t p = 0; p < curves[c].EbN0Db.size(); ++p)
                m_tasks.push_back({c, p});
        }
    }

    void Work()
    {
        for (std::size_t i = m_next++; i < m_tasks.size(); i = m_next++) {
            try {
                Measure(m_tasks[i]);
            } catch (...) {
                // The other points still run to the end, so that every task is counted done; a
                // point fails only on a configuration the tool has refused before, at once.
                std::lock_guard lock(m_mutex);
                if (!m_failure)
                    m_failure = std::current_exception();
            }
            std::lock_guard lock(m_mutex);
            ++m_done;
            m_changed.notify_all();
        }
    }

    // Waits for every task, reporting as it goes.
    void Wait(const ProgressSink& progress)
    {
        std::unique_lock lock(m_mutex);
        while (m_done < m_tasks.size()) {
            m_changed.wait_for(lock, ReportEvery);
            if (progress)
                progress({m_done, m_tasks.size(), m_bits, m_errors});
        }
    }

    std::vector<std::vector<lab::CurvePoint>> Results() const
    {
        if (m_failure)
            std::rethrow_exception(m_failure);
        std::vector<std::vector<lab::CurvePoint>> out;
        for (std::size_t c = 0; c < m_curves.size(); ++c) {
            const lab::RateTheory theory(m_curves[c].Config);
            out.emplace_back();
            for (std::size_t p = 0; p < m_counts[c].size(); ++p)
                out.back().push_back(lab::CompletePoint(m_curves[c], m_curves[c].EbN0Db[p], m_counts[c][p], theory));
        }
        return out;
    }

private:
    void Measure(const Task& task)
    {
        const lab::CurveRequest& request = m_curves[task.curve];
        if (request.Bits == 0 || request.Bits > lab::MaxBits)
            throw std::invalid_argument("the lab sends 1 to 10^9 bits per point");
        lab::BerAccumulator accumulator(request.Config, request.EbN0Db[task.point]);
        for (std::uint64_t left = request.Bits; left > 0;) {
            const std::uint64_t slice = std::min(left, SliceBits);
            const std::uint64_t before = accumulator.Count().Errors;
            const std::uint64_t sent = accumulator.Run(slice, request.MaxErrors);
            m_bits += sent;
            m_errors += accumulator.Count().Errors - before;
            if (sent < slice)
                break; // the point reached its errors
            left -= sent;
        }
        std::lock_guard lock(m_mutex);
        m_counts[task.curve][task.point] = accumulator.Count();
    }

    const std::vector<lab::CurveRequest>& m_curves;
    std::vector<Task> m_tasks;
    std::vector<std::vector<lab::BerCount>> m_counts;
    std::atomic<std::size_t> m_next{0};
    std::atomic<std::uint64_t> m_bits{0};
    std::atomic<std::uint64_t> m_errors{0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_done = 0;
    std::exception_ptr m_failure;
};

} // namespace

std::vector<std::vector<lab::CurvePoint>> Run(const std::vector<lab::CurveRequest>& curves, int jobs,
                                              const ProgressSink& progress)
{
    Runner runner(curves);
    std::vector<std::thread> threads;
    for (int i = 0; i < std::max(jobs, 1); ++i)
        threads.emplace_back([&runner] { runner.Work(); });
    runner.Wait(progress);
    for (std::thread& thread : threads)
        thread.join();
    return runner.Results();
}

} // namespace berrunner

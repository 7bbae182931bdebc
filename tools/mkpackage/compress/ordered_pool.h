// Jobs run on a fixed number of worker threads while the caller fills the
// next ones and takes the finished ones back in the order it submitted
// them. The jobs form a ring of a fixed number of slots, so memory does not
// grow with the work, and the output's order never depends on which worker
// ran which job. A job type has a `std::exception_ptr failure`, which holds
// what its work threw.
#ifndef MKPACKAGE_ORDERED_POOL_H
#define MKPACKAGE_ORDERED_POOL_H

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace mkpackage {

template <typename Job>
class OrderedPool {
public:
    // Runs work(job, worker index) for every submitted job on `workers`
    // threads (at least 1), with `slots` jobs (at least 1) in flight at most.
    using Work = std::function<void(Job&, unsigned)>;

    OrderedPool(unsigned workers, std::size_t slots, Work work) : work_(std::move(work)) {
        workers = std::max(workers, 1u);
        jobs_.resize(std::max<std::size_t>(slots, 1));
        done_.assign(jobs_.size(), 0);
        threads_.reserve(workers);
        try {
            for (unsigned i = 0; i < workers; ++i) threads_.emplace_back(&OrderedPool::run, this, i);
        } catch (...) {
            stop();
            throw;
        }
    }
    ~OrderedPool() { stop(); }  // jobs still in flight are dropped
    OrderedPool(const OrderedPool&) = delete;
    OrderedPool& operator=(const OrderedPool&) = delete;

    bool full() const { return submitted_ - retired_ == jobs_.size(); }
    bool empty() const { return submitted_ == retired_; }
    // The job to fill next (only when not full); submit() hands it on.
    Job& next() { return jobs_[submitted_ % jobs_.size()]; }
    void submit() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_[submitted_ % jobs_.size()] = 0;
            ++submitted_;
        }
        workReady_.notify_one();
    }
    // Waits until the oldest submitted job is done and returns it; rethrows
    // what its work threw. pop() frees its slot for a later job.
    Job& oldest() {
        const std::size_t slot = retired_ % jobs_.size();
        std::unique_lock<std::mutex> lock(mutex_);
        jobDone_.wait(lock, [&] { return done_[slot] != 0; });
        Job& job = jobs_[slot];
        if (job.failure) std::rethrow_exception(job.failure);
        return job;
    }
    void pop() { ++retired_; }

private:
    void run(unsigned worker) {
        for (;;) {
            std::uint64_t number;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                workReady_.wait(lock, [&] { return stopping_ || taken_ < submitted_; });
                if (stopping_) return;
                number = taken_++;
            }
            Job& job = jobs_[number % jobs_.size()];
            job.failure = nullptr;
            try {
                work_(job, worker);
            } catch (...) {
                job.failure = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                done_[number % jobs_.size()] = 1;
            }
            jobDone_.notify_all();
        }
    }

    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        workReady_.notify_all();
        for (std::thread& thread : threads_) {
            if (thread.joinable()) thread.join();
        }
    }

    Work work_;
    std::vector<Job> jobs_;  // a ring: job n lives in jobs_[n % size]
    std::vector<char> done_;
    std::uint64_t submitted_ = 0, taken_ = 0, retired_ = 0;
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable workReady_, jobDone_;
    std::vector<std::thread> threads_;
};

}  // namespace mkpackage

#endif

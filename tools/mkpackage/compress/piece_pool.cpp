#include "compress/piece_pool.h"

#include <algorithm>
#include <functional>

namespace mkpackage {
namespace {

// Room for the pieces a worker finishes while the oldest one is still being
// compressed: pieces of text take several times as long as random ones.
constexpr unsigned kPiecesPerWorker = 4;

}  // namespace

PiecePool::PiecePool(unsigned workers) {
    workers = std::max(workers, 1u);
    jobs_.resize(std::size_t(workers) * kPiecesPerWorker);
    done_.assign(jobs_.size(), 0);
    // Made here, so that a compressor that cannot start fails the caller.
    for (unsigned i = 0; i < workers; ++i) compressors_.push_back(std::make_unique<ChunkCompressor>());
    threads_.reserve(workers);
    try {
        for (unsigned i = 0; i < workers; ++i) threads_.emplace_back(&PiecePool::work, this, std::ref(*compressors_[i]));
    } catch (...) {
        stop();
        throw;
    }
}

PiecePool::~PiecePool() { stop(); }

void PiecePool::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
}

PieceJob& PiecePool::next() { return jobs_[submitted_ % jobs_.size()]; }

void PiecePool::submit() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_[submitted_ % jobs_.size()] = 0;
        ++submitted_;
    }
    workReady_.notify_one();
}

PieceJob& PiecePool::oldest() {
    const std::size_t slot = retired_ % jobs_.size();
    std::unique_lock<std::mutex> lock(mutex_);
    pieceDone_.wait(lock, [&] { return done_[slot] != 0; });
    PieceJob& job = jobs_[slot];
    if (job.failure) std::rethrow_exception(job.failure);
    return job;
}

void PiecePool::pop() { ++retired_; }

void PiecePool::work(ChunkCompressor& compressor) {
    for (;;) {
        std::uint64_t number;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            workReady_.wait(lock, [&] { return stopping_ || taken_ < submitted_; });
            if (stopping_) return;
            number = taken_++;
        }
        PieceJob& job = jobs_[number % jobs_.size()];
        job.failure = nullptr;
        try {
            compressor.compress(job.input.data(), job.dictionarySize, job.pieceSize(), job.last, job.result);
        } catch (...) {
            job.failure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_[number % jobs_.size()] = 1;
        }
        pieceDone_.notify_one();
    }
}

}  // namespace mkpackage

#include "compress/lzma_block_pool.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <LzmaEnc.h>

namespace mkpackage {
namespace {

void* allocate(void*, size_t size) { return std::malloc(size); }
void release(void*, void* address) { std::free(address); }
ISzAlloc allocator = {allocate, release};

}  // namespace

void compressLzmaBlock(const std::vector<std::uint8_t>& input, std::uint32_t dictionarySize, LzmaBlockJob& out) {
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = 9;
    props.dictSize = dictionarySize;
    props.reduceSize = static_cast<UInt32>(input.size());
    props.lc = 3;
    props.lp = 0;
    props.pb = 2;
    props.numThreads = 1;
    out.packed.resize(fmt::lzmaPackedBound(static_cast<std::uint32_t>(input.size())));
    SizeT packedSize = out.packed.size();
    SizeT propertiesSize = fmt::kLzmaPropertiesSize;
    const SRes result = LzmaEncode(out.packed.data(), &packedSize, input.data(), input.size(), &props,
                                   out.properties, &propertiesSize, 0, nullptr, &allocator, &allocator);
    if (result != SZ_OK || propertiesSize != fmt::kLzmaPropertiesSize)
        throw std::runtime_error("the LZMA encoder fails with code " + std::to_string(result));
    out.packed.resize(packedSize);
}

LzmaBlockPool::LzmaBlockPool(unsigned workers, std::uint32_t dictionarySize) : dictionarySize_(dictionarySize) {
    workers = std::max(workers, 1u);
    jobs_.resize(std::size_t(workers) + 1);
    done_.assign(jobs_.size(), 0);
    threads_.reserve(workers);
    try {
        for (unsigned i = 0; i < workers; ++i) threads_.emplace_back(&LzmaBlockPool::work, this);
    } catch (...) {
        stop();
        throw;
    }
}

LzmaBlockPool::~LzmaBlockPool() { stop(); }

void LzmaBlockPool::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
}

LzmaBlockJob& LzmaBlockPool::next() { return jobs_[submitted_ % jobs_.size()]; }

void LzmaBlockPool::submit() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_[submitted_ % jobs_.size()] = 0;
        ++submitted_;
    }
    workReady_.notify_one();
}

LzmaBlockJob& LzmaBlockPool::oldest() {
    const std::size_t slot = retired_ % jobs_.size();
    std::unique_lock<std::mutex> lock(mutex_);
    blockDone_.wait(lock, [&] { return done_[slot] != 0; });
    LzmaBlockJob& job = jobs_[slot];
    if (job.failure) std::rethrow_exception(job.failure);
    return job;
}

void LzmaBlockPool::pop() { ++retired_; }

void LzmaBlockPool::work() {
    for (;;) {
        std::uint64_t number;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            workReady_.wait(lock, [&] { return stopping_ || taken_ < submitted_; });
            if (stopping_) return;
            number = taken_++;
        }
        LzmaBlockJob& job = jobs_[number % jobs_.size()];
        job.failure = nullptr;
        try {
            compressLzmaBlock(job.input, dictionarySize_, job);
        } catch (...) {
            job.failure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_[number % jobs_.size()] = 1;
        }
        blockDone_.notify_all();
    }
}

}  // namespace mkpackage

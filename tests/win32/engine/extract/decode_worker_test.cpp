// The extraction's second thread: jobs run on it and not on the caller's,
// the caller pumps while it waits, and a stopped worker starts afresh for
// the next extraction.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/extract/decode_worker.h"
#include "package/component_stream.h"

namespace setup {
namespace {

class CountingPump final : public StreamCallbacks {
public:
    void read(void*, std::uint32_t) override {}
    void write(const std::uint8_t*, std::uint32_t) override {}
    void chunkDone(std::uint32_t) override {}
    void pump() override { ++pumps; }
    int pumps = 0;
};

struct Job {
    DWORD thread = 0;
    bool sawCallbacks = false;
    DWORD sleep = 0;
};

void runJob(void* context, StreamCallbacks* io) {
    Job& job = *static_cast<Job*>(context);
    Sleep(job.sleep);
    job.thread = GetCurrentThreadId();
    job.sawCallbacks = io != nullptr;
}

TEST(DecodeWorker, RunsJobsOnItsOwnThreadAndStartsAfreshAfterAStop) {
    for (int extraction = 0; extraction < 2; ++extraction) {
        SCOPED_TRACE(extraction);
        BlockWorker* worker = decodeWorker();
        ASSERT_NE(worker, nullptr);
        for (const DWORD sleep : {DWORD(0), DWORD(60)}) {
            Job job;
            job.sleep = sleep;
            CountingPump io;
            worker->start(runJob, &job);
            worker->finish(io);
            EXPECT_NE(job.thread, 0u) << "the job did not run";
            EXPECT_NE(job.thread, GetCurrentThreadId()) << "the job ran on the caller's thread";
            EXPECT_FALSE(job.sawCallbacks) << "the worker's job was given the caller's callbacks";
            if (sleep != 0) {
                EXPECT_GT(io.pumps, 0) << "no pumps while the caller waited";
            }
        }
        stopDecodeWorker();
    }
    // A stop while a job runs waits for it.
    Job job;
    job.sleep = 50;
    decodeWorker()->start(runJob, &job);
    stopDecodeWorker();
    EXPECT_NE(job.thread, 0u);
    stopDecodeWorker();  // harmless a second time
}

}  // namespace
}  // namespace setup

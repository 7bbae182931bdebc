#include "engine/extract/decode_worker.h"

#include <windows.h>

#include "package/component_stream.h"

namespace setup {

namespace {

// Milliseconds between two pumps while the main thread waits for a block.
constexpr DWORD kPumpInterval = 10;

class ThreadWorker final : public BlockWorker {
public:
    // Each extraction starts its own thread: the last one's stop is forgotten.
    bool begin() {
        stopping_ = false;
        ready_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        done_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (ready_ != nullptr && done_ != nullptr) {
            DWORD id;
            thread_ = CreateThread(nullptr, 0, run, this, 0, &id);
        }
        if (thread_ == nullptr) closeHandles();
        return thread_ != nullptr;
    }

    void start(Job job, void* context) override {
        job_ = job;
        context_ = context;
        busy_ = true;
        SetEvent(ready_);
    }

    void finish(StreamCallbacks& io) override {
        if (!busy_) return;
        // The pump may end the run (a confirmed cancel); stop() then waits for the job.
        while (WaitForSingleObject(done_, kPumpInterval) == WAIT_TIMEOUT) io.pump();
        busy_ = false;
    }

    void stop() {
        if (thread_ == nullptr) return;
        if (busy_) WaitForSingleObject(done_, INFINITE);
        busy_ = false;
        stopping_ = true;
        SetEvent(ready_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
        closeHandles();
    }

private:
    static DWORD WINAPI run(void* self) {
        ThreadWorker& worker = *static_cast<ThreadWorker*>(self);
        for (;;) {
            WaitForSingleObject(worker.ready_, INFINITE);
            if (worker.stopping_) return 0;
            worker.job_(worker.context_, nullptr);
            SetEvent(worker.done_);
        }
    }

    void closeHandles() {
        if (ready_ != nullptr) CloseHandle(ready_);
        if (done_ != nullptr) CloseHandle(done_);
        ready_ = done_ = nullptr;
    }

    HANDLE thread_ = nullptr, ready_ = nullptr, done_ = nullptr;
    Job job_ = nullptr;
    void* context_ = nullptr;
    bool busy_ = false;             // main thread only
    volatile bool stopping_ = false;  // read by the worker after ready_ is set
};

ThreadWorker worker;
bool started = false;

}  // namespace

BlockWorker* decodeWorker() {
    if (!started) started = worker.begin();
    return started ? &worker : nullptr;
}

void stopDecodeWorker() {
    worker.stop();
    started = false;
}

}  // namespace setup

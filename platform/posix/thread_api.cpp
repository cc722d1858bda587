// Threads over pthreads. A thread handle shares the thread's end state with
// the thread itself, so closing the handle lets the thread run on (as on
// Windows). A wait that sees the thread finished joins it, so that, as on
// Windows, the wait returns only once the thread is gone, its thread-local
// clean-up (libcrypto's included) done; a thread nobody waited for is
// detached when the last of the handle and the thread lets go of its state.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <string>

#include "support/Utf.h"
#include "platform/posix/handle_table.h"
#include "platform/posix/win32_api.h"

namespace {

struct ThreadState {
    static constexpr posix::HandleKind kHandleKind = posix::HandleKind::Thread;

    unsigned (*entry)(void*) = nullptr;
    void* argument = nullptr;
    pthread_t id{};
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    std::mutex joinMutex;
    bool released = false;  // joined or detached: the id may not be used again

    ~ThreadState()
    {
        if (!released) pthread_detach(id);
    }

    void JoinOnce()
    {
        std::lock_guard<std::mutex> lock(joinMutex);
        if (released) return;
        pthread_join(id, nullptr);
        released = true;
    }
};

void* RunThread(void* raw)
{
    std::unique_ptr<std::shared_ptr<ThreadState>> keep(static_cast<std::shared_ptr<ThreadState>*>(raw));
    ThreadState& state = **keep;
    state.entry(state.argument);
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.finished = true;
    }
    state.ended.notify_all();
    return nullptr;
}

}  // namespace

uintptr_t _beginthreadex(void*, unsigned stackSize, unsigned (*startAddress)(void*), void* argument, unsigned,
                         unsigned* threadId)
{
    if (!startAddress) return 0;
    auto state = std::make_shared<ThreadState>();
    state->entry = startAddress;
    state->argument = argument;

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize) pthread_attr_setstacksize(&attributes, stackSize);
    auto* forThread = new std::shared_ptr<ThreadState>(state);
    const int error = pthread_create(&state->id, &attributes, RunThread, forThread);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        state->released = true;  // no thread to detach
        delete forThread;
        return 0;
    }
    if (threadId) *threadId = 0;
    return reinterpret_cast<uintptr_t>(posix::AddHandle(std::move(state)));
}

HRESULT SetThreadDescription(HANDLE thread, PCWSTR description)
{
    const auto state = posix::FindHandle<ThreadState>(thread);
    if (!state) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    // Linux keeps at most 15 bytes of a thread's name.
    const std::string name = support::Utf8FromUtf16(description).substr(0, 15);
    // A thread's id means nothing once it is joined or detached; while the
    // lock is held, a thread not yet finished cannot be.
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->finished) return S_OK;
    const int error = pthread_setname_np(state->id, name.c_str());
    return error == 0 ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    const auto state = posix::FindHandle<ThreadState>(object);
    if (!state) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    {
        std::unique_lock<std::mutex> lock(state->mutex);
        if (milliseconds == INFINITE) {
            state->ended.wait(lock, [&] { return state->finished; });
        } else if (!state->ended.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                          [&] { return state->finished; })) {
            return WAIT_TIMEOUT;
        }
    }
    // Its function has returned: what is left of it ends at once.
    state->JoinOnce();
    return WAIT_OBJECT_0;
}

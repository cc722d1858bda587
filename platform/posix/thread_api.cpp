// Threads over pthreads. A thread handle shares the thread's end state with
// the thread itself, so closing the handle lets the thread run on (as on
// Windows) and waiting on it needs no join.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <string>
#include <time.h>

#include "platform/posix/kernel_object.h"
#include "platform/posix/win32_api.h"

namespace {

struct ThreadState {
    unsigned (*entry)(void*) = nullptr;
    void* argument = nullptr;
    pthread_t id{};
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
};

class ThreadObject : public posix::KernelObject {
public:
    explicit ThreadObject(std::shared_ptr<ThreadState> state) : m_state(std::move(state)) {}
    ThreadState& state() const { return *m_state; }

private:
    std::shared_ptr<ThreadState> m_state;
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

ThreadObject* ThreadFromHandle(HANDLE handle)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    return dynamic_cast<ThreadObject*>(static_cast<posix::KernelObject*>(handle));
}

// UTF-16 to UTF-8, for a thread name (short and from our own code).
std::string Narrow(PCWSTR text)
{
    std::string result;
    for (; text && *text; ++text) {
        const char32_t c = *text;
        if (c < 0x80) {
            result += static_cast<char>(c);
        } else if (c < 0x800) {
            result += static_cast<char>(0xC0 | (c >> 6));
            result += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            result += static_cast<char>(0xE0 | (c >> 12));
            result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return result;
}

}  // namespace

uintptr_t _beginthreadex(void*, unsigned stackSize, unsigned (*startAddress)(void*), void* argument,
                         unsigned, unsigned* threadId)
{
    if (!startAddress) return 0;
    auto state = std::make_shared<ThreadState>();
    state->entry = startAddress;
    state->argument = argument;

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize) pthread_attr_setstacksize(&attributes, stackSize);
    auto* forThread = new std::shared_ptr<ThreadState>(state);
    const int error = pthread_create(&state->id, &attributes, RunThread, forThread);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete forThread;
        return 0;
    }
    if (threadId) *threadId = 0;
    return reinterpret_cast<uintptr_t>(posix::ToHandle(new ThreadObject(state)));
}

HRESULT SetThreadDescription(HANDLE thread, PCWSTR description)
{
    ThreadObject* object = ThreadFromHandle(thread);
    if (!object) return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    // Linux keeps at most 15 bytes of a thread's name.
    std::string name = Narrow(description).substr(0, 15);
    const int error = pthread_setname_np(object->state().id, name.c_str());
    return error == 0 ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    ThreadObject* thread = ThreadFromHandle(object);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    ThreadState& state = thread->state();
    std::unique_lock<std::mutex> lock(state.mutex);
    if (milliseconds == INFINITE) {
        state.ended.wait(lock, [&] { return state.finished; });
        return WAIT_OBJECT_0;
    }
    const bool ended =
        state.ended.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return state.finished; });
    return ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

void Sleep(DWORD milliseconds)
{
    timespec delay{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0) {
    }
}

/*
 * The thread library's locks, semaphores and conditions against the raw
 * POSIX calls they wrap, measured in one run; the ratios are printed last.
 *
 *   build/bench/threads_bench --benchmark_repetitions=5
 *
 * Each library benchmark is named after its POSIX counterpart:
 * BM_Lib<X> is compared with BM_Posix<X>.
 */
#include <benchmark/benchmark.h>

#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <stdio.h>

#include <algorithm>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "ratioReporter.h"
#include "stdThreads.h"

namespace {

pthread_mutex_t recursiveMutex()
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_t mutex;
    pthread_mutex_init(&mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    return mutex;
}

void BM_LibMutexEnterExit(benchmark::State &state)
{
    stdMutex mutex = stdMutexCreate();
    for (auto _ : state) {
        stdMutexEnter(mutex);
        stdMutexExit(mutex);
    }
    stdMutexDelete(mutex);
}
BENCHMARK(BM_LibMutexEnterExit);

void BM_PosixMutexEnterExit(benchmark::State &state)
{
    pthread_mutex_t mutex = recursiveMutex();
    for (auto _ : state) {
        pthread_mutex_lock(&mutex);
        pthread_mutex_unlock(&mutex);
    }
    pthread_mutex_destroy(&mutex);
}
BENCHMARK(BM_PosixMutexEnterExit);

/* The process-wide lock is a recursive mutex too. */
void BM_LibGlobalEnterExit(benchmark::State &state)
{
    for (auto _ : state) {
        stdGlobalEnter();
        stdGlobalExit();
    }
}
BENCHMARK(BM_LibGlobalEnterExit);

void BM_PosixGlobalEnterExit(benchmark::State &state)
{
    BM_PosixMutexEnterExit(state);
}
BENCHMARK(BM_PosixGlobalEnterExit);

void BM_LibSemaphoreVP(benchmark::State &state)
{
    stdSem sem = stdSemCreate(0);
    for (auto _ : state) {
        stdSemV(sem);
        stdSemP(sem);
    }
    stdSemDelete(sem);
}
BENCHMARK(BM_LibSemaphoreVP);

void BM_PosixSemaphoreVP(benchmark::State &state)
{
    sem_t sem;
    sem_init(&sem, 0, 0);
    for (auto _ : state) {
        sem_post(&sem);
        sem_wait(&sem);
    }
    sem_destroy(&sem);
}
BENCHMARK(BM_PosixSemaphoreVP);

constexpr int waiters = 8;

/*
 * One round: wait until all eight waiters wait, then wake them all. The
 * waiters count themselves under the lock before they wait, so the
 * broadcaster sees a full count only once every one of them is waiting.
 */
void BM_LibBroadcastTo8(benchmark::State &state)
{
    stdCond condition = stdCondCreate();
    int waiting = 0;
    bool stop = false;
    std::vector<std::thread> threads;
    for (int i = 0; i < waiters; i++) {
        threads.emplace_back([&] {
            for (;;) {
                stdCondEnter(condition);
                if (stop) {
                    stdCondExit(condition);
                    return;
                }
                waiting++;
                stdCondWait(condition);
            }
        });
    }
    for (auto _ : state) {
        for (;;) {
            stdCondEnter(condition);
            if (waiting == waiters) break;
            stdCondExit(condition);
            sched_yield();
        }
        waiting = 0;
        stdCondBroadcast(condition);
    }
    stdCondEnter(condition);
    stop = true;
    stdCondBroadcast(condition);
    for (auto &t : threads) t.join();
    stdCondDelete(condition);
}
BENCHMARK(BM_LibBroadcastTo8)->UseRealTime();

void BM_PosixBroadcastTo8(benchmark::State &state)
{
    pthread_mutex_t mutex = recursiveMutex();
    pthread_cond_t condition;
    pthread_cond_init(&condition, nullptr);
    int waiting = 0;
    unsigned long generation = 0;
    bool stop = false;
    std::vector<std::thread> threads;
    for (int i = 0; i < waiters; i++) {
        threads.emplace_back([&] {
            pthread_mutex_lock(&mutex);
            while (!stop) {
                waiting++;
                for (unsigned long seen = generation; seen == generation && !stop;) {
                    pthread_cond_wait(&condition, &mutex);
                }
            }
            pthread_mutex_unlock(&mutex);
        });
    }
    for (auto _ : state) {
        for (;;) {
            pthread_mutex_lock(&mutex);
            if (waiting == waiters) break;
            pthread_mutex_unlock(&mutex);
            sched_yield();
        }
        waiting = 0;
        generation++;
        pthread_cond_broadcast(&condition);
        pthread_mutex_unlock(&mutex);
    }
    pthread_mutex_lock(&mutex);
    stop = true;
    pthread_cond_broadcast(&condition);
    pthread_mutex_unlock(&mutex);
    for (auto &t : threads) t.join();
    pthread_cond_destroy(&condition);
    pthread_mutex_destroy(&mutex);
}
BENCHMARK(BM_PosixBroadcastTo8)->UseRealTime();

}  // namespace

int main(int argc, char **argv)
{
    benchsupport::RatioReporter reporter("library / POSIX", {
        {"MutexEnterExit", "BM_LibMutexEnterExit", "BM_PosixMutexEnterExit"},
        {"GlobalEnterExit", "BM_LibGlobalEnterExit", "BM_PosixGlobalEnterExit"},
        {"SemaphoreVP", "BM_LibSemaphoreVP", "BM_PosixSemaphoreVP"},
        {"BroadcastTo8", "BM_LibBroadcastTo8", "BM_PosixBroadcastTo8"},
    }, false);
    return benchsupport::runWithRatios(argc, argv, reporter);
}

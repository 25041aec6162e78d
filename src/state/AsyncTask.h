#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include <memory>
#include <type_traits>
#include <utility>

namespace tidewell {

// The one way work that blocks (a child process, a /proc walk, a file read) leaves the interface
// thread: `work` runs on `pool`, and `then` receives its result on the thread of `context`. When
// `context` is destroyed first, `then` is never called.
namespace AsyncTask {

template <typename Work, typename Then>
void runThenCallback(QThreadPool* pool, QObject* context, Work work, Then then)
{
    using Value = std::invoke_result_t<Work>;
    auto* watcher = new QFutureWatcher<Value>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, then = std::move(then)]() mutable {
                         watcher->deleteLater();
                         if constexpr (std::is_void_v<Value>)
                             then();
                         else
                             then(watcher->result());
                     });
    watcher->setFuture(QtConcurrent::run(pool, std::move(work)));
}

// Work whose result nobody waits for.
template <typename Work> void run(QThreadPool* pool, Work work)
{
    (void)QtConcurrent::run(pool, std::move(work));
}

// Work that must not queue behind a pool's jobs, however stuck they are (a stop signal): a thread
// of its own, which frees itself when the work ends. Call it from a thread with an event loop.
template <typename Work> void runOnOwnThread(Work work)
{
    QThread* thread = QThread::create(std::move(work));
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

// The same, with `then` receiving the result on the thread of `context`, as runThenCallback does.
template <typename Work, typename Then>
void runOnOwnThreadThenCallback(QObject* context, Work work, Then then)
{
    using Value = std::invoke_result_t<Work>;
    auto promise = std::make_shared<QPromise<Value>>();
    auto* watcher = new QFutureWatcher<Value>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, then = std::move(then)]() mutable {
                         watcher->deleteLater();
                         then(watcher->result());
                     });
    watcher->setFuture(promise->future());
    promise->start();
    runOnOwnThread([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
}

// Lets the pool's jobs end for at most `graceMs`, then frees the pool. A job still running then (a
// read that never returns) keeps its thread until the process ends; the caller goes on at once, so
// quitting never waits for it. Jobs must own what they use. Returns whether every job ended.
inline bool finishOrAbandon(std::unique_ptr<QThreadPool> pool, int graceMs)
{
    if (pool->waitForDone(graceMs))
        return true;
    pool->clear();
    // Deleting it would wait for the stuck job again.
    (void)pool.release();
    return false;
}

} // namespace AsyncTask

} // namespace tidewell

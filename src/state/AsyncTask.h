#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent>

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

// Work whose result nobody waits for (a stop signal, say).
template <typename Work> void run(QThreadPool* pool, Work work)
{
    (void)QtConcurrent::run(pool, std::move(work));
}

} // namespace AsyncTask

} // namespace tidewell
